#pragma once
// Start-up: after the application object, the application title, the main
// window, the search window (created hidden), then the main window is shown
// and the message loop may run. Once the main window has been painted, the
// Home page's web engine is loaded and the Home page shown.

#include <memory>

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

}  // namespace zolt
