// zolt-check [--json] DISC: the disc author's check. Walks a disc as the
// program does and reports every problem the program would hide from the
// reader. Exit status: 0 no error, 1 errors, 2 no disc or a wrong command.

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

constexpr int kClean = 0;
constexpr int kErrors = 1;
constexpr int kNoDisc = 2;

// A wrong command gets the one line and the way to the whole help.
void ShortUsage() {
  std::fputs("Uso: zolt-check [--json] [--full] DISCO   (zolt-check --help per i codici)\n", stderr);
}

void Usage(std::FILE* out) {
  std::fputs(
      "Uso: zolt-check [--json] [--full] DISCO\n"
      "\n"
      "Controlla il disco nella cartella DISCO come lo legge il programma e segnala ogni problema\n"
      "che il programma nasconderebbe al lettore: una riga per problema, con la gravità, un codice\n"
      "stabile, il percorso (relativo al disco, \"\" per il disco stesso) e cosa cambiare.\n"
      "\n"
      "  --json   un documento JSON: {\"disc\", \"items\", \"problems\": [{\"severity\", \"code\",\n"
      "           \"path\", \"message\"}]}, problemi in ordine di percorso\n"
      "  --full   decodifica le immagini a grandezza piena (più lento; di norma a 1/8, che legge\n"
      "           comunque tutti i dati e trova anche un'immagine troncata)\n"
      "  --help   questo aiuto\n"
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

bool WantsColour() {
  const char* term = std::getenv("TERM");
  return isatty(STDOUT_FILENO) == 1 && std::getenv("NO_COLOR") == nullptr && term != nullptr &&
         std::strcmp(term, "dumb") != 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool json = false;
  bool fullPictures = false;
  std::string disc;
  bool haveDisc = false;
  bool endOfOptions = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (!endOfOptions && (arg == "--help" || arg == "-h")) {
      Usage(stdout);
      return kClean;
    }
    if (!endOfOptions && arg == "--json") {
      json = true;
    } else if (!endOfOptions && arg == "--full") {
      fullPictures = true;
    } else if (!endOfOptions && arg == "--") {
      endOfOptions = true;
    } else if (!endOfOptions && arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "zolt-check: opzione sconosciuta: %s\n", arg.c_str());
      ShortUsage();
      return kNoDisc;
    } else if (haveDisc) {
      std::fprintf(stderr, "zolt-check: un disco alla volta (%s, %s)\n", disc.c_str(), arg.c_str());
      return kNoDisc;
    } else {
      disc = arg;
      haveDisc = true;
    }
  }
  if (!haveDisc) {
    std::fputs("zolt-check: manca la cartella del disco\n", stderr);
    ShortUsage();
    return kNoDisc;
  }

  zolt::check::UseOffscreenPlatform();
  int qtArgc = 1;
  QGuiApplication application(qtArgc, argv);
  zolt::check::CheckOptions options;
  if (fullPictures) options.pictureScale = 1;
  // A long check shows how far it has got, on a terminal only.
  const bool terminal = isatty(STDERR_FILENO) == 1;
  const auto start = std::chrono::steady_clock::now();
  auto shown = start;
  bool progressShown = false;
  if (terminal) {
    options.progress = [&](std::size_t folders) {
      const auto now = std::chrono::steady_clock::now();
      if (now - start < std::chrono::seconds(1) || now - shown < std::chrono::milliseconds(100)) return;
      shown = now;
      progressShown = true;
      std::fprintf(stderr, "\rzolt-check: %zu cartelle esaminate...", folders);
      std::fflush(stderr);
    };
  }
  const zolt::check::CheckResult result = zolt::check::CheckDisc(disc, options);
  if (progressShown) std::fputs("\r\033[K", stderr);

  if (result.status != zolt::check::CheckResult::Status::kChecked) {
    std::fprintf(stderr, "zolt-check: %s\n", result.failure.c_str());
    return kNoDisc;
  }
  if (json) {
    zolt::check::WriteJson(std::cout, disc, result);
  } else {
    zolt::check::WriteReport(std::cout, disc, result, WantsColour());
  }
  std::cout.flush();
  if (!std::cout) {
    std::fputs("zolt-check: impossibile scrivere il risultato\n", stderr);
    return kNoDisc;
  }
  return result.Count(zolt::check::Severity::kError) > 0 ? kErrors : kClean;
}
