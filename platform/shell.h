#pragma once
// What the program asks of the desktop: open a file, folder or address; choose
// a folder; copy a folder with a progress dialog; show a message. The desktop
// implementation is the default; tests install a recording fake.

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace zolt::platform {

struct CopyOutcome {
  enum class Result { Completed, Cancelled, Failed };
  Result result = Result::Completed;
  std::string failedPath;  // the file or folder that could not be copied
  std::string error;       // the system's reason, in English
  int errorCode = 0;       // the errno behind `error`, 0 when there is none
  std::uint64_t files = 0; // files copied
  std::uint64_t bytes = 0; // bytes copied
  // Links of the copied folder that were not copied: leading outside it, or
  // to nothing, to themselves or round in a loop.
  std::uint64_t linksOutside = 0;
  std::uint64_t linksLeftOut = 0;
};

// What became of an "open".
struct OpenOutcome {
  enum class Result {
    Opened,          // started or handed to the desktop
    Missing,         // no such file or folder
    NoHandler,       // nothing on the system opens this type or address
    WindowsProgram,  // a program for Windows, and nothing here runs it
    StartFailed,     // an executable that did not start
  };
  Result result = Result::Opened;
  std::string target;
  std::string reason;  // the system's words, when it gave any
  bool ok() const { return result == Result::Opened; }
};

class Shell {
 public:
  virtual ~Shell() = default;

  // The desktop's "open": an executable regular file is started detached with
  // its own folder as working directory; anything else (a folder, a document,
  // a web address) goes to the desktop's handler. Never waits; a failure is
  // written to standard error.
  virtual void Open(const std::string& target) = 0;

  // The same "open", telling what became of it: a missing target, nothing
  // registered for its type or scheme, a program for Windows that nothing
  // here runs, an executable that did not start. Without an override it is
  // Open() and counts as opened.
  virtual OpenOutcome OpenTarget(const std::string& target);

  // The folder dialog owned by `owner` ("Cartella di destinazione",
  // "Selezionare una cartella"), opening on the folder chosen at its previous
  // use in this run. Empty when cancelled.
  virtual std::optional<std::string> ChooseFolder(QWidget* owner) = 0;

  // Copies the whole content of `source` (sub-folders included) into
  // `destination`, creating missing folders and replacing existing files
  // without asking, with a cancellable progress dialog owned by `owner`.
  // Names in `skipTopLevel` (compared without regard to case) are left out at
  // the source's top level only.
  virtual CopyOutcome CopyFolder(const std::string& source, const std::string& destination,
                                 QWidget* owner, const std::vector<std::string>& skipTopLevel) = 0;

  // Copies one file, which must really lie in the folder `within`, to
  // `destination` (its full name) with the same progress dialog, replacing
  // a writable file; no folder is made on the way. Without an override the
  // copy runs without a dialog.
  virtual CopyOutcome CopyFile(const std::string& source, const std::string& within,
                               const std::string& destination, QWidget* owner);

  // Message box titled "Information" with an information icon and one OK button.
  virtual void Information(QWidget* owner, const QString& text) = 0;

  // Message box for a failure (warning icon, one OK button).
  virtual void Warning(QWidget* owner, const QString& text) = 0;
};

// The Italian sentence for an open that failed, naming the file or address.
QString DescribeOpenFailure(const OpenOutcome& outcome);

// Opens `target` through the shell in use; when it cannot be opened, a
// warning box owned by `owner` says what and why. True when it opened.
bool OpenAndTell(QWidget* owner, const std::string& target);

// True for a program made for Windows: a ".exe", ".msi", ".bat", ".com" or
// ".cmd" name, or a file that begins with the signature of a Windows program.
bool IsWindowsProgram(const std::string& path);

// The shell in use: the desktop one unless a test installed another.
Shell& CurrentShell();

// Installs `shell` (not owned) for the rest of the run; nullptr restores the desktop one.
void SetShell(Shell* shell);

// The environment of the reader's programs the desktop shell starts
// (installers, the browser, the file manager), as "NAME=value" entries: set
// once at start-up to the one the program was given, so that nothing of the
// disc's runtime (loader, libraries, toolkit and font settings) reaches them.
// Never set, they get the program's own.
void SetStartedProgramsEnvironment(std::vector<std::string> entries);

}  // namespace zolt::platform
