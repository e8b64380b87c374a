// ElencaCartelle and CercaFile on generated trees, with find(1) and a plain
// std::filesystem walk over the same tree for comparison.

#include "disc/catalogue.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using zolt::catalogue::CercaFile;
using zolt::catalogue::ElencaCartelle;

// A temporary tree made once per run and removed at exit.
class Tree {
 public:
  Tree(const char* name, const std::function<void(const std::string&)>& fill) {
    std::string pattern = (fs::temp_directory_path() / (std::string(name) + "-XXXXXX")).string();
    root_ = mkdtemp(pattern.data());
    fill(root_);
  }
  ~Tree() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;
  const std::string& Root() const { return root_; }

 private:
  std::string root_;
};

void Touch(const fs::path& path) { std::ofstream(path) << "x"; }

// 1,000 catalogue folders, 200 other folders and 200 files in one folder.
const Tree& WideFolder() {
  static const Tree tree("zolt-bench-wide", [](const std::string& root) {
    for (int i = 0; i < 1000; ++i) fs::create_directory(root + "/Voce " + std::to_string(i) + "_");
    for (int i = 0; i < 200; ++i) fs::create_directory(root + "/altro_" + std::to_string(i) + "_");
    for (int i = 0; i < 200; ++i) Touch(root + "/file" + std::to_string(i) + ".txt");
  });
  return tree;
}

// A disc of 10 sections x 10 entries x 10 sub-entries x 10 folders: 10,000
// leaf folders (11,110 in all), each with five files, one of them a program.
const Tree& DiscTree() {
  static const Tree tree("zolt-bench-disc", [](const std::string& root) {
    const char* files[] = {"testo.txt", "img.jpg", "banner.gif", "setup.txt", "gioco.exe"};
    for (int a = 0; a < 10; ++a) {
      for (int b = 0; b < 10; ++b) {
        for (int c = 0; c < 10; ++c) {
          for (int d = 0; d < 10; ++d) {
            const fs::path leaf = fs::path(root) / ("S" + std::to_string(a) + "_") /
                                  ("E" + std::to_string(b) + "_") / ("V" + std::to_string(c) + "_") /
                                  ("bin" + std::to_string(d));
            fs::create_directories(leaf);
            for (const char* file : files) Touch(leaf / file);
          }
        }
      }
    }
  });
  return tree;
}

void BM_ElencaCartelle1000(benchmark::State& state) {
  const std::string folder = WideFolder().Root() + "/";
  std::vector<std::string> names;
  for (auto _ : state) {
    ElencaCartelle(folder, names);
    benchmark::DoNotOptimize(names.data());
  }
  state.counters["listed"] = static_cast<double>(names.size());
}
BENCHMARK(BM_ElencaCartelle1000)->Unit(benchmark::kMicrosecond);

void BM_CercaFileExe(benchmark::State& state) {
  const std::string mask = DiscTree().Root() + "/*.exe";
  std::size_t found = 0;
  for (auto _ : state) {
    auto list = CercaFile(mask, zolt::catalogue::kAttrArchive);
    found = list->size();
    benchmark::DoNotOptimize(list.get());
  }
  state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_CercaFileExe)->Unit(benchmark::kMillisecond);

// The same search as a plain std::filesystem walk (unsorted, no link
// checks), for comparison of the traversal cost.
void BM_FilesystemWalkExe(benchmark::State& state) {
  const std::string root = DiscTree().Root();
  std::size_t found = 0;
  for (auto _ : state) {
    std::vector<std::string> list;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      const std::string name = entry.path().filename().string();
      if (entry.is_regular_file() && name.size() >= 4 && name.compare(name.size() - 4, 4, ".exe") == 0) {
        list.push_back(entry.path().string());
      }
    }
    found = list.size();
    benchmark::DoNotOptimize(list.data());
  }
  state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_FilesystemWalkExe)->Unit(benchmark::kMillisecond);

// find DIR -type f -iname '*.exe', output discarded, process start included.
void BM_FindExe(benchmark::State& state) {
  const std::string root = DiscTree().Root();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> args = {"find", root, "-type", "f", "-iname", "*.exe"};
  std::vector<char*> argv;
  for (auto& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  for (auto _ : state) {
    pid_t pid = 0;
    if (posix_spawnp(&pid, "find", &actions, nullptr, argv.data(), environ) != 0) {
      state.SkipWithError("cannot start find");
      break;
    }
    int status = 0;
    waitpid(pid, &status, 0);
  }
  posix_spawn_file_actions_destroy(&actions);
}
BENCHMARK(BM_FindExe)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
