#pragma once
// The application object. It carries the program's error sink: an error that
// escapes any event handler is discarded with one line on standard error and
// the program carries on, as no error is ever shown to the user.

#include <QApplication>
#include <functional>
#include <string>

#include "look/layoutfont.h"

namespace zolt {

class ZoltApplication : public QApplication {
  Q_OBJECT
  Q_DISABLE_COPY_MOVE(ZoltApplication)

 public:
  ZoltApplication(int& argc, char** argv);
  ~ZoltApplication() override;

  bool notify(QObject* receiver, QEvent* event) override;

  // How many errors the sink has discarded in this run.
  int DiscardedErrors() const { return discarded_; }

 private:
  void AppEvents1Exception(const char* what);

  int discarded_ = 0;
};

// Where the program finds what it runs on, settled before the application
// object exists. When the program's folder holds the disc's runtime folder,
// the toolkit's plugins and translations, the web engine's helper process,
// resources and locales, and the shipped fonts all come from there, whatever
// the reader's environment or own Qt says. Elsewhere (the build tree) the
// system's are used. Either way Chromium's sandbox stays on where it can
// start, and is turned off with one line on standard error where it cannot.
// On the disc, a session without an X display ends the run here with a
// message and status 1 instead of the toolkit's abort.
void PrepareRuntime();

// The runtime folder the program runs with, or empty outside a disc.
const std::string& RuntimeFolder();

// The keyboard descriptions to read for `requested`: the disc's copy when
// `requested` is missing and the runtime folder has one, else `requested`.
std::string KeyboardDescriptionsFolder(const char* requested);

// The folder of the toolkit's translations: the runtime folder's, or the system's.
QString TranslationsFolder();

// The entries of a QT_QPA_PLATFORM value ("wayland;xcb", "xcb:option") whose
// plugin `shipped` says is there, in their order, joined again by ";".
std::string ShippedPlatforms(const std::string& requested,
                             const std::function<bool(const std::string&)>& shipped);

// Why Chromium's sandbox cannot start in this process, found by trying what it
// needs (a child that makes a user namespace and writes its uid_map); empty
// when it can.
std::string SandboxUnavailableReason();

}  // namespace zolt
