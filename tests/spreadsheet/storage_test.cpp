// The compound-file route: the libgsf it is read through, choosing the
// workbook stream, versions, sheets, substreams, skipping, the end of the
// load, and the cell records.

#include "loadhelpers.h"
#include "spreadsheet/gsflibrary.h"

#include <gtest/gtest.h>

#include <malloc.h>

using namespace zolt;
using namespace biffbuild;

namespace {
Bytes Dimensions8(std::uint32_t lastRow, unsigned lastCol) {
  return Record(0x0200, Body().u32(0).u32(lastRow).u16(0).u16(lastCol).u16(0));
}
Bytes Label5(unsigned row, unsigned col, const std::string& bytes) {
  return Record(0x0204, Body().u16(row).u16(col).u16(0).u16(static_cast<unsigned>(bytes.size())).raw(bytes));
}
}  // namespace

TEST(StorageRoute, ChoosesTheWorkbookStreamWhateverItsCase) {
  for (const char* name : {"Workbook", "WorkBook", "WORKBOOK"}) {
    TMSExcel excel;
    ASSERT_EQ(LoadError(excel, CompoundFile({{"Other", {1, 2}}, {name, Workbook({{"S", {Number(0, 0, 1)}}})}})), "")
        << name;
    EXPECT_EQ(excel.Version(), TExcelVersion::evExcel8);
    EXPECT_EQ(Cell(excel, 0, 0, 0), TCellValue(1.0));
  }
}

TEST(StorageRoute, BookStreamIsExcel95WithItsCodePage) {
  const Bytes book = Workbook({{"\xC4\xE0\xED\xED\xFB\xE5", {Label5(0, 0, "\xCF\xF0\xE8\xE2\xE5\xF2")}}},
                              {Record(0x0042, Body().u16(1251))}, false);
  TMSExcel excel;
  ASSERT_EQ(LoadError(excel, CompoundFile({{"BOOK", book}})), "");
  EXPECT_EQ(excel.Version(), TExcelVersion::evExcel7);
  EXPECT_EQ(excel.Sheets().Find(0)->Caption, "Данные");
  EXPECT_EQ(Cell(excel, 0, 0, 0), TCellValue("Привет"));
}

TEST(StorageRoute, AWorkbookStreamBesideABookCopyIsTheOneRead) {
  // The Excel 95 copy lost the character outside its code page.
  const Bytes book = Workbook({{"S", {Label5(0, 0, "?")}}}, {}, false);
  const Bytes workbook = Workbook({{"S", {Record(0x0204, Body().u16(0).u16(0).u16(0).u16(1).u8(1).u16(0x4E2D))}}});
  TMSExcel excel;
  ASSERT_EQ(LoadError(excel, CompoundFile({{"Book", book}, {"Workbook", workbook}})), "");
  EXPECT_EQ(excel.Version(), TExcelVersion::evExcel8);
  EXPECT_EQ(Cell(excel, 0, 0, 0), TCellValue("中"));
}

TEST(StorageRoute, TheFirstBofDecidesTheLayoutOfAMisnamedStream) {
  TMSExcel excel;
  ASSERT_EQ(LoadError(excel, CompoundFile({{"Book", Workbook({{"Foglio1", {Label8(0, 0, "abc")}}})}})), "");
  EXPECT_EQ(excel.Version(), TExcelVersion::evExcel8);
  EXPECT_EQ(excel.Sheets().Find(0)->Caption, "Foglio1");
  EXPECT_EQ(Cell(excel, 0, 0, 0), TCellValue("abc"));
}

TEST(StorageRoute, NoWorkbookStreamIsNotAWorkbook) {
  EXPECT_EQ(LoadError(CompoundFile({})), "File is not a Excel Workbook");
  EXPECT_EQ(LoadError(CompoundFile({{"Books", {1}}, {"Workbook2", {2}}})), "File is not a Excel Workbook");
  EXPECT_EQ(LoadError(CompoundFile({{"Workbook", Concat({Number(0, 0, 1), Eof()})}})),
            "File is not a Excel Workbook");  // no BOF first
}

TEST(StorageRoute, ADamagedCompoundFileSaysSo) {
  Bytes file = Wb({{"S", {Number(0, 0, 1)}}});
  file.resize(700);  // cut inside the first sector
  EXPECT_EQ(LoadError(file).rfind("Damaged compound file: ", 0), 0u) << LoadError(file);
}

TEST(StorageRoute, AMissingOrForeignLibgsfIsTheReadersError) {
  const struct {
    const char* soname;
    const char* message;
  } cases[] = {
      {"libzolt-absent.so.0", "Cannot read compound files: libzolt-absent.so.0 cannot be loaded ("},
      {"libm.so.6", "Cannot read compound files: libm.so.6 has no g_object_unref"},
  };
  for (const auto& c : cases) {
    const biff::TGsfLibrary library(c.soname);
    try {
      library.Calls();
      ADD_FAILURE() << c.soname << " was taken for libgsf";
    } catch (const ESpreadSheetError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
    }
  }
}

TEST(StorageRoute, LongBodiesAreSkippedAtTheVersionsLimit) {
  const Bytes tooLong5 = Record(0x0204, Body().u16(0).u16(1).u16(0).u16(2075).fill(2075, 'a'));  // 2083 > 2080
  const Bytes fits5 = Record(0x0204, Body().u16(0).u16(2).u16(0).u16(2072).fill(2072, 'b'));     // 2080
  TMSExcel excel;
  ASSERT_EQ(LoadError(excel, CompoundFile({{"Book", Workbook({{"S", {tooLong5, fits5}}}, {}, false)}})), "");
  EXPECT_TRUE(Cell(excel, 0, 1, 0).IsNull());
  EXPECT_EQ(Cell(excel, 0, 2, 0).AsText().size(), 2072u);
}

TEST(StorageRoute, Excel9FileAndDimensionsWith32BitRows) {
  TMSExcel excel;
  EventLog log;
  log.Attach(excel);
  ASSERT_EQ(LoadError(excel, Wb({{"S", {Dimensions8(70000, 4)}}}, {Record(0x01C0)})), "");
  EXPECT_EQ(excel.Version(), TExcelVersion::evExcel9);
  EXPECT_EQ(log.lines, (std::vector<std::string>{"sheet S 0", "dims 0 0 70000 0 4"}));
}

TEST(StorageRoute, EventsComeInRecordOrderPerSheet) {
  TMSExcel excel;
  EventLog log;
  log.Attach(excel);
  const Bytes colInfo = Record(0x007D, Body().u16(1).u16(2).u16(2560).u16(0).u16(0).u16(0));
  const Bytes row = Record(0x0208, Body().u16(4).u16(0).u16(1).u16(300).u16(0).u16(0).u16(0).u16(0));
  ASSERT_EQ(LoadError(excel, Wb({{"A", {Dimensions8(5, 3), colInfo, row, Number(4, 0, 2.5)}}, {"B", {Rk(0, 0, 6)}}})),
            "");
  EXPECT_EQ(log.lines, (std::vector<std::string>{"sheet A 0", "dims 0 0 5 0 3", "width 0 1 2560", "width 0 2 2560",
                                                 "height 0 4 300", "cell 0 4 0 2.5", "sheet B 1", "cell 1 0 0 1"}));
}

TEST(StorageRoute, NothingIsReadAfterTheLastSheetsEof) {
  Bytes stream = Workbook({{"S", {Number(0, 0, 1)}}});
  stream = Concat({stream, Bof8(0x0010), Number(0, 1, 2), Eof()});  // a stray substream after the end
  TMSExcel excel;
  ASSERT_EQ(LoadError(excel, CompoundFile({{"Workbook", stream}})), "");
  EXPECT_EQ(excel.Sheets().Count(), 1);
  EXPECT_EQ(excel.Sheets().Find(0)->Cells().ColCount, 1);
}

TEST(StorageRoute, AnEmbeddedChartsEofDoesNotEndTheLastSheet) {
  TMSExcel excel;
  ASSERT_EQ(LoadError(excel, Wb({{"S", {Number(0, 0, 1), Bof8(0x0020), Number(9, 9, 9), Eof(), Number(1, 0, 2)}}})),
            "");
  EXPECT_EQ(Cell(excel, 0, 0, 1), TCellValue(2.0));
  EXPECT_TRUE(Cell(excel, 0, 9, 9).IsNull());  // records inside the chart are not cells of the sheet
}

TEST(StorageRoute, CaptionsFollowTheBofOffsetsPastChartSheets) {
  // Globals: a chart sheet listed first, then the worksheet.
  const Bytes globalsBof = Bof8(0x0005);
  const std::size_t globalsSize = globalsBof.size() + 2 * Record(0x0085, Body().fill(8 + 5)).size() + Eof().size();
  const Bytes chart = Concat({Bof8(0x0020), Eof()});
  auto bound = [](std::uint32_t offset, unsigned type, const std::string& name) {
    return Record(0x0085, Body().u32(offset).u8(0).u8(type).u8(5).u8(0).raw(name));
  };
  const Bytes stream = Concat({globalsBof, bound(static_cast<std::uint32_t>(globalsSize), 2, "Graf1"),
                               bound(static_cast<std::uint32_t>(globalsSize + chart.size()), 0, "Dati1"), Eof(),
                               chart, Bof8(0x0010), Number(0, 0, 7), Eof()});
  TMSExcel excel;
  ASSERT_EQ(LoadError(excel, CompoundFile({{"Workbook", stream}})), "");
  ASSERT_EQ(excel.Sheets().Count(), 1);
  EXPECT_EQ(excel.Sheets().Find(0)->Caption, "Dati1");
  EXPECT_EQ(Cell(excel, 0, 0, 0), TCellValue(7.0));
}

TEST(StorageRoute, SkippedSheetsGiveNoEventsAndSkippingTheLastEndsTheLoad) {
  TMSExcel excel;
  EventLog log;
  log.Attach(excel);
  excel.OnSheet = [&](TCustomSpreadSheetFile&, const std::string& caption, int, bool& skip) {
    log.lines.push_back("sheet " + caption);
    skip = caption != "B";
  };
  ASSERT_EQ(LoadError(excel, Wb({{"A", {Dimensions8(1, 1), Number(0, 0, 1)}},
                                 {"B", {Number(0, 0, 2)}},
                                 {"C", {Number(0, 0, 3)}}})),
            "");
  EXPECT_EQ(log.lines, (std::vector<std::string>{"sheet A", "sheet B", "cell 1 0 0 2", "sheet C"}));
}

TEST(StorageRoute, ASkipTargetOutsideTheStreamIsAnError) {
  Bytes stream = Workbook({{"A", {}}, {"B", {}}});
  // Point the second BOUNDSHEET back at the globals.
  const std::size_t second = Bof8(5).size() + Record(0x0085, Body().fill(9)).size();
  stream[second + 4] = 0;
  stream[second + 5] = 0;
  TMSExcel excel;
  excel.OnSheet = [](TCustomSpreadSheetFile&, const std::string&, int, bool& skip) { skip = true; };
  EXPECT_EQ(LoadError(excel, CompoundFile({{"Workbook", stream}})),
            "The offset 0 of sheet \"B\" is out of the stream");
}

TEST(StorageRoute, MemoryFollowsTheFileNotTheCellAddresses) {
  // 3,000 worksheets nested without their EOFs, each with one cell in the
  // last row and column and a column range covering every column: a few
  // hundred kilobytes of records.
  Bytes stream = Bof8(0x0005);
  const Bytes sheet = Concat({Bof8(0x0010), Number(65535, 255, 1),
                              Record(0x007D, Body().u16(0).u16(0xFFFF).u16(256).u16(0).u16(0).u16(0))});
  for (int i = 0; i < 3000; ++i) stream.insert(stream.end(), sheet.begin(), sheet.end());
  TMSExcel excel;
  long widths = 0;
  excel.OnColumnWidth = [&](TCustomSpreadSheetFile&, int, int, int) { ++widths; };
  const struct mallinfo2 before = mallinfo2();
  ASSERT_EQ(LoadError(excel, CompoundFile({{"Workbook", stream}})), "");
  const struct mallinfo2 after = mallinfo2();
  ASSERT_EQ(excel.Sheets().Count(), 3000);
  EXPECT_EQ(Cell(excel, 2999, 255, 65535), TCellValue(1.0));
  EXPECT_EQ(widths, 3000L * 256);  // column ranges end at the last column, 255
  EXPECT_LT(after.uordblks - before.uordblks, 20u << 20) << "bytes held by the model";
}

TEST(StorageRoute, EncryptedWorkbooksAreRefused) {
  EXPECT_EQ(LoadError(Wb({{"S", {}}}, {Record(0x002F, Body().u16(1).fill(52))})), "Can not read: file is encrypted");
}

TEST(StorageRoute, ProgressRunsUpToTheStreamSize) {
  const Bytes stream = Workbook({{"S", {Number(0, 0, 1)}}});
  TMSExcel excel;
  std::vector<std::pair<int, int>> progress;
  excel.OnLoadProgress = [&](TCustomSpreadSheetFile&, std::int32_t position, std::int32_t total) {
    progress.emplace_back(position, total);
  };
  ASSERT_EQ(LoadError(excel, CompoundFile({{"Workbook", stream}})), "");
  ASSERT_FALSE(progress.empty());
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(progress.back(), std::make_pair(static_cast<int>(stream.size()), static_cast<int>(stream.size())));
}

TEST(CellRecords, NumbersDatesBooleansErrorsAndBlanks) {
  TMSExcel excel;
  const std::vector<Bytes> xfs{Xf(0), Xf(14), Xf(45), Xf(164)};
  ASSERT_EQ(LoadError(excel, Wb({{"S",
                                  {Number(0, 0, 1.25, 0), Number(0, 1, 45000, 1), Number(0, 2, 0.5, 2),
                                   Number(0, 3, 3, 3), Number(0, 4, 45000, 20),  // beyond the list: 20 is a date format
                                   Rk(1, 0, 0x3FF00001), Record(0x00BD, Body().u16(1).u16(1).u16(1).u32(6).u16(0).u32(7).u16(2)),
                                   Record(0x0205, Body().u16(2).u16(0).u16(0).u8(1).u8(0)),
                                   Record(0x0205, Body().u16(2).u16(1).u16(0).u8(0x07).u8(1)),
                                   Record(0x0201, Body().u16(2).u16(7).u16(0)),
                                   Record(0x00BE, Body().u16(3).u16(0).u16(0).u16(0).u16(0).u16(1))}}},
                                xfs)),
            "");
  EXPECT_EQ(Cell(excel, 0, 0, 0), TCellValue(1.25));
  EXPECT_EQ(Cell(excel, 0, 1, 0), TCellValue(TDateTime{45000}));
  EXPECT_EQ(Cell(excel, 0, 2, 0), TCellValue(0.5));  // format 45 (mm:ss) is not a date
  EXPECT_EQ(Cell(excel, 0, 3, 0), TCellValue(3.0));  // a custom format (> 49) is not a date
  EXPECT_EQ(Cell(excel, 0, 4, 0), TCellValue(TDateTime{45000}));
  EXPECT_EQ(Cell(excel, 0, 0, 1), TCellValue(0.01));
  EXPECT_EQ(Cell(excel, 0, 1, 1), TCellValue(TDateTime{1}));  // MULRK entry with XF 1
  EXPECT_EQ(Cell(excel, 0, 2, 1), TCellValue(0.01));
  EXPECT_EQ(Cell(excel, 0, 0, 2), TCellValue(true));
  EXPECT_EQ(Cell(excel, 0, 1, 2), TCellValue("#DIV/0!"));
  EXPECT_EQ(excel.Sheets().Find(0)->Cells().RowCount, 3);  // blanks store nothing
  EXPECT_EQ(excel.Sheets().Find(0)->Cells().ColCount, 5);
  EXPECT_TRUE(excel.IsDateXF(1));
  EXPECT_FALSE(excel.IsDateXF(2));
  EXPECT_TRUE(excel.IsDateXF(22));
  EXPECT_FALSE(excel.IsDateXF(23));
}

TEST(CellRecords, FormulaResultsOfEveryKind) {
  auto formula = [](unsigned row, unsigned col, Body result, unsigned xf = 0) {
    Body b;
    b.u16(row).u16(col).u16(xf);
    for (auto byte : result.bytes()) b.u8(byte);
    b.u16(0).u32(0).u16(0);  // options, chain, empty expression
    return Record(0x0006, b);
  };
  auto special = [](unsigned kind, unsigned value) { return Body().u8(kind).u8(0).u8(value).fill(3).u16(0xFFFF); };
  const Bytes string8 = Record(0x0207, Body().u16(5).u8(0).raw("Testo"));
  TMSExcel excel;
  ASSERT_EQ(LoadError(excel, Wb({{"S",
                                  {formula(0, 0, Body().f64(2.5)), formula(0, 1, Body().f64(45000), 1),
                                   formula(1, 0, special(0, 0)), Record(0x04BC, Body().fill(8)), string8,
                                   formula(1, 1, special(1, 1)), formula(1, 2, special(2, 0x2A)),
                                   formula(1, 3, special(3, 0)),
                                   formula(2, 0, special(0, 0)), Number(2, 1, 1),  // the text never came
                                   string8}}},
                                {Xf(0), Xf(14)})),
            "");
  EXPECT_EQ(Cell(excel, 0, 0, 0), TCellValue(2.5));
  EXPECT_EQ(Cell(excel, 0, 1, 0), TCellValue(TDateTime{45000}));
  EXPECT_EQ(Cell(excel, 0, 0, 1), TCellValue("Testo"));
  EXPECT_EQ(Cell(excel, 0, 1, 1), TCellValue(true));
  EXPECT_EQ(Cell(excel, 0, 2, 1), TCellValue("#N/A"));
  EXPECT_TRUE(Cell(excel, 0, 3, 1).IsNull());
  EXPECT_TRUE(Cell(excel, 0, 0, 2).IsNull());
  EXPECT_EQ(Cell(excel, 0, 1, 2), TCellValue(1.0));
}

TEST(CellRecords, LabelsOfBiff8InBothWidthsAndAcrossContinue) {
  const Bytes wide = Record(0x0204, Body().u16(0).u16(1).u16(0).u16(2).u8(1).utf16(u"è中"));
  const Bytes empty = Record(0x0204, Body().u16(0).u16(2).u16(0).u16(0));  // no option byte at all
  // 6 characters: 3 in the LABEL, 3 more in 16-bit form in the CONTINUE.
  const Bytes split = Concat({Record(0x0204, Body().u16(1).u16(0).u16(0).u16(6).u8(0).raw("abc")),
                              Record(0x003C, Body().u8(1).utf16(u"dΩf"))});
  TMSExcel excel;
  ASSERT_EQ(LoadError(excel, Wb({{"S", {Label8(0, 0, "caf\xE9"), wide, empty, split, Number(2, 0, 1)}}})), "");
  EXPECT_EQ(Cell(excel, 0, 0, 0), TCellValue("café"));
  EXPECT_EQ(Cell(excel, 0, 1, 0), TCellValue("è中"));
  EXPECT_TRUE(Cell(excel, 0, 2, 0).IsNull());
  EXPECT_EQ(Cell(excel, 0, 0, 1), TCellValue("abcdΩf"));
  EXPECT_EQ(Cell(excel, 0, 0, 2), TCellValue(1.0));  // the loop went on after the CONTINUE
}

TEST(CellRecords, Excel95LabelsLongerThanOneRecordJoinTheirContinue) {
  const std::string text(2072, 'x');
  const Bytes label = Concat({Record(0x0204, Body().u16(0).u16(0).u16(0).u16(2100).raw(text)),
                              Record(0x003C, Body().fill(28, 'y'))});
  TMSExcel excel;
  ASSERT_EQ(LoadError(excel, CompoundFile({{"Book", Workbook({{"S", {label}}}, {}, false)}})), "");
  EXPECT_EQ(Cell(excel, 0, 0, 0), TCellValue(text + std::string(28, 'y')));
}

TEST(CellRecords, ShortAndCutRecordsSayWhereAndWhat) {
  TMSExcel excel;
  const std::string error =
      LoadError(excel, Wb({{"S", {Number(0, 0, 1), Record(0x0203, Body().u16(1).u16(0).u16(0).u32(0))}}}));
  EXPECT_EQ(error.substr(0, 14), "Record 0x0203 ");
  EXPECT_NE(error.find("is too short: 10 bytes, needs 14"), std::string::npos) << error;
  EXPECT_EQ(Cell(excel, 0, 0, 0), TCellValue(1.0));  // the model keeps what came before

  Bytes stream = Workbook({{"S", {Number(0, 0, 1)}}});
  stream.resize(stream.size() - 2);  // the final EOF's header is cut
  EXPECT_EQ(LoadError(CompoundFile({{"Workbook", stream}})).find("The stream ends inside a record header"), 0u);
  stream.resize(stream.size() - 8);  // now the NUMBER's body is cut
  EXPECT_NE(LoadError(CompoundFile({{"Workbook", stream}})).find("runs past the end of the stream"),
            std::string::npos);
  EXPECT_EQ(LoadError(Wb({{"S", {Record(0x0204, Body().u16(0).u16(0).u16(0).u16(9).u8(0).raw("abc"))}}})),
            "CONTINUE record missing");
}

TEST(CellRecords, LabelSstOutsideTheTableEndsTheLoadKeepingEarlierCells) {
  const Bytes sst = Record(0x00FC, Body().u32(1).u32(1).u16(1).u8(0).raw("a"));
  TMSExcel excel;
  EXPECT_EQ(LoadError(excel, Wb({{"S", {LabelSst(0, 0, 0), LabelSst(1, 0, 5)}}}, {sst})),
            "List index out of bounds (5)");
  EXPECT_EQ(Cell(excel, 0, 0, 0), TCellValue("a"));
}
