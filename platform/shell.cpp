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

// The copy's progress dialog: files and bytes, "Annulla", repainted (with the
// windows behind it) a few times a second while the copy runs.
class ProgressWindow {
 public:
  ProgressWindow(QWidget* owner, std::uint64_t files, std::uint64_t bytes)
      : dialog_(owner), files_(files), bytes_(bytes) {
    dialog_.setObjectName(QStringLiteral("CopyProgress"));
    dialog_.setWindowTitle(QStringLiteral("Copia in corso"));
    dialog_.setCancelButtonText(QStringLiteral("Annulla"));
    dialog_.setWindowModality(Qt::WindowModal);
    dialog_.setAutoClose(false);
    dialog_.setAutoReset(false);
    dialog_.setMinimumDuration(0);
    dialog_.setMinimumWidth(420);
    dialog_.setRange(0, kBarSteps);
    dialog_.setValue(0);
    dialog_.show();
  }

  // False once the user has cancelled.
  bool Update(std::uint64_t files, std::uint64_t bytes, std::string_view current) {
    if (sinceRepaint_.isValid() && sinceRepaint_.elapsed() < kRepaintMs && !current.empty()) {
      return !dialog_.wasCanceled();
    }
    sinceRepaint_.start();
    const double part = bytes_ ? static_cast<double>(bytes) / static_cast<double>(bytes_)
                        : files_ ? static_cast<double>(files) / static_cast<double>(files_)
                                 : 1.0;
    dialog_.setLabelText(QStringLiteral("%1\nFile: %2 di %3    MB: %4 di %5")
                             .arg(DecodeDiscText(current))
                             .arg(files)
                             .arg(files_)
                             .arg(MegaBytes(bytes), MegaBytes(bytes_)));
    dialog_.setValue(static_cast<int>(part * kBarSteps));
    QCoreApplication::processEvents();
    return !dialog_.wasCanceled();
  }

 private:
  QProgressDialog dialog_;
  QElapsedTimer sinceRepaint_;  // invalid until the first repaint, which is at once
  std::uint64_t files_;
  std::uint64_t bytes_;
};

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
    ProgressWindow window(owner, plan.files, plan.bytes);
    return CopyTree(source, destination, plan,
                    [&](std::uint64_t files, std::uint64_t bytes, std::string_view current) {
                      return window.Update(files, bytes, current);
                    });
  }

  CopyOutcome CopyFile(const std::string& source, const std::string& destination,
                       QWidget* owner) override {
    struct stat st {};
    const auto size = ::stat(source.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    ProgressWindow window(owner, 1, size);
    const std::string name = std::filesystem::path(source).filename().string();
    return CopyOneFile(source, destination, [&](std::uint64_t, std::uint64_t bytes, std::string_view) {
      return window.Update(0, bytes, name);
    });
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

CopyOutcome Shell::CopyFile(const std::string& source, const std::string& destination, QWidget*) {
  return CopyOneFile(source, destination);
}

Shell& CurrentShell() {
  static DesktopShell desktop;
  return g_installed ? *g_installed : desktop;
}

void SetShell(Shell* shell) { g_installed = shell; }

}  // namespace zolt::platform
