#include "app/startup.h"

#include <QCoreApplication>

#include "app/zolt.h"
#include "search/fricerca.h"

namespace zolt {

Avvio::Avvio() = default;
Avvio::Avvio(Avvio&&) noexcept = default;
Avvio::~Avvio() = default;

Avvio Avvia() {
  QCoreApplication::setApplicationName(QStringLiteral("Zolt CD"));
  Avvio avvio;
  avvio.Zolt = std::make_unique<TZolt>();
  avvio.FRicerca = std::make_unique<TFRicerca>(avvio.Zolt.get());
  avvio.FRicerca->hide();
  // Closing the main window ends the run even while the search window is open.
  avvio.FRicerca->setAttribute(Qt::WA_QuitOnClose, false);
  avvio.Zolt->FRicerca = avvio.FRicerca.get();
  // Once the window has been painted, and only then, the Home page's web
  // engine is loaded: what the reader waits for first is the window.
  QObject::connect(avvio.Zolt.get(), &TZolt::FirstPainted, avvio.Zolt.get(), &TZolt::StartHomePage,
                   Qt::QueuedConnection);
  avvio.Zolt->show();
  return avvio;
}

}  // namespace zolt
