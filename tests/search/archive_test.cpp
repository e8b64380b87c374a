// The archive lookup on sheet models built by hand: the column lists, the
// A-then-B-then-C rule and the result lines.

#include "search/archive.h"

#include "app/catalogue.h"
#include "spreadsheet/msexcel.h"
#include "spreadsheet/spreadsheet.h"
#include "workbook.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace zolt::search {
namespace {

using Lines = std::vector<std::string>;

void Put(TSpreadSheets& sheets, int sheet, int column, int row, const TCellValue& value) {
  sheets.Sheet(sheet).Cells().Store(column, row, value, TAlignment::taLeftJustify);
}

// One sheet whose rows are {A, B, C} texts.
TSpreadSheets Archive(const std::vector<Lines>& rows) {
  TSpreadSheets sheets;
  sheets.Sheet(0);
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < rows[r].size(); ++c)
      if (!rows[r][c].empty()) Put(sheets, 0, static_cast<int>(c), static_cast<int>(r), TCellValue(rows[r][c]));
  return sheets;
}

Lines Lookup(const TSpreadSheets& sheets, const char* word) {
  return MatchArchive(ReadArchiveColumns(sheets), TextMatcher(QString::fromUtf8(word)));
}

TEST(ArchiveLookup, ColumnAThenBThenC) {
  const TSpreadSheets sheets = Archive({
      {"Doom", "Id Software", "sparatutto"},
      {"Quake", "id", "DOOM engine"},
      {"Tetris", "Pajitnov", "puzzle, doom-free"},
      {"Heretic", "Raven", "doom"},
  });
  // "doom" is in column A of row 0 and in column B of none: only A counts.
  EXPECT_EQ(Lookup(sheets, "DOOM"), (Lines{"Doom        Id Software"}));
  // Column B only when no A matches: "id" is in A of no row ("Id" of row 0 is B).
  EXPECT_EQ(Lookup(sheets, "id"), (Lines{"Doom        Id Software", "Quake        id"}));
  // Column C only when neither A nor B matches; each row shows its A and B.
  EXPECT_EQ(Lookup(sheets, "engine"), (Lines{"Quake        id"}));
  EXPECT_EQ(Lookup(sheets, "puzzle"), (Lines{"Tetris        Pajitnov"}));
  EXPECT_EQ(Lookup(sheets, "ware"), (Lines{"Doom        Id Software"}));
  EXPECT_EQ(Lookup(sheets, "tutto"), (Lines{"Doom        Id Software"}));
  EXPECT_TRUE(Lookup(sheets, "assente").empty());
  EXPECT_TRUE(Lookup(sheets, "").empty());
}

TEST(ArchiveLookup, WordFoundOnlyInColumnCListsEveryRow) {
  const TSpreadSheets sheets = Archive({
      {"Uno", "", "gioco di CARTE"},
      {"Due", "x", "niente"},
      {"", "Tre", "carte da poker"},
  });
  EXPECT_EQ(Lookup(sheets, "carte"), (Lines{"Uno        ", "        Tre"}));
}

TEST(ArchiveLookup, CellTextsAsShownAndLettersBeyondAsciiAsStored) {
  TSpreadSheets sheets;
  Put(sheets, 0, 0, 0, TCellValue(std::uint32_t{1998}));
  Put(sheets, 0, 1, 0, TCellValue(true));
  Put(sheets, 0, 0, 1, TCellValue(1.5));
  Put(sheets, 0, 1, 1, TCellValue("Citt\xC3\xA0"));
  Put(sheets, 0, 2, 1, TCellValue("perch\xC3\xA8"));
  const ArchiveColumns columns = ReadArchiveColumns(sheets);
  EXPECT_EQ(columns.a, (Lines{"1998", "1.5"}));
  EXPECT_EQ(columns.b, (Lines{"True", "Citt\xC3\xA0"}));
  EXPECT_EQ(columns.c, (Lines{"", "perch\xC3\xA8"}));
  EXPECT_EQ(Lookup(sheets, "199"), (Lines{"1998        True"}));
  EXPECT_EQ(Lookup(sheets, "true"), (Lines{"1998        True"}));
  EXPECT_EQ(Lookup(sheets, "città"), (Lines{"1.5        Citt\xC3\xA0"}));
  EXPECT_TRUE(Lookup(sheets, "CITTÀ").empty());
  EXPECT_EQ(Lookup(sheets, "PERCHè"), (Lines{"1.5        Citt\xC3\xA0"}));
}

TEST(ArchiveLookup, RowsComeFromTheFirstSheetWithItsOwnRowCount) {
  // Empty rows inside the sheet still give one (empty) entry per list.
  TSpreadSheets longFirst;
  Put(longFirst, 0, 0, 0, TCellValue("a0"));
  Put(longFirst, 0, 2, 9, TCellValue("c9 parola"));
  Put(longFirst, 1, 0, 1, TCellValue("other sheet parola"));
  const ArchiveColumns columns = ReadArchiveColumns(longFirst);
  EXPECT_EQ(columns.a.size(), 10u);
  EXPECT_EQ(columns.b.size(), 10u);
  EXPECT_EQ(columns.c.size(), 10u);
  EXPECT_EQ(columns.c[9], "c9 parola");
  // A shorter later sheet does not cut the first sheet's rows, and its own
  // texts are never searched.
  EXPECT_EQ(Lookup(longFirst, "parola"), (Lines{"        "}));

  TSpreadSheets shortFirst;
  Put(shortFirst, 0, 0, 0, TCellValue("a0"));
  Put(shortFirst, 1, 0, 20, TCellValue("far away"));
  EXPECT_EQ(ReadArchiveColumns(shortFirst).a, (Lines{"a0"}));
  EXPECT_TRUE(Lookup(shortFirst, "far").empty());
}

TEST(ArchiveLookup, NoRowsOrNoSheetGivesNothing) {
  TSpreadSheets none;
  EXPECT_TRUE(ReadArchiveColumns(none).a.empty());
  EXPECT_TRUE(Lookup(none, "x").empty());
  TSpreadSheets empty;
  empty.Sheet(0);
  EXPECT_TRUE(ReadArchiveColumns(empty).c.empty());
  EXPECT_TRUE(Lookup(empty, "x").empty());
  EXPECT_EQ(ArchiveLine("A", "B"), "A        B");
}

// The whole archive half of a search, through the workbook reader.
class ArchiveSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device seed;
    root_ = std::filesystem::temp_directory_path() /
            ("zolt-archive-" + std::to_string(getpid()) + "-" + std::to_string(seed()));
    std::filesystem::create_directories(root_);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  void Write(const std::string& relative, const std::string& bytes) {
    std::filesystem::create_directories((root_ / relative).parent_path());
    std::ofstream(root_ / relative, std::ios::binary) << bytes;
  }
  ArchiveResult Search(const char* word) { return SearchArchive(reader_, root_.string() + "/", QString::fromUtf8(word)); }

  std::filesystem::path root_;
  TMSExcel reader_;
};

TEST_F(ArchiveSearchTest, ReloadedOnEverySearchWithTheSameReader) {
  Write("home/Archivio.xls", searchtest::Workbook({{"Doom", "Id", "sparatutto"}, {"Quake", "Id", "sparatutto"}}));
  ArchiveResult first = Search("sparatutto");
  ASSERT_TRUE(first.loaded) << first.error;
  EXPECT_EQ(first.lines, (Lines{"Doom        Id", "Quake        Id"}));
  // A smaller workbook read by the same reader leaves nothing of the first.
  Write("home/Archivio.xls", searchtest::Workbook({{"Tetris", "Pajitnov", ""}}));
  const ArchiveResult second = Search("sparatutto");
  ASSERT_TRUE(second.loaded) << second.error;
  EXPECT_TRUE(second.lines.empty());
  EXPECT_EQ(second.columns.a, (Lines{"Tetris"}));
}

TEST_F(ArchiveSearchTest, FoundWithoutRegardToLetterCase) {
  Write("HOME/archivio.XLS", searchtest::Workbook({{"Doom", "Id", ""}}));
  EXPECT_EQ(ArchivePath(root_.string() + "/"), (root_ / "HOME/archivio.XLS").string());
  EXPECT_EQ(Search("doom").lines, (Lines{"Doom        Id"}));
}

TEST_F(ArchiveSearchTest, WorkbooksThatCannotBeReadEndQuietly) {
  const std::string good = searchtest::Workbook({{"Doom", "Id", ""}});
  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"not a workbook", "Questo non \xC3\xA8 un foglio di lavoro."},
      {"truncated", good.substr(0, good.size() - 7)},
      {"encrypted", searchtest::Workbook({{"Doom", "Id", ""}}, searchtest::Record(0x002F, std::string(4, '\1')))},
      {"compound file signature only", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") + std::string(600, '\0')},
  };
  EXPECT_FALSE(Search("doom").loaded);  // no workbook at all
  for (const Case& c : cases) {
    Write("home/Archivio.xls", c.bytes);
    const ArchiveResult result = Search("doom");
    EXPECT_FALSE(result.loaded) << c.name;
    EXPECT_FALSE(result.error.empty()) << c.name;
    EXPECT_TRUE(result.lines.empty()) << c.name;
  }
  std::filesystem::remove(root_ / "home/Archivio.xls");
  std::filesystem::create_directories(root_ / "home/Archivio.xls");
  EXPECT_FALSE(Search("doom").loaded) << "a folder";
}

}  // namespace
}  // namespace zolt::search
