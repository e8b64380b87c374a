#pragma once
// A shell that records what the actions ask of the desktop. Folder copies are
// really made (without a dialog) unless a test asks for a given outcome.

#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "platform/shell.h"
#include "platform/shellcopy.h"

class RecordingShell final : public zolt::platform::Shell {
 public:
  struct Copy {
    std::string source;
    std::string destination;
    std::vector<std::string> skip;
  };

  RecordingShell() { zolt::platform::SetShell(this); }
  ~RecordingShell() override { zolt::platform::SetShell(nullptr); }
  RecordingShell(const RecordingShell&) = delete;
  RecordingShell& operator=(const RecordingShell&) = delete;

  void Open(const std::string& target) override { opened.push_back(target); }
  zolt::platform::OpenOutcome OpenTarget(const std::string& target) override {
    opened.push_back(target);
    zolt::platform::OpenOutcome outcome;
    outcome.result = openResult;
    outcome.target = target;
    return outcome;
  }

  std::optional<std::string> ChooseFolder(QWidget*) override {
    ++folderDialogs;
    return chosenFolder;
  }

  zolt::platform::CopyOutcome CopyFolder(const std::string& source, const std::string& destination,
                                         QWidget*, const std::vector<std::string>& skip) override {
    copies.push_back({source, destination, skip});
    if (forcedOutcome) return *forcedOutcome;
    zolt::platform::CopyOutcome outcome;
    const auto plan = zolt::platform::PlanCopy(source, skip, destination, outcome);
    if (outcome.result != zolt::platform::CopyOutcome::Result::Completed) return outcome;
    return zolt::platform::CopyTree(source, destination, plan);
  }

  void Information(QWidget*, const QString& text) override { information << text; }
  void Warning(QWidget*, const QString& text) override { warnings << text; }

  std::vector<std::string> opened;
  std::optional<std::string> chosenFolder;  // what the folder dialog answers
  zolt::platform::OpenOutcome::Result openResult = zolt::platform::OpenOutcome::Result::Opened;
  std::optional<zolt::platform::CopyOutcome> forcedOutcome;
  int folderDialogs = 0;
  std::vector<Copy> copies;
  QStringList information;
  QStringList warnings;
};
