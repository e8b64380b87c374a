#include "platform/shell.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QUrl>
#include <cstdio>
#include <filesystem>

#include "platform/shellcopy.h"
#include "platform/textcodec.h"

namespace zolt::platform {

namespace {

// The progress dialog is repainted and polled for "Annulla" this often.
constexpr qint64 kRepaintMs = 40;
// Its bar counts in thousandths, whatever the size of the copy.
constexpr int kBarSteps = 1000;

void Complain(const std::string& target, const char* why) {
  std::fprintf(stderr, "zolt: cannot open \"%s\": %s\n", target.c_str(), why);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// A web address rather than a path: "scheme://...", "mailto:..." or a bare "www.".
bool IsAddress(std::string_view target) {
  const auto colon = target.find("://");
  if (colon != std::string_view::npos && colon > 1) {
    const auto scheme = target.substr(0, colon);
    if (scheme.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+.-") ==
        std::string_view::npos) {
      return true;
    }
  }
  return StartsWithNoCase(target, "mailto:") || StartsWithNoCase(target, "www.");
}

QString MegaBytes(std::uint64_t bytes) {
  return QString::number(static_cast<double>(bytes) / 1048576.0, 'f', 1).replace(u'.', u',');
}

class DesktopShell final : public Shell {
 public:
  void Open(const std::string& target) override {
    if (target.empty()) {
      Complain(target, "nothing to open");
      return;
    }
    if (IsAddress(target)) {
      OpenAddress(target);
      return;
    }
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
      Complain(target, "no such file or folder");
      return;
    }
    // Discs and memory sticks often mark every file executable: a document
    // the system cannot start as a program goes to the desktop like any other.
    if (S_ISREG(st.st_mode) && ::access(target.c_str(), X_OK) == 0) {
      const std::string folder = std::filesystem::path(target).parent_path().string();
      if (QProcess::startDetached(PathToQString(target), {}, PathToQString(folder))) return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(PathToQString(target)))) {
      Complain(target, "no program is associated with it");
    }
  }

  std::optional<std::string> ChooseFolder(QWidget* owner) override {
    QFileDialog dialog(owner, QStringLiteral("Cartella di destinazione"));
    dialog.setObjectName(QStringLiteral("LMDBrowseDlg1"));
    dialog.setFileMode(QFileDialog::Directory);
    // Our own dialog, so the prompt can be shown inside it on every desktop.
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
      auto* prompt = new QLabel(QStringLiteral("Selezionare una cartella"), &dialog);
      prompt->setObjectName(QStringLiteral("prompt"));
      grid->addWidget(prompt, grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (!lastFolder_.isEmpty()) dialog.setDirectory(lastFolder_);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
      return std::nullopt;
    }
    lastFolder_ = dialog.selectedFiles().constFirst();
    return QStringToPath(lastFolder_);
  }

  CopyOutcome CopyFolder(const std::string& source, const std::string& destination,
                         QWidget* owner, const std::vector<std::string>& skipTopLevel) override {
    CopyOutcome outcome;
    const CopyPlan plan = PlanCopy(source, skipTopLevel, destination, outcome);
    if (outcome.result != CopyOutcome::Result::Completed) return outcome;

    QProgressDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("CopyProgress"));
    dialog.setWindowTitle(QStringLiteral("Copia in corso"));
    dialog.setCancelButtonText(QStringLiteral("Annulla"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(0);
    dialog.setMinimumWidth(420);
    dialog.setRange(0, kBarSteps);
    dialog.setValue(0);
    dialog.show();

    QElapsedTimer sinceRepaint;  // invalid until the first repaint, which is at once
    const auto update = [&](std::uint64_t files, std::uint64_t bytes, std::string_view current) {
      if (sinceRepaint.isValid() && sinceRepaint.elapsed() < kRepaintMs && !current.empty()) {
        return !dialog.wasCanceled();
      }
      sinceRepaint.start();
      const double part = plan.bytes ? static_cast<double>(bytes) / static_cast<double>(plan.bytes)
                          : plan.files ? static_cast<double>(files) / static_cast<double>(plan.files)
                                       : 1.0;
      dialog.setLabelText(QStringLiteral("%1\nFile: %2 di %3    MB: %4 di %5")
                              .arg(DecodeDiscText(current))
                              .arg(files)
                              .arg(plan.files)
                              .arg(MegaBytes(bytes), MegaBytes(plan.bytes)));
      dialog.setValue(static_cast<int>(part * kBarSteps));
      QCoreApplication::processEvents();
      return !dialog.wasCanceled();
    };
    return CopyTree(source, destination, plan, update);
  }

  void Information(QWidget* owner, const QString& text) override {
    QMessageBox::information(owner, QStringLiteral("Information"), text);
  }

  void Warning(QWidget* owner, const QString& text) override {
    QMessageBox::warning(owner, QStringLiteral("Warning"), text);
  }

 private:
  static void OpenAddress(const std::string& target) {
    QString address = DecodeDiscText(target).trimmed();
    if (StartsWithNoCase(target, "www.")) address.prepend(QStringLiteral("http://"));
    const QUrl url(address, QUrl::TolerantMode);
    if (!url.isValid() || !QDesktopServices::openUrl(url)) {
      Complain(target, "the address could not be opened");
    }
  }

  QString lastFolder_;  // chosen at the previous use in this run
};

Shell* g_installed = nullptr;

}  // namespace

Shell& CurrentShell() {
  static DesktopShell desktop;
  return g_installed ? *g_installed : desktop;
}

void SetShell(Shell* shell) { g_installed = shell; }

}  // namespace zolt::platform
