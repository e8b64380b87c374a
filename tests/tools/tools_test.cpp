// The author's tools speak alike: their usage lines, --help, --version and
// exit statuses (0 done, 1 nothing found or errors, 2 a wrong command or an
// input that is not what the tool reads), each message on the right stream.

#include "runtool.h"
#include "workbook.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using zolt::testing::Outcome;
using zolt::testing::Spawn;

TEST(Tools, SpeakAlike) {
  const fs::path scratch = fs::temp_directory_path() / ("zolt-tools-" + std::to_string(getpid()));
  const fs::path empty = scratch / "vuota";
  fs::create_directories(empty);
  const std::string text = (scratch / "testo.txt").string();
  const std::string book = (scratch / "a.xls").string();
  const std::string blank = (scratch / "vuoto.xls").string();
  std::ofstream(text) << "non un foglio";
  std::ofstream(book, std::ios::binary) << zolt::searchtest::Workbook({{"Storia", "una parola", ""}});
  std::ofstream(blank, std::ios::binary) << zolt::searchtest::Workbook({});
  struct Case {
    const char* program;
    std::vector<std::string> args;
    int status;
    std::string out;  // the start of standard output; " ..." after the tool's name
    std::string err;  // a part of standard error, or "" for none at all
  };
  const Case common[] = {
      {"", {"--help"}, 0, "Uso: ", ""},
      {"", {"--version"}, 0, std::string(" ") + ZOLT_VERSION + "\n", ""},
      {"", {"--bogus"}, 2, "", "opzione sconosciuta: --bogus\nUso: "},
      {"", {}, 2, "", "manca "},
  };
  const Case own[] = {
      {ZOLT_CHECK_PROGRAM, {empty.string()}, 2, "", "zolt-check: "},
      {ZOLT_CHECK_PROGRAM, {text}, 2, "", "zolt-check: "},
      {ZOLT_CHECK_PROGRAM, {empty.string(), text}, 2, "", "un argomento di troppo: "},
      {ZOLT_SEARCH_PROGRAM, {scratch.string(), "parola"}, 1, "", ""},
      {ZOLT_SEARCH_PROGRAM, {text, "parola"}, 2, "", "non è una cartella"},
      {XLSDUMP_PROGRAM, {book}, 0, "{\"version\":", ""},
      {XLSDUMP_PROGRAM, {blank}, 1, "{\"version\":", ""},
      {XLSDUMP_PROGRAM, {text}, 2, "{\"error\":", "xlsdump: impossibile leggere "},
      {XLSDUMP_PROGRAM, {empty.string()}, 2, "{\"error\":", "xlsdump: impossibile leggere "},
  };
  std::vector<std::vector<std::string>> commands;
  std::vector<const Case*> expected;
  for (const char* program : {ZOLT_CHECK_PROGRAM, ZOLT_SEARCH_PROGRAM, XLSDUMP_PROGRAM}) {
    for (const auto& c : common) {
      commands.push_back({program});
      commands.back().insert(commands.back().end(), c.args.begin(), c.args.end());
      expected.push_back(&c);
    }
  }
  for (const auto& c : own) {
    commands.push_back({c.program});
    commands.back().insert(commands.back().end(), c.args.begin(), c.args.end());
    expected.push_back(&c);
  }
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const std::string name = fs::path(commands[i][0]).filename().string();
    const std::string what = name + (commands[i].size() > 1 ? " " + commands[i][1] : "");
    const Outcome run = Spawn(commands[i], scratch);
    const auto& want = *expected[i];
    EXPECT_EQ(run.status, want.status) << what << "\n" << run.err;
    // The usage line and the version name the tool itself.
    const std::string out = want.out.starts_with(' ') ? name + want.out : want.out;
    EXPECT_TRUE(run.out.starts_with(out)) << what << ": " << run.out;
    if (want.err.empty()) {
      EXPECT_EQ(run.err, "") << what;
    } else {
      EXPECT_NE(run.err.find(want.err), std::string::npos) << what << ": " << run.err;
      EXPECT_TRUE(run.err.starts_with(name + ": ")) << what << ": " << run.err;
    }
    if (want.status == 2 && want.out.empty()) {
      EXPECT_EQ(run.out, "") << what;
    }
  }
  std::error_code ignored;
  fs::remove_all(scratch, ignored);
}

}  // namespace
