// The author's tools speak alike: the same usage line ("Uso: TOOL ..."),
// --help and --version with status 0, and the same exit statuses.

#pragma once

#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace zolt::tools {

// The exit statuses of every tool.
enum Status : int {
  kDone = 0,     // done: something found, no error
  kNothing = 1,  // nothing found, or errors found
  kTrouble = 2,  // a wrong command, or an input that cannot be read or is not what the tool reads
};

struct Tool {
  const char* name;                     // "zolt-check"
  const char* synopsis;                 // what follows the name in the usage line
  std::vector<const char*> operands;    // what each operand is, said when it is missing
  void (*help)(std::FILE* out);         // what --help prints after the usage line
};

// An option without a value, "--json", and where to note that it was given.
struct Flag {
  std::string_view name;
  bool* given;
};

// The operands of the command line, after setting the flags it names. Options
// may stand anywhere before "--". --help (-h) and --version end the program
// with status 0; an unknown option or a wrong number of operands ends it with
// status 2, saying which on standard error with the usage line.
std::vector<std::string> ParseCommandLine(const Tool& tool, std::initializer_list<Flag> flags, int argc,
                                          char** argv);

// "TOOL: message" on standard error.
void Complain(const Tool& tool, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Flushes standard output and ends the process with the status, or with
// kTrouble when the output could not be written. Nothing is destroyed: the
// operating system takes back large models faster than their destructors.
[[noreturn]] void Finish(const Tool& tool, int status);

}  // namespace zolt::tools
