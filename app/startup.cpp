#include "app/startup.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <cstdlib>
#include <string_view>

#include "app/zolt.h"
#include "disc/catalogue.h"
#include "disc/discfile.h"
#include "disc/readahead.h"
#include "platform/shell.h"
#include "searchwindow/fricerca.h"

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
  // Once the window has been painted, and only then, a helper thread moves
  // what the Home page needs, in the disc's recorded order, into the page
  // cache; when it is through, the Home page's web engine is loaded. What
  // the reader waits for first is the window; and the engine, loaded from
  // the cache, keeps the window from answering for a moment only, where
  // loading it from a slow drive page by page would hold it for a minute.
  // A pass that does not end (a damaged disc, a drive retrying a sector)
  // holds the Home page back no longer than kEngineWaitMs.
  constexpr int kPollMs = 50, kEngineWaitMs = 120'000;
  TZolt* zolt = avvio.Zolt.get();
  QObject::connect(
      zolt, &TZolt::FirstPainted, zolt,
      [zolt] {
        const auto done = disc::StartReadAhead(catalogue::DiscRoot());
        auto* poll = new QTimer(zolt);
        QObject::connect(poll, &QTimer::timeout, zolt, [zolt, poll, done, waited = 0]() mutable {
          if (!done->load() && (waited += kPollMs) < kEngineWaitMs) return;
          poll->stop();
          poll->deleteLater();
          zolt->EngineMayStart();
        });
        poll->start(kPollMs);
      },
      Qt::QueuedConnection);
  avvio.Zolt->show();
  return avvio;
}


namespace {

constexpr std::string_view kLauncherPrefix = "ZOLT_";
constexpr std::string_view kSetAside = "ZOLT_READER_";

}  // namespace

std::vector<std::string> ReaderEnvironment(const std::vector<std::string>& given) {
  std::vector<std::string> reader;
  reader.reserve(given.size());
  for (const std::string& entry : given) {
    const std::string_view text(entry);
    if (text.starts_with(kSetAside)) {
      // ZOLT_READER_LD_PRELOAD=value is the reader's LD_PRELOAD=value.
      reader.emplace_back(text.substr(kSetAside.size()));
    } else if (!text.starts_with(kLauncherPrefix)) {
      reader.push_back(entry);
    }
  }
  return reader;
}

std::string DiscRootOfProgram(const std::string& program) {
  const std::size_t slash = program.rfind('/');
  if (slash == std::string::npos) return "./";
  const std::string folder = program.substr(0, slash + 1);
  const std::string inRuntime = std::string("/").append(disc::kRuntimeFolder).append("/bin/");
  if (folder.size() >= inRuntime.size() && folder.ends_with(inRuntime))
    return folder.substr(0, folder.size() - inRuntime.size() + 1);
  return folder;
}

void TakeOverFromLauncher() {
  std::vector<std::string> given;
  for (char** entry = environ; *entry != nullptr; ++entry) given.emplace_back(*entry);
  platform::SetStartedProgramsEnvironment(ReaderEnvironment(given));

  const char* root = std::getenv("ZOLT_DISC_ROOT");
  if (root != nullptr && *root != '\0') {
    catalogue::SetDiscRoot(root);
  } else {
    // /proc/self/exe names the program only when no loader was put before it.
    std::string self(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", self.data(), self.size() - 1);
    if (length > 0) {
      self.resize(static_cast<std::size_t>(length));
      const std::string folder = DiscRootOfProgram(self);
      if (folder != self.substr(0, self.rfind('/') + 1)) catalogue::SetDiscRoot(folder);
    }
  }
  // GIO modules of the reader's are built for the reader's GLib, not the
  // disc's: none is loaded from the disc's runtime.
  const std::string runtime = catalogue::JoinPath(catalogue::DiscRoot(), disc::kRuntimeFolder);
  if (access(runtime.c_str(), F_OK) == 0) setenv("GIO_MODULE_DIR", (runtime + "/lib/gio").c_str(), 1);
}

}  // namespace zolt
