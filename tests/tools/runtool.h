#pragma once
// A tool run as a whole process: its exit status and what it wrote on each
// stream, caught in files below a scratch folder.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace zolt::testing {

struct Outcome {
  int status = -1;  // -1 when it did not start or did not exit by itself
  std::string out;
  std::string err;
};

inline std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs `all` (the program, then its arguments).
inline Outcome Spawn(std::vector<std::string> all, const std::filesystem::path& scratch) {
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const std::filesystem::path out = scratch / "out.txt";
  const std::filesystem::path err = scratch / "err.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  Outcome run;
  pid_t pid = 0;
  int raw = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 && waitpid(pid, &raw, 0) == pid &&
      WIFEXITED(raw))
    run.status = WEXITSTATUS(raw);
  posix_spawn_file_actions_destroy(&actions);
  run.out = Slurp(out);
  run.err = Slurp(err);
  return run;
}

}  // namespace zolt::testing
