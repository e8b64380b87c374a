// The program: the application with its error sink, the main window and the
// hidden search window, then the message loop until the main window closes.

#include "app/startup.h"
#include "app/zoltapplication.h"

int main(int argc, char** argv) {
  // What the program runs on (the disc's runtime folder where there is one)
  // is settled before any of the toolkit starts.
  zolt::PrepareRuntime();
  // The Home page's web view shares the windows' graphics context.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  zolt::ZoltApplication application(argc, argv);
  const zolt::Avvio avvio = zolt::Avvia();
  return application.exec();
}
