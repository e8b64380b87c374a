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
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QProgressDialog>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "disc/discfile.h"
#include "disc/discpath.h"
#include "disc/disctext.h"
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
  return zolt::disc::StartsWithIgnoringCase(target, "mailto:") || zolt::disc::StartsWithIgnoringCase(target, "www.");
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

// The MIME types the desktop's applications declare they open, read from
// the desktop-file databases of every application folder.
bool HasHandlerFor(const QMimeType& type) {
  if (!type.isValid()) return false;
  QStringList names = type.aliases();
  names << type.name();
  const auto declares = [&](const QString& line) {
    for (const QString& name : names) {
      for (const QStringView item : QStringView(line).split(u';')) {
        if (item.trimmed() == name) return true;
      }
    }
    return false;
  };
  for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
    QFile cache(folder + QStringLiteral("/mimeinfo.cache"));
    if (cache.open(QIODevice::ReadOnly | QIODevice::Text)) {
      while (!cache.atEnd()) {
        const QString line = QString::fromUtf8(cache.readLine()).trimmed();
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && declares(line.left(equals)) && !line.mid(equals + 1).trimmed().isEmpty()) {
          return true;
        }
      }
      continue;
    }
    QDirIterator desktops(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
    while (desktops.hasNext()) {
      QFile entry(desktops.next());
      if (!entry.open(QIODevice::ReadOnly | QIODevice::Text)) continue;
      while (!entry.atEnd()) {
        const QString line = QString::fromUtf8(entry.readLine()).trimmed();
        if (line.startsWith(QStringLiteral("MimeType=")) && declares(line.mid(9))) return true;
      }
    }
  }
  return false;
}

std::vector<std::string>& StartedProgramsEntries() {
  static std::vector<std::string> entries;
  return entries;
}

// While alive, the process's environment is the reader's: what a program
// started now inherits. Swapped as one pointer, the old table kept intact for
// any thread reading it meanwhile.
class ReaderEnvironment {
 public:
  ReaderEnvironment() {
    const std::vector<std::string>& entries = StartedProgramsEntries();
    if (entries.empty()) return;
    table_.reserve(entries.size() + 1);
    for (const std::string& entry : entries) table_.push_back(const_cast<char*>(entry.c_str()));
    table_.push_back(nullptr);
    saved_ = environ;
    environ = table_.data();
  }
  ~ReaderEnvironment() {
    if (saved_ != nullptr) environ = saved_;
  }
  ReaderEnvironment(const ReaderEnvironment&) = delete;
  ReaderEnvironment& operator=(const ReaderEnvironment&) = delete;

 private:
  std::vector<char*> table_;
  char** saved_ = nullptr;
};

OpenOutcome Outcome(OpenOutcome::Result result, const std::string& target, std::string reason = {}) {
  OpenOutcome outcome;
  outcome.result = result;
  outcome.target = target;
  outcome.reason = std::move(reason);
  if (result != OpenOutcome::Result::Opened) {
    Complain(target, outcome.reason.empty() ? "it could not be opened" : outcome.reason.c_str());
  }
  return outcome;
}

class DesktopShell final : public Shell {
 public:
  void Open(const std::string& target) override { OpenTarget(target); }

  OpenOutcome OpenTarget(const std::string& target) override {
    using Result = OpenOutcome::Result;
    if (target.empty()) return Outcome(Result::Missing, target, "nothing to open");
    if (IsAddress(target)) return OpenAddress(target);
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
      return Outcome(Result::Missing, target, std::strerror(errno));
    }
    // Discs and memory sticks often mark every file executable: a document
    // the system cannot start as a program goes to the desktop like any other.
    std::string startError;
    if (S_ISREG(st.st_mode) && ::access(target.c_str(), X_OK) == 0) {
      QProcess process;
      process.setProgram(PathToQString(target));
      process.setWorkingDirectory(PathToQString(std::filesystem::path(target).parent_path().string()));
      const ReaderEnvironment reader;
      if (process.startDetached()) return Outcome(Result::Opened, target);
      startError = process.errorString().toStdString();
    }
    const bool windows = S_ISREG(st.st_mode) && IsWindowsProgram(target);
    if (windows && !HasHandlerFor(QMimeDatabase().mimeTypeForFile(PathToQString(target)))) {
      return Outcome(Result::WindowsProgram, target);
    }
    if (const ReaderEnvironment reader; QDesktopServices::openUrl(QUrl::fromLocalFile(PathToQString(target)))) {
      return Outcome(Result::Opened, target);
    }
    if (!startError.empty() && !windows) return Outcome(Result::StartFailed, target, startError);
    return Outcome(windows ? Result::WindowsProgram : Result::NoHandler, target);
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

  CopyOutcome CopyFile(const std::string& source, const std::string& within, const std::string& destination,
                       QWidget* owner) override {
    struct stat st {};
    const auto size = ::stat(source.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    ProgressWindow window(owner, 1, size);
    const std::string name = std::filesystem::path(source).filename().string();
    return CopyOneFile(source, within, destination, [&](std::uint64_t, std::uint64_t bytes, std::string_view) {
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
  static OpenOutcome OpenAddress(const std::string& target) {
    QString address = DecodeDiscText(target).trimmed();
    if (zolt::disc::StartsWithIgnoringCase(target, "www.")) address.prepend(QStringLiteral("http://"));
    const QUrl url(address, QUrl::TolerantMode);
    const ReaderEnvironment reader;
    if (!url.isValid() || !QDesktopServices::openUrl(url)) {
      return Outcome(OpenOutcome::Result::NoHandler, target);
    }
    return Outcome(OpenOutcome::Result::Opened, target);
  }

  QString lastFolder_;  // chosen at the previous use in this run
};

Shell* g_installed = nullptr;

}  // namespace

OpenOutcome Shell::OpenTarget(const std::string& target) {
  Open(target);
  OpenOutcome outcome;
  outcome.target = target;
  return outcome;
}

bool IsWindowsProgram(const std::string& path) {
  const std::string name = std::filesystem::path(path).filename().string();
  for (const std::string_view ending : {".exe", ".msi", ".bat", ".com", ".cmd"}) {
    if (name.size() > ending.size() &&
        zolt::disc::StartsWithIgnoringCase(std::string_view(name).substr(name.size() - ending.size()), ending)) {
      return true;
    }
  }
  return zolt::disc::HasWindowsProgramSignature(path);
}

QString DescribeOpenFailure(const OpenOutcome& outcome) {
  const QString name = DecodeDiscText(outcome.target);
  switch (outcome.result) {
    case OpenOutcome::Result::Opened:
      return {};
    case OpenOutcome::Result::Missing:
      return QStringLiteral("Impossibile aprire \"%1\": il file o la cartella non esiste.").arg(name);
    case OpenOutcome::Result::NoHandler:
      if (struct stat st {}; !IsAddress(outcome.target) && ::stat(outcome.target.c_str(), &st) == 0 &&
                             S_ISDIR(st.st_mode)) {
        return QStringLiteral("Impossibile aprire la cartella \"%1\": su questo sistema nessun programma "
                              "è associato alle cartelle.")
            .arg(name);
      }
      return IsAddress(outcome.target)
                 ? QStringLiteral("Impossibile aprire l'indirizzo \"%1\": su questo sistema nessun "
                                  "programma è associato a questo tipo di indirizzo.")
                       .arg(name)
                 : QStringLiteral("Impossibile aprire \"%1\": su questo sistema nessun programma "
                                  "è associato a questo tipo di file.")
                       .arg(name);
    case OpenOutcome::Result::WindowsProgram:
      return QStringLiteral("\"%1\" è un programma per Windows: su questo sistema non c'è nulla "
                            "che possa avviarlo.")
          .arg(name);
    case OpenOutcome::Result::StartFailed:
      return QStringLiteral("Impossibile avviare \"%1\" (%2).")
          .arg(name, outcome.reason.empty() ? QStringLiteral("errore sconosciuto")
                                            : QString::fromLocal8Bit(outcome.reason.c_str()));
  }
  return {};
}

bool OpenAndTell(QWidget* owner, const std::string& target) {
  Shell& shell = CurrentShell();
  const OpenOutcome outcome = shell.OpenTarget(target);
  if (outcome.ok()) return true;
  shell.Warning(owner, DescribeOpenFailure(outcome));
  return false;
}

CopyOutcome Shell::CopyFile(const std::string& source, const std::string& within, const std::string& destination,
                            QWidget*) {
  return CopyOneFile(source, within, destination);
}

Shell& CurrentShell() {
  static DesktopShell desktop;
  return g_installed ? *g_installed : desktop;
}

void SetShell(Shell* shell) { g_installed = shell; }

void SetStartedProgramsEnvironment(std::vector<std::string> entries) {
  StartedProgramsEntries() = std::move(entries);
}

}  // namespace zolt::platform
