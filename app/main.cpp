// The program: the application with its error sink, the main window and the
// hidden search window, then the message loop until the main window closes.

#include <dlfcn.h>

#include <QLoggingCategory>
#include <string>

#include "app/startup.h"
#include "app/zoltapplication.h"

struct xkb_context;

// The web engine compiles its keymap from keyboard descriptions at a fixed
// path and stops where the system has none there. Its call into libxkbcommon
// comes here first (the program exports this name), and a missing system
// folder becomes the disc's copy.
extern "C" int xkb_context_include_path_append(xkb_context* context, const char* path) {
  using Append = int (*)(xkb_context*, const char*);
  static const auto append = reinterpret_cast<Append>(dlsym(RTLD_NEXT, "xkb_context_include_path_append"));
  if (append == nullptr) return 0;
  const std::string folder = zolt::KeyboardDescriptionsFolder(path);
  return append(context, folder.c_str());
}

int main(int argc, char** argv) {
  // Where the disc is and what the launcher set aside for the reader's
  // programs, then what the program runs on (the disc's runtime folder where
  // there is one), before any of the toolkit starts.
  zolt::TakeOverFromLauncher();
  zolt::PrepareRuntime();
  // The web engine describes its start-up on standard error at every run;
  // QT_LOGGING_RULES can still ask for it.
  QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
  // The Home page's web view shares the windows' graphics context.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  zolt::ZoltApplication application(argc, argv);
  const zolt::Avvio avvio = zolt::Avvia();
  return application.exec();
}
