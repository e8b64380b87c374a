// The search window's work on the benchmark disc and archive:
//  - the full-text search of every description, next to rg -li and grep -rli
//    on the same tree and to reading the descriptions without matching;
//  - the archive lookup, the 2,000-row workbook reloaded on every search;
//  - the hit list filled with 2,000 hits.
// The disc and the workbook are built under /tmp on first use (see
// ../shared/bench/make_disc.py and bench/search/make_archive.py).

#include "searchwindow/searchtext.h"
#include "search/archive.h"
#include "searchwindow/fricerca.h"
#include "search/textsearch.h"
#include "spreadsheet/msexcel.h"

#include <QApplication>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

const char* const kPresentWord = "ornitorinco";  // planted in 1% of the descriptions
const char* const kAbsentWord = "xilofono";      // in none

std::string FromEnv(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

int Run(const std::vector<std::string>& args, bool quiet) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quiet) posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int status = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return status;
}

// The synthetic disc: 2,292 descriptions, 8.3 MB.
const std::string& Disc() {
  static const std::string root = [] {
    const std::string dir = FromEnv("ZOLT_BENCH_DISC", "/tmp/zolt-bench-disc");
    if (!fs::exists(fs::path(dir) / "Home"))
      Run({"python3", std::string(ZOLT_SHARED_DIR) + "/bench/make_disc.py", dir}, false);
    return dir + "/";
  }();
  return root;
}

// A disc root whose "home/Archivio.xls" is the 2,000-row workbook.
const std::string& ArchiveRoot() {
  static const std::string root = [] {
    const std::string dir = FromEnv("ZOLT_BENCH_ARCHIVE", "/tmp/zolt-bench-archive");
    const fs::path book = fs::path(dir) / "home" / "Archivio.xls";
    if (!fs::exists(book)) {
      fs::create_directories(book.parent_path());
      Run({"/usr/bin/python3", std::string(ZOLT_BENCH_SCRIPTS) + "/make_archive.py", book.string()}, false);
    }
    return dir + "/";
  }();
  return root;
}

void SearchWord(benchmark::State& state, const char* word) {
  const QString typed = QString::fromUtf8(word);
  std::size_t hits = 0;
  for (auto _ : state) {
    const zolt::search::TextSearchResult result = zolt::search::SearchDescriptions(Disc(), typed);
    hits = result.hits.size();
    benchmark::DoNotOptimize(result.hits.data());
  }
  state.counters["hits"] = static_cast<double>(hits);
}

void BM_SearchPresentWord(benchmark::State& state) { SearchWord(state, kPresentWord); }
void BM_SearchAbsentWord(benchmark::State& state) { SearchWord(state, kAbsentWord); }
// A word with an accented letter: each line's encoding then counts.
void BM_SearchAccentedWord(benchmark::State& state) { SearchWord(state, "perchè"); }

// The same walk through the reader the search uses, every description read
// whole for a word none holds, without the search's result list: the floor.
void BM_ReadDescriptionsOnly(benchmark::State& state) {
  const zolt::search::TextMatcher absent{std::string_view(kAbsentWord)};
  std::size_t read = 0;
  for (auto _ : state) {
    read = 0;
    zolt::search::DescriptionReader reader(Disc());
    for (const std::string& candidate : zolt::search::ListCandidates(Disc()))
      read += reader.Match(Disc() + candidate, absent) != zolt::search::DescriptionResult::kMissing;
  }
  state.counters["descriptions"] = static_cast<double>(read);
}

// The candidate list alone.
void BM_ListCandidates(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(zolt::search::ListCandidates(Disc()).size());
}

// rg -li WORD DISC and grep -rli WORD DISC, output discarded, process start included.
void BM_RipgrepPresentWord(benchmark::State& state) {
  for (auto _ : state)
    if (Run({"rg", "-li", kPresentWord, Disc()}, true) < 0) state.SkipWithError("cannot start rg");
}
void BM_GrepPresentWord(benchmark::State& state) {
  for (auto _ : state) Run({"grep", "-rli", kPresentWord, Disc()}, true);
}

// The archive half of a search: reload, column lists, matching through to column C.
void BM_ArchiveSearch(benchmark::State& state) {
  zolt::TMSExcel reader;
  const QString word = QString::fromUtf8(kPresentWord);
  std::size_t lines = 0;
  for (auto _ : state) {
    const zolt::search::ArchiveResult result = zolt::search::SearchArchive(reader, ArchiveRoot(), word);
    if (!result.loaded) state.SkipWithError(result.error.c_str());
    lines = result.lines.size();
  }
  state.counters["rows"] = static_cast<double>(reader.Sheets().Count() ? reader.Sheets().Sheet(0).Cells().RowCount : 0);
  state.counters["lines"] = static_cast<double>(lines);
}

std::vector<zolt::search::SearchHit> ManyHits(int count) {
  std::vector<zolt::search::SearchHit> hits;
  for (int i = 0; i < count; ++i)
    hits.push_back(zolt::search::MakeHit("Sezione_" + std::to_string(i % 12) + "_/Voce_" + std::to_string(i) +
                                         "_/Sotto_voce_" + std::to_string(i % 7) + "_"));
  return hits;
}

// 2,000 rows into the hit list; with ":painted" the window is also drawn, so
// the "Sezione" column is sized to its texts.
void FillHitList(benchmark::State& state, bool painted) {
  TFRicerca window(nullptr);
  window.show();
  const std::vector<zolt::search::SearchHit> hits = ManyHits(2000);
  for (auto _ : state) {
    window.MostraRisultati(hits);
    if (painted) benchmark::DoNotOptimize(window.grab());
  }
  state.counters["rows"] = window.ListView1->topLevelItemCount();
}
void BM_FillHitList(benchmark::State& state) { FillHitList(state, false); }
void BM_FillHitListPainted(benchmark::State& state) { FillHitList(state, true); }

}  // namespace

BENCHMARK(BM_SearchPresentWord)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_RipgrepPresentWord)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_GrepPresentWord)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ReadDescriptionsOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SearchAbsentWord)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SearchAccentedWord)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ListCandidates)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArchiveSearch)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_FillHitList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillHitListPainted)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // Built before the clock starts.
  Disc();
  ArchiveRoot();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
