// The sheet model and the loading component's common part: sheets, rows,
// cells, counters, the file-name checks and the default handlers.

#include "spreadsheet/msexcel.h"

#include "biffbuilder.h"

#include <gtest/gtest.h>

#include <string>

using namespace zolt;
using namespace biffbuild;

TEST(SpreadSheets, SheetAppendsUpToTheIndexAndNegativeMeansFirst) {
  TSpreadSheets sheets;
  sheets.Sheet(5);
  ASSERT_EQ(sheets.Count(), 6);
  EXPECT_EQ(sheets.Find(0)->Caption, "Sheet1");
  EXPECT_EQ(sheets.Find(5)->Caption, "Sheet6");
  EXPECT_EQ(&sheets.Sheet(-3), sheets.Find(0));
  EXPECT_EQ(sheets.AddSheet(), 6);
  EXPECT_EQ(sheets.Find(6)->Caption, "Sheet7");
}

TEST(SpreadSheets, DeleteFreesOneAndRefusesAMissingIndex) {
  TSpreadSheets sheets;
  sheets.Sheet(2);
  sheets.Delete(1);
  ASSERT_EQ(sheets.Count(), 2);
  EXPECT_EQ(sheets.Find(1)->Caption, "Sheet3");
  try {
    sheets.Delete(7);
    FAIL() << "no exception";
  } catch (const ESpreadSheetError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (7)");
  }
  sheets.Clear();
  EXPECT_EQ(sheets.Count(), 0);
  EXPECT_EQ(sheets.Find(0), nullptr);
}

TEST(SpreadSheetCells, RowsBeforeTheFirstCellAreEmptyAndCountsFollowCells) {
  TSpreadSheetCells cells;
  cells.Store(2, 3, TCellValue("x"), TAlignment::taCenter);
  EXPECT_EQ(cells.RowCount, 4);
  EXPECT_EQ(cells.ColCount, 3);
  EXPECT_TRUE(cells.CellValue(0, 1).IsNull());
  EXPECT_TRUE(cells.CellValue(2, 99).IsNull());
  EXPECT_TRUE(cells.CellValue(-1, 3).IsNull());
  EXPECT_EQ(cells.Row(1), nullptr);
  EXPECT_EQ(cells.Row(3)->Cols().Cell(2)->Alignment, TAlignment::taCenter);
  cells.Store(2, 3, TCellValue(4.0), TAlignment::taLeftJustify);  // a later value replaces
  EXPECT_EQ(cells.CellValue(2, 3), TCellValue(4.0));
  cells.Clear();
  EXPECT_EQ(cells.RowCount + cells.ColCount + cells.LastRow + cells.LastColumn, 0);
  EXPECT_TRUE(cells.CellValue(2, 3).IsNull());
}

TEST(SpreadSheetCols, FarColumnsAreKeptAsideAndJoinTheRowWhenItGrows) {
  TSpreadSheetCols cols;
  cols.Ensure(16000).Value = TCellValue(1.0);
  cols.Ensure(40).Value = TCellValue(2.0);
  cols.Ensure(3).Value = TCellValue(3.0);
  EXPECT_EQ(cols.Count(), 16001);
  EXPECT_EQ(cols.Cell(15999), nullptr);
  for (int c = 4; c <= 38; ++c) cols.Ensure(c).Value = TCellValue(0.5);  // dense now covers 40
  EXPECT_EQ(cols.Cell(40)->Value, TCellValue(2.0));
  EXPECT_EQ(cols.Cell(16000)->Value, TCellValue(1.0));
  std::vector<int> seen;
  cols.ForEach([&](int column, const TKeloCell&) { seen.push_back(column); });
  ASSERT_EQ(seen.size(), 38u);
  EXPECT_EQ(seen.front(), 3);
  EXPECT_EQ(seen[seen.size() - 2], 40);
  EXPECT_EQ(seen.back(), 16000);
}

TEST(SpreadSheetCells, FarRowsAreKeptAsideAndWalkedInOrder) {
  TSpreadSheetCells cells;
  cells.Store(0, 65535, TCellValue("last"), TAlignment::taLeftJustify);
  cells.Store(1, 2, TCellValue(2.0), TAlignment::taLeftJustify);
  cells.Store(0, 0, TCellValue(1.0), TAlignment::taLeftJustify);
  EXPECT_EQ(cells.RowCount, 65536);
  EXPECT_EQ(cells.Row(1), nullptr);
  EXPECT_EQ(cells.Row(40000), nullptr);
  EXPECT_EQ(cells.CellValue(0, 65535), TCellValue("last"));
  std::vector<int> rows;
  cells.ForEach([&](int row, int, const TKeloCell&) { rows.push_back(row); });
  EXPECT_EQ(rows, (std::vector<int>{0, 2, 65535}));
}

TEST(LoadFromFile, BlankAndMissingNamesFailBeforeAnythingIsRead) {
  TMSExcel excel;
  excel.Sheets().Sheet(1);
  for (const char* name : {"", "   ", " \t\r\n"}) {
    try {
      excel.LoadFromFile(name);
      FAIL() << "no exception";
    } catch (const ESpreadSheetError& e) {
      EXPECT_STREQ(e.what(), "File is not defined.");
    }
  }
  EXPECT_EQ(excel.Sheets().Count(), 0);  // emptied first
  try {
    excel.LoadFromFile("/nonexistent/Archivio.xls");
    FAIL() << "no exception";
  } catch (const ESpreadSheetError& e) {
    EXPECT_STREQ(e.what(), "File is not exists.");
  }
  EXPECT_TRUE(excel.FileName().empty());
  EXPECT_FALSE(excel.OnCellValue);  // handlers are installed only after the checks
}

TEST(LoadFromFile, DefaultHandlersFillOnlyTheEventsLeftUnassigned) {
  const std::string path = TempFile(CompoundFile(
      {{"Workbook", Workbook({{"Dati", {Number(0, 0, 1.0), Record(0x0200, Body().u32(0).u32(7).u16(0).u16(3).u16(0))}}})}}));
  TMSExcel excel;
  int cells = 0;
  excel.OnCellValue = [&](TCustomSpreadSheetFile&, int, int, int, const TCellValue&, TAlignment) { ++cells; };
  excel.LoadFromFile(path);
  EXPECT_EQ(excel.FileName(), path);
  EXPECT_EQ(cells, 1);
  ASSERT_EQ(excel.Sheets().Count(), 1);  // the default OnSheet
  EXPECT_EQ(excel.Sheets().Find(0)->Caption, "Dati");
  EXPECT_EQ(excel.Sheets().Find(0)->Cells().RowCount, 0);  // no default OnCellValue
  EXPECT_EQ(excel.Sheets().Find(0)->Cells().LastRow, 7);   // the default OnDimensions
  EXPECT_EQ(excel.Sheets().Find(0)->Cells().LastColumn, 3);
}

TEST(LoadFromFile, LoadingTwiceGivesTheSameModel) {
  const std::string path = TempFile(
      CompoundFile({{"Workbook", Workbook({{"A", {Number(2, 1, 5.5), Label8(0, 0, "x")}}, {"B", {}}})}}));
  TMSExcel excel;
  excel.LoadFromFile(path);
  excel.LoadFromFile(path);
  ASSERT_EQ(excel.Sheets().Count(), 2);
  EXPECT_EQ(excel.Sheets().Find(0)->Cells().RowCount, 3);
  EXPECT_EQ(excel.Sheets().Find(0)->Cells().CellValue(1, 2), TCellValue(5.5));
  EXPECT_EQ(excel.Sheets().Find(1)->Caption, "B");
  EXPECT_EQ(excel.SheetIndex(), 1);
}
