// zolt-search [--archive] [--] DISCO PAROLA
//
// The search window's search without a window: prints the folder of each
// description that holds the word, one per line, relative to the disc with
// "/" between levels, each level decoded as the program shows it (UTF-8, else
// Windows-1252) and with its "_" characters, in the window's order. With
// --archive it then prints the archive lines the window would list, each
// after "archivio: ".
//
// Exit status: 0 when something was found, 1 when nothing was (an empty word
// or one with a line break matches nothing), 2 on a wrong command or a disc
// that cannot be read. Descriptions or an archive that cannot be read are
// said on standard error and change nothing else.

#include "disc/disctext.h"
#include "search/textmatch.h"
#include "search/textsearch.h"
#include "tools/common/commandline.h"
#include "tools/zolt-search/archive_module.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using zolt::tools::Complain;
using zolt::tools::Finish;

void Help(std::FILE* out) {
  std::fputs(
      "\n"
      "Stampa le cartelle sotto DISCO la cui descrizione (testo.txt) contiene PAROLA, come le\n"
      "trova la finestra di ricerca del disco; con --archive, poi le righe del foglio\n"
      "d'archivio (home/Archivio.xls) che la contengono, dopo \"archivio: \".\n"
      "\n"
      "  --archive   cerca anche nell'archivio\n"
      "  --          ciò che segue non è un'opzione (una parola che inizia con \"-\")\n"
      "  --help      questo aiuto\n"
      "  --version   la versione\n"
      "\n"
      "Stato di uscita: 0 trovato, 1 niente trovato, 2 comando sbagliato o disco illeggibile.\n",
      out);
}

const zolt::tools::Tool kTool{"zolt-search", "[--archive] [--] DISCO PAROLA",
                              {"la cartella del disco", "la parola"}, Help};

// The disc must be a folder that can be listed; what lies below it may be anything.
void RequireFolder(const std::string& root) {
  struct stat st {};
  const char* trouble = nullptr;
  if (root.empty() || ::stat(root.c_str(), &st) != 0) {
    trouble = std::strerror(root.empty() ? ENOENT : errno);
  } else if (!S_ISDIR(st.st_mode)) {
    trouble = "non è una cartella";
  } else if (DIR* dir = ::opendir(root.c_str())) {
    ::closedir(dir);
  } else {
    trouble = std::strerror(errno);
  }
  if (trouble == nullptr) return;
  Complain(kTool, "impossibile leggere il disco %s: %s", root.c_str(), trouble);
  Finish(kTool, zolt::tools::kTrouble);
}

// The archive module beside this program.
ZoltSearchArchiveFunction LoadArchiveModule(std::string& error) {
  std::string self(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size());
  std::string folder = n > 0 ? self.substr(0, static_cast<std::size_t>(n)) : std::string();
  folder = folder.substr(0, folder.rfind('/') + 1);
  const std::string path = folder + "zolt-search-archive.so";
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    error = ::dlerror();
    return nullptr;
  }
  auto* function = reinterpret_cast<ZoltSearchArchiveFunction>(::dlsym(module, "ZoltSearchArchive"));
  if (function == nullptr) error = path + ": non vi si trova la ricerca nell'archivio";
  return function;
}

void AppendArchiveLine(void* context, const char* text, std::size_t size) {
  std::string& out = *static_cast<std::string*>(context);
  out += "archivio: ";
  out.append(text, size);
  out += '\n';
}

// The folders whose description holds the word, printed; whether there was any.
bool PrintDescriptions(const std::string& root, std::string_view typed) {
  // The word as typed: UTF-8, or Windows-1252 from a terminal that is not.
  const zolt::search::TextMatcher matcher(zolt::disc::DecodeDiscName(typed));
  if (typed.empty()) {
    Complain(kTool, "la parola è vuota: non trova nulla");
  } else if (typed.find_first_of("\r\n") != std::string_view::npos) {
    Complain(kTool, "la parola contiene un a capo, che nessuna riga di un testo contiene: non trova nulla");
  }
  const zolt::search::FoundDescriptions found = zolt::search::FindDescriptions(root, matcher);
  std::string out;
  for (const std::string& folder : found.hits) {
    out += zolt::disc::DecodeDiscPath(folder);  // each level decoded, "_" kept
    out += '\n';
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (found.unreadable == 1) Complain(kTool, "1 descrizione non si legge");
  if (found.unreadable > 1) Complain(kTool, "%zu descrizioni non si leggono", found.unreadable);
  return !found.hits.empty();
}

// The archive lines that hold the word, printed; whether there was any.
bool PrintArchiveLines(const std::string& root, std::string_view typed) {
  std::string error;
  const ZoltSearchArchiveFunction lookup = LoadArchiveModule(error);
  if (lookup == nullptr) {
    Complain(kTool, "impossibile cercare nell'archivio: %s", error.c_str());
    Finish(kTool, zolt::tools::kTrouble);
  }
  std::string out;
  char message[512] = {};
  const std::string word = zolt::disc::DecodeDiscName(typed);
  if (lookup(root.c_str(), word.c_str(), AppendArchiveLine, &out, message, sizeof message) == 0)
    Complain(kTool, "l'archivio non si legge: %s", message);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return !out.empty();
}

}  // namespace

int main(int argc, char** argv) {
  bool archive = false;
  const std::vector<std::string> operands = zolt::tools::ParseCommandLine(kTool, {{"--archive", &archive}}, argc, argv);
  const std::string& root = operands[0];
  RequireFolder(root);
  bool any = PrintDescriptions(root, operands[1]);
  if (archive) any = PrintArchiveLines(root, operands[1]) || any;
  // The sheet model and the lists go with the process.
  Finish(kTool, any ? zolt::tools::kDone : zolt::tools::kNothing);
}
