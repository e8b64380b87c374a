// The archive lookup on sheet models built by hand: the column lists, the
// A-then-B-then-C rule and the result lines.

#include "searchwindow/searchtext.h"
#include "search/archive.h"

#include "spreadsheet/spreadsheet.h"

#include "spreadsheet/msexcel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

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
  return MatchArchive(ReadArchiveColumns(sheets), MatcherFor(QString::fromUtf8(word)));
}

TEST(ArchiveLookup, ColumnAThenBThenC) {
  const TSpreadSheets sheets = Archive({
      {"Doom", "Id Software", "sparatutto"},
      {"Quake", "id", "DOOM engine"},
      {"Tetris", "Pajitnov", "puzzle, doom-free"},
      {"Heretic", "Raven", "doom engine"},
  });
  // "doom" is in column A of row 0 and in column B of none: only A counts.
  EXPECT_EQ(Lookup(sheets, "DOOM"), (Lines{"Doom        Id Software"}));
  // Column B only when no A matches: "id" is in A of no row ("Id" of row 0 is B).
  EXPECT_EQ(Lookup(sheets, "id"), (Lines{"Doom        Id Software", "Quake        id"}));
  // Column C only when neither A nor B matches; each row shows its A and B.
  EXPECT_EQ(Lookup(sheets, "ENGINE"), (Lines{"Quake        id", "Heretic        Raven"}));
  EXPECT_EQ(Lookup(sheets, "ware"), (Lines{"Doom        Id Software"}));
  EXPECT_TRUE(Lookup(sheets, "assente").empty());
  EXPECT_TRUE(Lookup(sheets, "").empty());
}

TEST(ArchiveLookup, CellTextsAsShownAndLettersBeyondAsciiAsStored) {
  TSpreadSheets sheets;
  Put(sheets, 0, 0, 0, TCellValue(std::uint32_t{1998}));
  Put(sheets, 0, 1, 0, TCellValue(true));
  Put(sheets, 0, 1, 1, TCellValue("Citt\xC3\xA0"));
  const ArchiveColumns columns = ReadArchiveColumns(sheets);
  EXPECT_EQ(columns.a, (Lines{"1998", ""}));  // a missing cell is an empty text
  EXPECT_EQ(columns.b, (Lines{"True", "Citt\xC3\xA0"}));
  EXPECT_EQ(columns.c, (Lines{"", ""}));
  EXPECT_EQ(Lookup(sheets, "true"), (Lines{"1998        True"}));
  EXPECT_EQ(Lookup(sheets, "città"), (Lines{"        Citt\xC3\xA0"}));
  EXPECT_TRUE(Lookup(sheets, "CITTÀ").empty());
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

// "home/Archivio.xls" that is a link off the disc is refused before a byte
// of it is read; the same workbook on the disc is read.
TEST(ArchiveLookup, AWorkbookOffTheDiscIsNotRead) {
  namespace fs = std::filesystem;
  const fs::path base = fs::temp_directory_path() / ("zolt-archive-" + std::to_string(getpid()));
  fs::create_directories(base / "disc/home");
  std::ofstream(base / "fuori.xls") << "not a workbook";
  fs::create_symlink(base / "fuori.xls", base / "disc/home/Archivio.xls");
  fs::create_directories(base / "home");
  fs::create_symlink("../fuori.xls", base / "home/Archivio.xls");
  TMSExcel reader;
  const ArchiveResult off = SearchArchive(reader, (base / "disc").string(), MatcherFor(QStringLiteral("x")));
  const ArchiveResult on = SearchArchive(reader, base.string(), MatcherFor(QStringLiteral("x")));
  fs::remove_all(base);
  EXPECT_FALSE(off.loaded);
  EXPECT_EQ(off.error, "File is outside the disc.");
  EXPECT_FALSE(on.loaded);  // read, and found to be no workbook
  EXPECT_NE(on.error, "File is outside the disc.");
}

}  // namespace
}  // namespace zolt::search
