// zolt-search [--archive] [--] DISC WORD
//
// The search window's search without a window: prints the folder of each
// description that holds WORD, one per line, relative to DISC with "/"
// between levels, each level decoded as the program shows it (UTF-8, else
// Windows-1252) and with its "_" characters, in the window's order. With
// --archive it then prints the archive lines the window would list, each
// after "archivio: ".
//
// Exit status: 0 when something was found, 1 when nothing was (an empty word
// or one with a line break matches nothing), 2 on a bad argument or a disc
// that cannot be read. Descriptions or an archive that cannot be read are
// said on standard error and change nothing else.

#include "disc/disctext.h"
#include "search/textmatch.h"
#include "search/textsearch.h"
#include "tools/zolt-search/archive_module.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kUsage =
    "usage: zolt-search [--archive] [--] DISC WORD\n"
    "Prints the folders below DISC whose description (testo.txt) holds WORD,\n"
    "as the disc's search window finds them; with --archive, then the lines of\n"
    "the archive workbook (home/Archivio.xls) that hold it, after \"archivio: \".\n"
    "Exit status: 0 found, 1 nothing found, 2 bad argument or unreadable disc.\n";

enum Status { kFound = 0, kNothing = 1, kTrouble = 2 };

[[noreturn]] void Finish(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fprintf(stderr, "zolt-search: cannot write the results: %s\n", std::strerror(errno));
    status = kTrouble;
  }
  // The sheet model and the lists go with the process.
  std::_Exit(status);
}

[[noreturn]] void BadArgument(const char* message) {
  std::fprintf(stderr, "zolt-search: %s\n%s", message, kUsage);
  Finish(kTrouble);
}

// The hit's folder with each level decoded, "_" kept, "/" between levels.
std::string ShownFolder(std::string_view folder) {
  std::string shown;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = folder.find('/', start);
    shown += zolt::search::DisplayName(folder.substr(start, slash - start), false);
    if (slash == std::string_view::npos) break;
    shown += '/';
    start = slash + 1;
  }
  return shown;
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
  if (function == nullptr) error = path + ": no archive lookup in it";
  return function;
}

void AppendArchiveLine(void* context, const char* text, std::size_t size) {
  std::string& out = *static_cast<std::string*>(context);
  out += "archivio: ";
  out.append(text, size);
  out += '\n';
}

}  // namespace

int main(int argc, char** argv) {
  bool archive = false;
  int first = 1;
  for (; first < argc; ++first) {
    const std::string_view arg = argv[first];
    if (arg == "--") {
      ++first;
      break;
    }
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      Finish(kFound);
    }
    if (arg == "--archive") {
      archive = true;
      continue;
    }
    if (arg.size() > 1 && arg.front() == '-') BadArgument(("unknown option " + std::string(arg)).c_str());
    break;
  }
  if (argc - first != 2) BadArgument("a disc folder and a word are needed");
  const std::string root = argv[first];
  const std::string_view typed = argv[first + 1];

  // The disc must be a folder that can be listed; what lies below it may be anything.
  struct stat st {};
  if (root.empty() || ::stat(root.c_str(), &st) != 0) {
    std::fprintf(stderr, "zolt-search: cannot read the disc %s: %s\n", root.c_str(),
                 std::strerror(root.empty() ? ENOENT : errno));
    Finish(kTrouble);
  }
  if (!S_ISDIR(st.st_mode)) {
    std::fprintf(stderr, "zolt-search: cannot read the disc %s: not a folder\n", root.c_str());
    Finish(kTrouble);
  }
  if (DIR* dir = ::opendir(root.c_str())) {
    ::closedir(dir);
  } else {
    std::fprintf(stderr, "zolt-search: cannot read the disc %s: %s\n", root.c_str(), std::strerror(errno));
    Finish(kTrouble);
  }

  // The word as typed: UTF-8, or Windows-1252 from a terminal that is not.
  const zolt::search::TextMatcher matcher(zolt::disc::DecodeDiscName(typed));
  if (typed.empty()) {
    std::fputs("zolt-search: the word is empty: nothing matches\n", stderr);
  } else if (typed.find_first_of("\r\n") != std::string_view::npos) {
    std::fputs("zolt-search: the word holds a line break, which no line of a text can: nothing matches\n",
               stderr);
  }

  const zolt::search::FoundDescriptions found = zolt::search::FindDescriptions(root, matcher);
  std::string out;
  for (const std::string& folder : found.hits) {
    out += ShownFolder(folder);
    out += '\n';
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (found.unreadable > 0) {
    std::fprintf(stderr, "zolt-search: %zu description%s could not be read\n", found.unreadable,
                 found.unreadable == 1 ? "" : "s");
  }
  bool any = !found.hits.empty();

  if (archive) {
    std::string error;
    const ZoltSearchArchiveFunction lookup = LoadArchiveModule(error);
    if (lookup == nullptr) {
      std::fprintf(stderr, "zolt-search: the archive cannot be searched: %s\n", error.c_str());
      Finish(kTrouble);
    }
    out.clear();
    char message[512] = {};
    const std::string word = zolt::disc::DecodeDiscName(typed);
    if (lookup(root.c_str(), word.c_str(), AppendArchiveLine, &out, message, sizeof message) == 0)
      std::fprintf(stderr, "zolt-search: the archive cannot be read: %s\n", message);
    std::fwrite(out.data(), 1, out.size(), stdout);
    any = any || !out.empty();
  }
  Finish(any ? kFound : kNothing);
}
