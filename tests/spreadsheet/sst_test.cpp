// The shared-string table: strings split between SST and CONTINUE records,
// width switches, rich-text runs, phonetic blocks and every malformed case.

#include "loadhelpers.h"

#include <gtest/gtest.h>

using namespace zolt;
using namespace biffbuild;

namespace {
Bytes Sst(std::uint32_t unique, const Bytes& strings) {
  Body b;
  b.u32(unique).u32(unique);
  Bytes body = b;
  body.insert(body.end(), strings.begin(), strings.end());
  return Record(0x00FC, body);
}
Bytes Continue(const Bytes& body) { return Record(0x003C, body); }

// Loads a workbook whose globals hold the given SST pieces; returns the error.
std::string LoadSst(TMSExcel& excel, const std::vector<Bytes>& pieces, std::vector<Bytes> cells = {}) {
  return LoadError(excel, Wb({{"S", std::move(cells)}}, pieces));
}
}  // namespace

TEST(SharedStrings, PlainWideAndRichStringsWithTheirRuns) {
  const Bytes strings = Body()
                            .u16(3).u8(0).raw("abc")                    // 8-bit
                            .u16(2).u8(1).utf16(u"中文")                 // 16-bit
                            .u16(4).u8(0x08).u16(2).raw("bold")          // rich, 2 runs
                            .u16(0).u16(1).u16(2).u16(3);
  TMSExcel excel;
  ASSERT_EQ(LoadSst(excel, {Sst(3, strings)}, {LabelSst(0, 0, 2), LabelSst(0, 1, 1)}), "");
  ASSERT_EQ(excel.SharedStrings().size(), 3u);
  EXPECT_EQ(excel.SharedStrings()[0], TCellValue("abc"));
  EXPECT_EQ(excel.SharedStrings()[1], TCellValue("中文"));
  EXPECT_EQ(excel.SharedStrings()[2], TCellValue("bold"));
  EXPECT_EQ(excel.SharedStringRuns(2), (std::vector<std::uint8_t>{2, 0, 0, 0, 1, 0, 2, 0, 3, 0}));
  EXPECT_TRUE(excel.SharedStringRuns(0).empty());
  EXPECT_EQ(Cell(excel, 0, 0, 0), TCellValue("bold"));
  EXPECT_EQ(Cell(excel, 0, 1, 0), TCellValue("中文"));
}

TEST(SharedStrings, ASplitStringSwitchingFrom8To16BitJoinsIntoOneText) {
  TMSExcel excel;
  ASSERT_EQ(LoadSst(excel, {Sst(2, Body().u16(5).u8(0).raw("ab")), Continue(Body().u8(1).utf16(u"cΩé").u16(1).u8(0).raw("z"))}),
            "");
  ASSERT_EQ(excel.SharedStrings().size(), 2u);
  EXPECT_EQ(excel.SharedStrings()[0], TCellValue("abcΩé"));
  EXPECT_EQ(excel.SharedStrings()[1], TCellValue("z"));
}

TEST(SharedStrings, AStringHeaderThatDoesNotFitStartsInTheNextContinue) {
  TMSExcel excel;
  // Two bytes are left in the SST: the next string starts in the CONTINUE, without an option byte.
  ASSERT_EQ(LoadSst(excel, {Sst(2, Body().u16(1).u8(0).raw("a").u16(0)), Continue(Body().u16(2).u8(0).raw("bc"))}),
            "");
  EXPECT_EQ(excel.SharedStrings()[1], TCellValue("bc"));
}

TEST(SharedStrings, RunsAndPhoneticBlocksMayRunOnIntoTheNextContinue) {
  const Bytes first = Sst(2, Body().u16(2).u8(0x0C).u16(2).u32(6).raw("ri").u16(0).u16(1));  // half of the runs
  const Bytes second = Continue(Body().u16(1).u16(2).fill(6, 0xEE).u16(1).u8(0x04).u32(3).raw("x").fill(3));
  TMSExcel excel;
  ASSERT_EQ(LoadSst(excel, {first, second}, {LabelSst(0, 0, 1)}), "");
  EXPECT_EQ(excel.SharedStrings()[0], TCellValue("ri"));
  EXPECT_EQ(excel.SharedStringRuns(0), (std::vector<std::uint8_t>{2, 0, 0, 0, 1, 0, 1, 0, 2, 0}));
  EXPECT_EQ(Cell(excel, 0, 0, 0), TCellValue("x"));  // phonetic-only string (0x04) reads too
}

TEST(SharedStrings, EmptyContinuesAndStrayBytesInsideATextArePassedOver) {
  // The text's first character is in the SST, then an empty CONTINUE, then
  // one character and a stray byte, then the last character.
  TMSExcel excel;
  ASSERT_EQ(LoadSst(excel, {Sst(2, Body().u16(3).u8(1).utf16(u"a")), Continue({}),
                            Continue(Body().u8(1).utf16(u"b").u8(0)), Continue(Body().u8(1).utf16(u"c").u16(1).u8(0).raw("d"))}),
            "");
  EXPECT_EQ(excel.SharedStrings()[0], TCellValue("abc"));
  EXPECT_EQ(excel.SharedStrings()[1], TCellValue("d"));
}

TEST(SharedStrings, BytesLeftAfterTheLastStringDoNotDerailTheRecordLoop) {
  TMSExcel excel;
  ASSERT_EQ(LoadSst(excel, {Sst(1, Body().u16(1).u8(0).raw("a").fill(7, 0x09))}, {LabelSst(0, 0, 0)}), "");
  EXPECT_EQ(Cell(excel, 0, 0, 0), TCellValue("a"));
}

TEST(SharedStrings, MalformedTablesEndTheLoadWithTheirMessage) {
  TMSExcel excel;
  EXPECT_EQ(LoadSst(excel, {Record(0x00FC, Body().u32(1))}), "SST Buffer owerflow (8)");
  EXPECT_EQ(LoadSst(excel, {Sst(1, Body().u16(1).u8(0x02).raw("a"))}), "Unhandled string in SST [02]");
  EXPECT_EQ(LoadSst(excel, {Sst(1, Body().u16(1).u8(0x11).raw("a"))}), "Unhandled string in SST [11]");
  EXPECT_EQ(LoadSst(excel, {Sst(1, Body().u16(4).u8(0).raw("ab")), Continue(Body().u8(5).raw("cd"))}),
            "Unknown string [05] in SST");
  // More strings announced than the table holds.
  EXPECT_EQ(LoadSst(excel, {Sst(3, Body().u16(1).u8(0).raw("a"))}), "CONTINUE record missing");
  // A string header cut by the end of a one-byte CONTINUE.
  EXPECT_EQ(LoadSst(excel, {Sst(2, Body().u16(1).u8(0).raw("a")), Continue(Body().u8(1))}), "SST Buffer owerflow (3)");
}

TEST(SharedStrings, AHugeAnnouncedCountCostsNothingBeforeTheDataRunsOut) {
  TMSExcel excel;
  EXPECT_EQ(LoadSst(excel, {Sst(0xFFFFFFFF, Body().u16(1).u8(0).raw("a"))}), "CONTINUE record missing");
  EXPECT_LT(excel.SharedStrings().capacity(), 1000u);
}
