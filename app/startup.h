#pragma once
// Start-up: after the application object, the application title, the main
// window, the search window (created hidden), then the main window is shown
// and the message loop may run. Once the main window has been painted, the
// Home page's web engine is loaded and the Home page shown.

#include <memory>
#include <string>
#include <vector>

class QWidget;
class TZolt;
class TFRicerca;

namespace zolt {

struct Avvio {
  std::unique_ptr<TZolt> Zolt;
  std::unique_ptr<TFRicerca> FRicerca;  // destroyed before the main window
  Avvio();
  Avvio(Avvio&&) noexcept;
  Avvio& operator=(Avvio&&) = delete;
  ~Avvio();
};

Avvio Avvia();

// Settles, before anything else of the program runs, what the disc's launcher
// (the file `zolt` at the disc root) handed on: the disc root, as the program
// itself runs from the runtime folder, perhaps through the disc's own loader;
// and the reader's own environment for the programs the shell starts. Started
// without the launcher, the program's folder is the disc root, unless it is
// the runtime folder's bin/, whose disc root is two folders up.
void TakeOverFromLauncher();

// The environment the reader's programs get: `given` (the program's own as it
// started) without the launcher's variables, with the reader's LD_LIBRARY_PATH
// and LD_PRELOAD, which the launcher set aside, given back.
std::vector<std::string> ReaderEnvironment(const std::vector<std::string>& given);

// The disc root for a program at `program` (its full path) started without
// the launcher: its folder, or for <root>/<runtime folder>/bin/zolt, <root>/.
std::string DiscRootOfProgram(const std::string& program);

}  // namespace zolt
