#include "tools/common/commandline.h"

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace zolt::tools {

namespace {

[[noreturn]] void WrongCommand(const Tool& tool, const std::string& what) {
  std::fprintf(stderr, "%s: %s\nUso: %s %s   (%s --help per l'aiuto)\n", tool.name, what.c_str(), tool.name,
               tool.synopsis, tool.name);
  std::exit(kTrouble);
}

[[noreturn]] void Help(const Tool& tool) {
  std::fprintf(stdout, "Uso: %s %s\n", tool.name, tool.synopsis);
  tool.help(stdout);
  Finish(tool, kDone);
}

}  // namespace

std::vector<std::string> ParseCommandLine(const Tool& tool, std::initializer_list<Flag> flags, int argc,
                                          char** argv) {
  std::vector<std::string> operands;
  bool endOfOptions = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (endOfOptions || arg.size() < 2 || arg.front() != '-') {
      operands.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      endOfOptions = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") Help(tool);
    if (arg == "--version") {
      std::fprintf(stdout, "%s %s\n", tool.name, ZOLT_VERSION);
      Finish(tool, kDone);
    }
    bool known = false;
    for (const Flag& flag : flags) {
      if (arg == flag.name) *flag.given = known = true;
    }
    if (!known) WrongCommand(tool, "opzione sconosciuta: " + std::string(arg));
  }
  if (operands.size() < tool.operands.size())
    WrongCommand(tool, std::string("manca ") + tool.operands[operands.size()]);
  if (operands.size() > tool.operands.size())
    WrongCommand(tool, "un argomento di troppo: " + operands[tool.operands.size()]);
  return operands;
}

void Complain(const Tool& tool, const char* format, ...) {
  std::fprintf(stderr, "%s: ", tool.name);
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(stderr, format, arguments);
  va_end(arguments);
  std::fputc('\n', stderr);
}

void Finish(const Tool& tool, int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    Complain(tool, "impossibile scrivere il risultato: %s", std::strerror(errno));
    status = kTrouble;
  }
  std::_Exit(status);
}

}  // namespace zolt::tools
