#include "platform/shell.h"

#include <QMessageBox>

namespace zolt::platform {

namespace {

// Placeholder desktop shell: messages only.
class DesktopShell final : public Shell {
 public:
  void Open(const std::string&) override {}
  std::optional<std::string> ChooseFolder(QWidget*) override { return std::nullopt; }
  CopyOutcome CopyFolder(const std::string&, const std::string&, QWidget*,
                         const std::vector<std::string>&) override {
    return {CopyOutcome::Result::Failed, {}, "not available", 0, 0};
  }
  void Information(QWidget* owner, const QString& text) override {
    QMessageBox::information(owner, QStringLiteral("Information"), text);
  }
  void Warning(QWidget* owner, const QString& text) override {
    QMessageBox::warning(owner, QStringLiteral("Information"), text);
  }
};

Shell* g_installed = nullptr;

}  // namespace

Shell& CurrentShell() {
  static DesktopShell desktop;
  return g_installed ? *g_installed : desktop;
}

void SetShell(Shell* shell) { g_installed = shell; }

}  // namespace zolt::platform
