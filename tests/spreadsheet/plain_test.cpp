// The plain-file route: bare BIFF2 to BIFF4 files (and a bare BIFF5 stream),
// their versions, cell records, dimensions and the closing OnDimensions.

#include "loadhelpers.h"

#include <gtest/gtest.h>

using namespace zolt;
using namespace biffbuild;

namespace {
// BIFF2 cell records: row, column, three attribute bytes (the third holds the alignment).
Body Cell2(unsigned row, unsigned col, unsigned align = 0) { return Body().u16(row).u16(col).u8(0).u8(0).u8(align); }
}  // namespace

TEST(PlainRoute, Biff2CellsWithTheirAlignment) {
  const Bytes file = Concat({BofPlain(0x0009), Record(0x0042, Body().u16(1252)),
                             Record(0x0002, Cell2(0, 0, 3).u16(42)),              // INTEGER, right
                             Record(0x0003, Cell2(0, 1, 2).f64(2.5)),             // NUMBER, centred
                             Record(0x0004, Cell2(1, 0, 1).u8(4).raw("caf\xE9")),  // LABEL
                             Record(0x0005, Cell2(1, 1).u8(1).u8(0)),              // BOOLERR true
                             Record(0x0005, Cell2(1, 2).u8(0x24).u8(1)),           // BOOLERR #NUM!
                             Record(0x0001, Cell2(3, 5)),                          // BLANK
                             Eof()});
  TMSExcel excel;
  EventLog log;
  log.Attach(excel, false);
  ASSERT_EQ(LoadError(excel, file), "");
  EXPECT_EQ(excel.Version(), TExcelVersion::evExcel2);
  EXPECT_EQ(excel.SheetIndex(), -1);
  ASSERT_EQ(excel.Sheets().Count(), 1);
  EXPECT_EQ(excel.Sheets().Find(0)->Caption, "Sheet1");
  const TSpreadSheetCells& cells = excel.Sheets().Find(0)->Cells();
  EXPECT_EQ(cells.CellValue(0, 0), TCellValue(std::uint32_t{42}));
  EXPECT_EQ(cells.Row(0)->Cols().Cell(0)->Alignment, TAlignment::taRightJustify);
  EXPECT_EQ(cells.Row(0)->Cols().Cell(1)->Alignment, TAlignment::taCenter);
  EXPECT_EQ(cells.CellValue(0, 1), TCellValue("café"));
  EXPECT_EQ(cells.CellValue(1, 1), TCellValue(true));
  EXPECT_EQ(cells.CellValue(2, 1), TCellValue("#NUM!"));
  EXPECT_EQ(cells.RowCount, 2);
  // No DIMENSIONS: the closing report covers the largest row and column, the blank included.
  EXPECT_EQ(log.lines, (std::vector<std::string>{"dims -1 0 4 0 6"}));
  EXPECT_EQ(cells.LastRow, 0);  // a custom OnDimensions replaced the default one
}

TEST(PlainRoute, Biff3And4NumbersFormulasAndLabelsInTheirCodePage) {
  for (unsigned bof : {0x0209u, 0x0409u}) {
    const unsigned formulaCode = bof == 0x0209 ? 0x0206 : 0x0406;
    const Bytes file = Concat({BofPlain(bof), Record(0x0042, Body().u16(1250)),
                               Number(0, 0, 7.5),
                               Record(0x0204, Body().u16(0).u16(1).u16(0).u16(2).raw("\x8A\xE8")),  // Šč
                               Record(static_cast<std::uint16_t>(formulaCode),
                                      Body().u16(0).u16(2).u16(0).f64(9).u16(0).u16(0)),
                               Record(0x0201, Body().u16(0).u16(3).u16(0)), Eof()});
    TMSExcel excel;
    ASSERT_EQ(LoadError(excel, file), "") << bof;
    EXPECT_EQ(excel.Version(), bof == 0x0209 ? TExcelVersion::evExcel3 : TExcelVersion::evExcel4);
    EXPECT_EQ(Cell(excel, 0, 0, 0), TCellValue(7.5));
    EXPECT_EQ(Cell(excel, 0, 1, 0), TCellValue("Šč"));
    EXPECT_EQ(Cell(excel, 0, 2, 0), TCellValue(9.0));
  }
}

TEST(PlainRoute, DatesComeFromTheFormatTextsOfOlderFiles) {
  auto format4 = [](const std::string& text) {
    return Record(0x041E, Body().u16(0).u8(static_cast<unsigned>(text.size())).raw(text));
  };
  auto xf4 = [](unsigned format) { return Record(0x0443, Body().u8(0).u8(format).fill(10)); };
  const Bytes file = Concat({BofPlain(0x0409), format4("General"), format4("0.00%"), format4("d\\-mmm\\-yy"),
                             format4("[Red]General\" hours\""), format4("[h]:mm"), xf4(0), xf4(1), xf4(2), xf4(3), xf4(4),
                             Number(0, 0, 45000, 0), Number(0, 1, 45000, 1), Number(0, 2, 45000, 2),
                             Number(0, 3, 45000, 3), Number(0, 4, 1.5, 4),
                             Number(0, 5, 45000, 15),  // no such XF: a number
                             Eof()});
  TMSExcel excel;
  ASSERT_EQ(LoadError(excel, file), "");
  EXPECT_EQ(Cell(excel, 0, 0, 0), TCellValue(45000.0));
  EXPECT_EQ(Cell(excel, 0, 1, 0), TCellValue(45000.0));
  EXPECT_EQ(Cell(excel, 0, 2, 0), TCellValue(TDateTime{45000}));
  EXPECT_EQ(Cell(excel, 0, 3, 0), TCellValue(45000.0));  // quoted letters and colours are not dates
  EXPECT_EQ(Cell(excel, 0, 4, 0), TCellValue(TDateTime{1.5}));
  EXPECT_EQ(Cell(excel, 0, 5, 0), TCellValue(45000.0));

  // BIFF2: the XF number is in the low bits of the first attribute byte,
  // and an INTEGER formatted as a date is a date.
  const Bytes file2 = Concat({BofPlain(0x0009), Record(0x001E, Body().u8(6).raw("d/m/yy")),
                              Record(0x0043, Body().u8(0).u8(0).u8(0x40).u8(0)),  // XF 0: format 0, locked bit
                              Record(0x0003, Body().u16(0).u16(0).u8(0x40).u8(0xC0).u8(0).f64(45000)),
                              Record(0x0002, Body().u16(0).u16(1).u8(0).u8(0).u8(0).u16(45000)),
                              Record(0x0002, Body().u16(0).u16(2).u8(1).u8(0).u8(0).u16(7)), Eof()});
  ASSERT_EQ(LoadError(excel, file2), "");
  EXPECT_EQ(Cell(excel, 0, 0, 0), TCellValue(TDateTime{45000}));
  EXPECT_EQ(Cell(excel, 0, 1, 0), TCellValue(TDateTime{45000}));
  EXPECT_EQ(Cell(excel, 0, 2, 0), TCellValue(std::uint32_t{7}));  // XF 1 does not exist
}

TEST(PlainRoute, DimensionsAndTheClosingReport) {
  auto dims = [](unsigned lastRow, unsigned lastCol) {
    return Record(0x0200, Body().u16(0).u16(lastRow).u16(0).u16(lastCol).u16(0));
  };
  TMSExcel excel;
  EventLog log;
  log.Attach(excel, false);
  ASSERT_EQ(LoadError(excel, Concat({BofPlain(0x0409), dims(4, 2), Number(2, 1, 1), Eof()})), "");
  EXPECT_EQ(log.lines, (std::vector<std::string>{"dims -1 0 5 0 3"}));  // cells within: no closing report
  log.lines.clear();
  ASSERT_EQ(LoadError(excel, Concat({BofPlain(0x0409), dims(4, 2), Number(9, 1, 1), Eof()})), "");
  EXPECT_EQ(log.lines, (std::vector<std::string>{"dims -1 0 5 0 3", "dims -1 0 10 0 2"}));
}

TEST(PlainRoute, ABareBiff5StreamReadsAsExcel5) {
  TMSExcel excel;
  ASSERT_EQ(LoadError(excel, Concat({Bof5(0x0010), Number(0, 0, 1), Eof()})), "");
  EXPECT_EQ(excel.Version(), TExcelVersion::evExcel5);
  EXPECT_EQ(Cell(excel, 0, 0, 0), TCellValue(1.0));
}

TEST(PlainRoute, FilesThatAreNotWorkbooksAreRefused) {
  EXPECT_EQ(LoadError(Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}), "File is not a Excel file");
  EXPECT_EQ(LoadError(Concat({Record(0x0609, Body().u16(0).u16(0x10)), Eof()})), "File is not a Excel file");
  EXPECT_EQ(LoadError(Concat({BofPlain(0x0009), Record(0x0609, Body().u16(0).u16(0x10))})),
            "File is not a Excel file");
  EXPECT_EQ(LoadError(Bytes{}), "");  // an empty file holds an empty sheet
  EXPECT_EQ(LoadError(Concat({BofPlain(0x0009), Record(0x002F, Body().u16(0))})), "Can not read: file is encrypted");
}

TEST(PlainRoute, BodiesLongerThanTheBufferArePassedOver) {
  const Bytes huge = Record(0x0204, Body().u16(0).u16(0).u16(0).u16(40000).fill(40000, 'a'));
  TMSExcel excel;
  ASSERT_EQ(LoadError(excel, Concat({BofPlain(0x0409), huge, Number(1, 0, 3), Eof()})), "");
  EXPECT_TRUE(Cell(excel, 0, 0, 0).IsNull());
  EXPECT_EQ(Cell(excel, 0, 0, 1), TCellValue(3.0));
}

