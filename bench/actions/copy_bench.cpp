// A whole item of 2,000 files and 500 MB copied into an empty folder: through
// the desktop shell's folder copy with its progress dialog on screen, and with
// cp -r, in the same run on the same files. The files live in a temporary
// folder (ZOLT_BENCH_DIR, else the system's) removed at the end.

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/shell.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 2000;
constexpr std::uint64_t kTotalBytes = 500ull << 20;

fs::path g_source;
fs::path g_work;

// 2,000 files of uneven sizes (a few big archives, many small ones) in a
// tree of 20 folders, adding up to 500 MB.
void MakeItem(const fs::path& source) {
  std::mt19937_64 random(42);
  std::vector<double> weights(kFiles);
  double sum = 0;
  for (double& w : weights) {
    const double u = std::uniform_real_distribution<double>(0, 1)(random);
    w = u < 0.01 ? 400.0 : u < 0.2 ? 20.0 : 1.0;
    sum += w;
  }
  std::string block(1 << 20, '\0');
  for (char& c : block) c = static_cast<char>(random());
  std::uint64_t written = 0;
  for (int i = 0; i < kFiles; ++i) {
    std::uint64_t size = static_cast<std::uint64_t>(weights[static_cast<std::size_t>(i)] / sum *
                                                    static_cast<double>(kTotalBytes));
    if (i == kFiles - 1) size = kTotalBytes - written;
    const fs::path folder = source / ("cartella" + std::to_string(i % 20));
    fs::create_directories(folder);
    std::ofstream out(folder / ("file" + std::to_string(i) + ".dat"), std::ios::binary);
    for (std::uint64_t left = size; left > 0;) {
      const auto n = static_cast<std::streamsize>(std::min<std::uint64_t>(left, block.size()));
      out.write(block.data(), n);
      left -= static_cast<std::uint64_t>(n);
    }
    written += size;
  }
}

// User plus system time of this process or of its finished children, in seconds.
double CpuSeconds(int who) {
  struct rusage usage {};
  getrusage(who, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void ClearDestination(const fs::path& destination) {
  fs::remove_all(destination);
  std::system("sync");
}

void BM_ShellCopyFolder(benchmark::State& state) {
  const fs::path destination = g_work / "shell";
  double cpu = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ClearDestination(destination);
    cpu -= CpuSeconds(RUSAGE_SELF);
    state.ResumeTiming();
    const auto outcome = zolt::platform::CurrentShell().CopyFolder(
        g_source.string(), (destination / "Titolo").string(), nullptr, {});
    if (outcome.result != zolt::platform::CopyOutcome::Result::Completed) {
      state.SkipWithError(outcome.error.c_str());
      break;  // timing cannot be paused again after an error
    }
    cpu += CpuSeconds(RUSAGE_SELF);
  }
  state.counters["cpu_s"] = cpu / static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTotalBytes));
  fs::remove_all(destination);
}

void BM_CpRecursive(benchmark::State& state) {
  const fs::path destination = g_work / "cp";
  double cpu = 0;
  const std::string command =
      "cp -r '" + g_source.string() + "' '" + (destination / "Titolo").string() + "'";
  for (auto _ : state) {
    state.PauseTiming();
    ClearDestination(destination);
    fs::create_directories(destination);
    cpu -= CpuSeconds(RUSAGE_CHILDREN);
    state.ResumeTiming();
    if (std::system(command.c_str()) != 0) state.SkipWithError("cp -r failed");
    cpu += CpuSeconds(RUSAGE_CHILDREN);
  }
  state.counters["cpu_s"] = cpu / static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTotalBytes));
  fs::remove_all(destination);
}

// Alternated so neither always runs first. cpu_s (the copier's own processor
// time, "sh" and "cp" for cp -r) is the steadier figure on a busy machine.
BENCHMARK(BM_ShellCopyFolder)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CpRecursive)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ShellCopyFolder)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_CpRecursive)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const char* base = std::getenv("ZOLT_BENCH_DIR");
  QTemporaryDir work(base ? QString::fromLocal8Bit(base) + QStringLiteral("/zolt-bench-XXXXXX")
                          : QDir::tempPath() + QStringLiteral("/zolt-bench-XXXXXX"));
  if (!work.isValid()) return 1;
  g_work = work.path().toStdString();
  g_source = g_work / "Doom_";
  MakeItem(g_source);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;  // QTemporaryDir removes the 500 MB on the way out
}
