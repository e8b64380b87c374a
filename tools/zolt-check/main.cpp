// zolt-check [--json] [--full] DISCO: the disc author's check. Walks a disc
// as the program does and reports every problem the program would hide from
// the reader. Exit status: 0 no error, 1 errors, 2 no disc or a wrong command.

#include "tools/common/commandline.h"
#include "tools/zolt-check/checker.h"
#include "tools/zolt-check/report.h"

#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include <unistd.h>

namespace {

void Help(std::FILE* out) {
  std::fputs(
      "\n"
      "Controlla il disco nella cartella DISCO come lo legge il programma e segnala ogni problema\n"
      "che il programma nasconderebbe al lettore: una riga per problema, con la gravità, un codice\n"
      "stabile, il percorso (relativo al disco, \"\" per il disco stesso) e cosa cambiare.\n"
      "\n"
      "  --json      un documento JSON: {\"disc\", \"items\", \"problems\": [{\"severity\", \"code\",\n"
      "              \"path\", \"message\"}]}, problemi in ordine di percorso\n"
      "  --full      decodifica le immagini a grandezza piena (più lento; di norma a 1/8, che legge\n"
      "              comunque tutti i dati e trova anche un'immagine troncata)\n"
      "  --help      questo aiuto\n"
      "  --version   la versione\n"
      "\n"
      "Stato di uscita: 0 nessun errore (avvisi e note ammessi), 1 errori trovati, 2 il disco non si\n"
      "legge, non è un disco (nessuna sezione e nessuna cartella Home) o il comando è sbagliato.\n"
      "\n"
      "Codici:\n",
      out);
  const char* heading = nullptr;
  for (const zolt::check::CodeInfo& info : zolt::check::Codes()) {
    const char* now = info.severity == zolt::check::Severity::kError     ? "errori (error)"
                      : info.severity == zolt::check::Severity::kWarning ? "avvisi (warning)"
                                                                         : "note (info)";
    if (now != heading) {
      std::fprintf(out, "  %s\n", now);
      heading = now;
    }
    std::fprintf(out, "    %-32.*s %.*s\n", static_cast<int>(info.code.size()), info.code.data(),
                 static_cast<int>(info.summary.size()), info.summary.data());
  }
}

const zolt::tools::Tool kTool{"zolt-check", "[--json] [--full] DISCO", {"la cartella del disco"}, Help};

bool WantsColour() {
  const char* term = std::getenv("TERM");
  return isatty(STDOUT_FILENO) == 1 && std::getenv("NO_COLOR") == nullptr && term != nullptr &&
         std::strcmp(term, "dumb") != 0;
}

// A long check shows how far it has got, on a terminal only; the line goes
// when the check ends.
class Progress {
 public:
  explicit Progress(zolt::check::CheckOptions& options) {
    if (isatty(STDERR_FILENO) != 1) return;
    options.progress = [this](std::size_t folders) {
      const auto now = std::chrono::steady_clock::now();
      if (now - start_ < std::chrono::seconds(1) || now - shown_ < std::chrono::milliseconds(100)) return;
      shown_ = now;
      std::fprintf(stderr, "\rzolt-check: %zu cartelle esaminate...", folders);
      std::fflush(stderr);
    };
  }
  ~Progress() {
    if (shown_ != start_) std::fputs("\r\033[K", stderr);
  }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

 private:
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point shown_ = start_;
};

zolt::check::CheckResult Check(const std::string& disc, bool fullPictures) {
  zolt::check::CheckOptions options;
  if (fullPictures) options.pictureScale = 1;
  const Progress progress(options);
  return zolt::check::CheckDisc(disc, options);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace zolt::tools;
  bool json = false;
  bool fullPictures = false;
  const std::string disc = ParseCommandLine(kTool, {{"--json", &json}, {"--full", &fullPictures}}, argc, argv)[0];

  zolt::check::UseOffscreenPlatform();
  int qtArgc = 1;
  QGuiApplication application(qtArgc, argv);
  const zolt::check::CheckResult result = Check(disc, fullPictures);
  if (result.status != zolt::check::CheckResult::Status::kChecked) {
    Complain(kTool, "%s", result.failure.c_str());
    return kTrouble;
  }
  if (json) {
    zolt::check::WriteJson(std::cout, disc, result);
  } else {
    zolt::check::WriteReport(std::cout, disc, result, WantsColour());
  }
  std::cout.flush();
  if (!std::cout) {
    Complain(kTool, "impossibile scrivere il risultato");
    return kTrouble;
  }
  return result.Count(zolt::check::Severity::kError) > 0 ? kNothing : kDone;
}
