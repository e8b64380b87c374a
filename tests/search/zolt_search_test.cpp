// zolt-search as a whole process on small discs: what it prints, on which
// stream, and its exit status.

#include "runtool.h"
#include "workbook.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using zolt::testing::Outcome;

Outcome ZoltSearch(const std::vector<std::string>& args, const fs::path& scratch) {
  std::vector<std::string> all{ZOLT_SEARCH_PROGRAM};
  all.insert(all.end(), args.begin(), args.end());
  return zolt::testing::Spawn(std::move(all), scratch);
}

class ZoltSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = fs::temp_directory_path() / ("zolt-search-cli-" + std::to_string(getpid()));
    disc_ = scratch_ / "disc";
    fs::create_directories(disc_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(scratch_, ignored);
  }
  void Text(const std::string& folder, const std::string& content) {
    fs::create_directories(disc_ / folder);
    std::ofstream(disc_ / folder / "testo.txt", std::ios::binary) << content;
  }
  fs::path scratch_;
  fs::path disc_;
};

TEST_F(ZoltSearchTest, PrintsWhatTheWindowListsWithItsStatus) {
  Text("B_", "una parola qui");
  Text("A_/Caff\xE8_", "{\\rtf1 PAROLA}");  // a Windows-1252 folder name
  Text("A_/Home", "parola");                  // a section's Home: never searched
  Text("A_/Casa_", "-parola");
  Text("C_", "altro");
  ASSERT_EQ(mkfifo((disc_ / "C_" / "x_").c_str(), 0600), 0);  // not a folder, and never opened
  fs::create_directories(disc_ / "home");
  std::ofstream(disc_ / "home" / "Archivio.xls", std::ios::binary)
      << zolt::searchtest::Workbook({{"Storia", "una parola", "x"}, {"Altro", "niente", "parola"}});
  fs::create_directory_symlink(".", disc_ / "C_" / "Giro_");  // a loop of folders
  const std::string disc = disc_.string();
  const std::string hits = "B_\nA_/Caffè_\nA_/Casa_\n";  // level 1 first
  const struct {
    const char* what;
    std::vector<std::string> args;
    int status;
    std::string out;
    const char* err;  // a part of standard error, or "" for none at all
  } cases[] = {
      {"hits in the window's order", {disc, "parola"}, 0, hits, ""},
      {"archive lines after the hits", {"--archive", disc, "parola"}, 0,
       hits + "archivio: Storia        una parola\n", ""},
      {"nothing found", {disc, "assente"}, 1, "", ""},
      {"a word like an option after --", {"--", disc, "-parola"}, 0, "A_/Casa_\n", ""},
      {"an empty word", {disc, ""}, 1, "", "vuota"},
      {"a word with a line break", {disc, "una\nparola"}, 1, "", "a capo"},
      {"a missing disc", {disc + "/manca", "parola"}, 2, "", "impossibile leggere il disco"},
      {"a disc that is a file", {disc + "/B_/testo.txt", "parola"}, 2, "", "non è una cartella"},
      {"an unknown option", {"--tutto", disc, "parola"}, 2, "", "opzione sconosciuta: --tutto"},
      {"a word missing", {disc}, 2, "", "Uso: zolt-search"},
      {"no archive on the disc", {"--archive", disc + "/A_", "parola"}, 0, "Caffè_\nCasa_\nHome\n",
       "l'archivio non si legge: File is not exists."},
  };
  for (const auto& c : cases) {
    const auto start = std::chrono::steady_clock::now();
    const Outcome run = ZoltSearch(c.args, scratch_);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << c.what;
    EXPECT_EQ(run.status, c.status) << c.what << "\n" << run.err;
    EXPECT_EQ(run.out, c.out) << c.what;
    if (*c.err == '\0') {
      EXPECT_EQ(run.err, "") << c.what;
    } else {
      EXPECT_NE(run.err.find(c.err), std::string::npos) << c.what << ": " << run.err;
    }
  }
}

TEST_F(ZoltSearchTest, UnreadableDescriptionsAreSaidAndChangeNothingElse) {
  Text("A_", "parola");
  fs::create_directories(disc_ / "B_");
  ASSERT_EQ(mkfifo((disc_ / "B_" / "testo.txt").c_str(), 0600), 0);  // nobody ever writes to it
  // Over the page's limit by its size (16 GB, sparse): not read through.
  Text("C_", "parola");
  fs::resize_file(disc_ / "C_" / "testo.txt", 16ULL << 30);
  // A link to a file of the kernel's that says it is empty and reads without
  // end lies off the disc: never opened, so not counted either.
  fs::create_directories(disc_ / "D_");
  fs::create_symlink("/proc/self/pagemap", disc_ / "D_" / "testo.txt");
  const Outcome run = ZoltSearch({disc_.string(), "parola"}, scratch_);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "A_\n");
  const std::string said = std::string("2 descrizioni non si leggono");
  EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
}

}  // namespace
