#include "app/zoltapplication.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fontconfig/fontconfig.h>

#include <QFont>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QTranslator>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>

#include "disc/catalogue.h"
#include "disc/discfile.h"

namespace zolt {

ZoltApplication::ZoltApplication(int& argc, char** argv) : QApplication(argc, argv) {
  InstallFontSubstitutes();
  // The program speaks Italian: so do the toolkit's own dialogs (the folder
  // dialog's and the message boxes' buttons). Without the translation they stay English.
  auto* translator = new QTranslator(this);
  if (translator->load(QStringLiteral("qtbase_it"), TranslationsFolder()))
    installTranslator(translator);
}

ZoltApplication::~ZoltApplication() = default;

bool ZoltApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    AppEvents1Exception(error.what());
  } catch (...) {
    AppEvents1Exception("unknown error");
  }
  return false;
}

void ZoltApplication::AppEvents1Exception(const char* what) {
  ++discarded_;
  std::cerr << "zolt: discarded error: " << what << '\n';
}

namespace {

std::string& RuntimeFolderStore() {
  static std::string folder;
  return folder;
}

bool IsFolder(const std::string& path) {
  struct stat info{};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsFile(const std::string& path) {
  struct stat info{};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void Set(const char* name, const std::string& value) { setenv(name, value.c_str(), 1); }

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Whether an X server answers on $DISPLAY. libxcb is part of every X desktop
// (and of the base the disc relies on); it is opened here only to ask.
bool XDisplayAnswers(std::string& why) {
  if (!IsSet("DISPLAY")) {
    why = "la variabile DISPLAY non è impostata";
    return false;
  }
  void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (xcb == nullptr) {
    why = "manca la libreria del client X libxcb.so.1";
    return false;
  }
  using Connect = void* (*)(const char*, int*);
  using HasError = int (*)(void*);
  using Disconnect = void (*)(void*);
  auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
  auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
  auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
  bool answers = false;
  if (connect != nullptr && hasError != nullptr && disconnect != nullptr) {
    void* connection = connect(nullptr, nullptr);
    answers = hasError(connection) == 0;
    disconnect(connection);
  }
  if (!answers) why = std::string("nessun server X risponde su DISPLAY=") + std::getenv("DISPLAY");
  return answers;
}

// The shipped faces' cache, made with the disc: fontconfig finds a cache
// folder only by an absolute path, so the configuration the toolkit takes is
// made here, before it looks at a font, from the disc's fontconfig file and
// that folder. Without it every start reads a piece of each face to list
// them; where anything fails, the toolkit loads the file by itself as before.
void UseShippedFontCache(const std::string& runtime) {
  const std::string folder = runtime + "/fontcache";
  if (!IsFolder(folder)) return;
  std::string escaped;
  for (const char c : folder) {
    if (c == '&') escaped += "&amp;";
    else if (c == '<') escaped += "&lt;";
    else if (c == '>') escaped += "&gt;";
    else escaped += c;
  }
  const std::string text = "<fontconfig><cachedir>" + escaped + "</cachedir></fontconfig>";
  FcConfig* config = FcInitLoadConfig();  // the file FONTCONFIG_FILE names
  if (config == nullptr) return;
  if (FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(text.c_str()), FcFalse) &&
      FcConfigBuildFonts(config) && FcConfigSetCurrent(config))
    return;  // the current configuration from now on, kept for the program's life
  FcConfigDestroy(config);
}

void PointAtRuntimeFolder(const std::string& runtime) {
  // Plugins only from the disc: the library path set before the application
  // object replaces QT_PLUGIN_PATH; the platform plugin's own variable goes.
  QCoreApplication::setLibraryPaths({QString::fromStdString(runtime + "/plugins")});
  unsetenv("QT_PLUGIN_PATH");
  unsetenv("QT_QPA_PLATFORM_PLUGIN_PATH");
  const char* requested = std::getenv("QT_QPA_PLATFORM");
  std::string platforms = ShippedPlatforms(requested ? requested : "", [&](const std::string& name) {
    return IsFile(runtime + "/plugins/platforms/libq" + name + ".so");
  });
  Set("QT_QPA_PLATFORM", platforms.empty() ? "xcb" : platforms);

  Set("QTWEBENGINEPROCESS_PATH", runtime + "/libexec/QtWebEngineProcess");
  Set("QTWEBENGINE_RESOURCES_PATH", runtime + "/resources");
  Set("QTWEBENGINE_LOCALES_PATH", runtime + "/translations/qtwebengine_locales");
  // The web engine compiles a keymap from the system's keyboard descriptions
  // and stops where there are none; the disc carries a copy for that case.
  if (!IsFile("/usr/share/X11/xkb/rules/evdev")) Set("XKB_CONFIG_ROOT", runtime + "/xkb");
  // The reader's font configuration, with the shipped faces added.
  Set("FONTCONFIG_FILE", runtime + "/fonts/fonts.conf");
  UseShippedFontCache(runtime);
}

}  // namespace

std::string ShippedPlatforms(const std::string& requested,
                             const std::function<bool(const std::string&)>& shipped) {
  std::string kept;
  std::size_t start = 0;
  while (start <= requested.size()) {
    std::size_t end = requested.find(';', start);
    if (end == std::string::npos) end = requested.size();
    const std::string entry = requested.substr(start, end - start);
    const std::string name = entry.substr(0, entry.find(':'));
    if (!name.empty() && shipped(name)) {
      if (!kept.empty()) kept += ';';
      kept += entry;
    }
    start = end + 1;
  }
  return kept;
}

std::string SandboxUnavailableReason() {
  if (geteuid() == 0 || getuid() == 0) return "il programma gira come root";
  int channel[2];
  if (pipe2(channel, O_CLOEXEC) != 0) return std::string("nessun canale per la prova: ") + std::strerror(errno);
  const uid_t uid = getuid();
  const pid_t child = fork();
  if (child < 0) {
    const int error = errno;
    close(channel[0]);
    close(channel[1]);
    return std::string("nessun processo per la prova: ") + std::strerror(error);
  }
  if (child == 0) {
    // Only calls that are safe after fork: the reason goes back through the pipe.
    close(channel[0]);
    char reason[160] = "";
    if (unshare(CLONE_NEWUSER) != 0) {
      std::snprintf(reason, sizeof reason, "impossibile creare uno spazio dei nomi utente: %s", std::strerror(errno));
    } else {
      char map[64];
      const int length = std::snprintf(map, sizeof map, "0 %u 1\n", static_cast<unsigned>(uid));
      const int fd = open("/proc/self/uid_map", O_WRONLY | O_CLOEXEC);
      if (fd < 0 || write(fd, map, static_cast<std::size_t>(length)) != length)
        std::snprintf(reason, sizeof reason, "impossibile associare lo spazio dei nomi utente: %s", std::strerror(errno));
      if (fd >= 0) close(fd);
    }
    const std::size_t size = std::strlen(reason);
    if (size > 0 && write(channel[1], reason, size) < 0) _exit(2);
    _exit(size == 0 ? 0 : 1);
  }
  close(channel[1]);
  std::string reason;
  char buffer[160];
  ssize_t got;
  while ((got = read(channel[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))
    if (got > 0) reason.append(buffer, static_cast<std::size_t>(got));
  close(channel[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (reason.empty() && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
    reason = "la prova dello spazio dei nomi utente non è riuscita";
  return reason;
}

const std::string& RuntimeFolder() { return RuntimeFolderStore(); }

std::string KeyboardDescriptionsFolder(const char* requested) {
  const std::string asked = requested != nullptr ? requested : "";
  if (!RuntimeFolder().empty() && !IsFolder(asked) && IsFolder(RuntimeFolder() + "/xkb"))
    return RuntimeFolder() + "/xkb";
  return asked;
}

QString TranslationsFolder() {
  if (!RuntimeFolder().empty()) return QString::fromStdString(RuntimeFolder() + "/translations");
  return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

namespace {

// What the toolkit and the web engine remark on an ordinary start (Qt makes
// its own runtime folder, the sandbox is off as the program asked, the GPU
// process retries) is not the reader's business; QT_LOGGING_RULES=
// "zolt.toolkit=true" shows it again.
Q_LOGGING_CATEGORY(lcToolkitRemarks, "zolt.toolkit", QtCriticalMsg)

QtMessageHandler& PreviousHandler() {
  static QtMessageHandler previous = nullptr;
  return previous;
}

void HideToolkitRemarks(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  const bool remark = (type == QtWarningMsg && message.startsWith(u"QStandardPaths: XDG_RUNTIME_DIR not set")) ||
                      (type == QtInfoMsg && message == u"Sandboxing disabled by user.");
  if (remark && !lcToolkitRemarks().isInfoEnabled()) return;
  PreviousHandler()(type, context, message);
}

void QuietStart() {
  PreviousHandler() = qInstallMessageHandler(HideToolkitRemarks);
  if (lcToolkitRemarks().isInfoEnabled()) return;
  // Chromium writes its own log lines straight to standard error: fatal ones only.
  const char* given = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
  const std::string flags = given != nullptr ? given : "";
  if (flags.find("--log-level") != std::string::npos) return;
  Set("QTWEBENGINE_CHROMIUM_FLAGS", (flags.empty() ? flags : flags + " ") + "--log-level=3");
}

}  // namespace

void PrepareRuntime() {
  QuietStart();
  const std::string runtime = catalogue::JoinPath(catalogue::DiscRoot(), disc::kRuntimeFolder);
  if (IsFolder(runtime)) {
    RuntimeFolderStore() = runtime;
    PointAtRuntimeFolder(runtime);
    std::string why;
    if (!XDisplayAnswers(why)) {
      std::cerr << "zolt: impossibile aprire una finestra: " << why
                << ". Avviare Zolt CD da una sessione grafica (X11, oppure Wayland con XWayland).\n";
      std::exit(1);
    }
  }
  // A sandbox already turned off (test environments) is left so.
  if (IsSet("QTWEBENGINE_DISABLE_SANDBOX")) return;
  const char* flags = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
  if (flags != nullptr && std::strstr(flags, "--no-sandbox") != nullptr) return;
  const std::string reason = SandboxUnavailableReason();
  if (!reason.empty()) {
    Set("QTWEBENGINE_DISABLE_SANDBOX", "1");
    std::cerr << "zolt: la pagina web funziona senza la sandbox di Chromium: " << reason << ".\n";
  }
}

}  // namespace zolt
