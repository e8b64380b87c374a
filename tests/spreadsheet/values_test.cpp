// Cell values, their text conversion, RK numbers and the text decoders (UTF-16, Latin-1, code pages).

#include "spreadsheet/cellvalue.h"
#include "spreadsheet/msexcel.h"
#include "spreadsheet/textdecode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

using zolt::CellText;
using zolt::TCellValue;
using zolt::TDateTime;
using zolt::TValueKind;

TEST(CellValue, CopiesShareTextAndKeepItAliveAfterTheOriginalGoes) {
  auto* original = new TCellValue(std::string("Abc") + std::string(40, 'x'));
  TCellValue copy = *original;
  TCellValue assigned;
  assigned = copy;
  delete original;
  EXPECT_EQ(copy.AsText(), "Abc" + std::string(40, 'x'));
  EXPECT_EQ(assigned, copy);
  TCellValue moved = std::move(copy);
  EXPECT_TRUE(copy.IsNull());  // NOLINT(bugprone-use-after-move): moved-from is Null by contract
  assigned = TCellValue(2.5);  // the text's last other holder is `moved`
  EXPECT_EQ(moved.AsText().substr(0, 3), "Abc");
  moved = moved;  // self-assignment keeps the text
  EXPECT_EQ(moved.AsText().size(), 43u);
}

TEST(CellText, NumbersAsAGeneralFormatShowsThem) {
  EXPECT_EQ(CellText(TCellValue(12.0)), "12");
  EXPECT_EQ(CellText(TCellValue(1.5)), "1.5");
  EXPECT_EQ(CellText(TCellValue(0.1 + 0.2)), "0.3");
  EXPECT_EQ(CellText(TCellValue(-0.0)), "0");
  EXPECT_EQ(CellText(TCellValue(123456789012345.0)), "123456789012345");
  EXPECT_EQ(CellText(TCellValue(1e20)), "1E+20");
  EXPECT_EQ(CellText(TCellValue(std::uint32_t{65535})), "65535");
}

TEST(CellText, BooleansNullAndTexts) {
  EXPECT_EQ(CellText(TCellValue(true)), "True");
  EXPECT_EQ(CellText(TCellValue(false)), "False");
  EXPECT_EQ(CellText(TCellValue()), "");
  EXPECT_EQ(CellText(TCellValue("Perché €")), "Perché €");
}

TEST(CellText, DatesAsDayMonthYearWithTimeUnlessMidnight) {
  EXPECT_EQ(CellText(TCellValue(TDateTime{45000})), "15/03/2023");
  EXPECT_EQ(CellText(TCellValue(TDateTime{45000.5})), "15/03/2023 12:00:00");
  EXPECT_EQ(CellText(TCellValue(TDateTime{0.75})), "18:00:00");
  EXPECT_EQ(CellText(TCellValue(TDateTime{0})), "00:00:00");
  EXPECT_EQ(CellText(TCellValue(TDateTime{-700})), "29/01/1898");
  // 23:59:59.9 rounds into the next day rather than printing 24:00:00.
  EXPECT_EQ(CellText(TCellValue(TDateTime{45000 + 86399.9 / 86400})), "16/03/2023");
  // Beyond year 9999 it is no date: the number is shown instead.
  EXPECT_EQ(CellText(TCellValue(TDateTime{1e9})), "1000000000");
  EXPECT_EQ(CellText(TCellValue(TDateTime{std::numeric_limits<double>::quiet_NaN()})), "NAN");
}

TEST(ShortestDouble, ReadsBackExactly) {
  for (double v : {0.1, 1.0 / 3, 12.0, -2.5e-300, 1.7976931348623157e308}) {
    const std::string text = zolt::ShortestDouble(v);
    EXPECT_EQ(std::stod(text), v) << text;
  }
  EXPECT_EQ(zolt::ShortestDouble(12.0), "12");
}

TEST(DecodeRK, FloatsIntegersAndHundredths) {
  EXPECT_EQ(zolt::DecodeRK(0x3FF00000), 1.0);
  EXPECT_EQ(zolt::DecodeRK(0x3FF00001), 0.01);
  EXPECT_EQ(zolt::DecodeRK(0x00000006), 1.0);
  EXPECT_EQ(zolt::DecodeRK(0x00000007), 0.01);
  EXPECT_EQ(zolt::DecodeRK(0xFFFFFFFE), -1.0);
  EXPECT_EQ(zolt::DecodeRK(0x7FFFFFFE), 536870911.0);  // largest 30-bit integer
  EXPECT_EQ(zolt::DecodeRK(0x80000002), -536870912.0);
  EXPECT_EQ(zolt::DecodeRK(0xC0000000), -2.0);  // float with the sign bit
}

namespace {
std::string Utf16(std::vector<std::uint16_t> units) {
  std::vector<std::uint8_t> bytes;
  for (auto u : units) {
    bytes.push_back(static_cast<std::uint8_t>(u));
    bytes.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  std::string out;
  std::uint16_t pending = 0;
  zolt::biff::AppendUtf16(out, bytes.data(), units.size(), pending);
  zolt::biff::FlushUtf16(out, pending);
  return out;
}
std::string Page(int codepage, std::string bytes) {
  std::string out;
  zolt::biff::TCodePage(codepage).Append(out, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return out;
}
}  // namespace

TEST(TextDecode, Utf16KeepsEveryCharacterAndReplacesLoneSurrogates) {
  EXPECT_EQ(Utf16({'A', 0x00E8, 0x20AC, 0x4E2D}), "Aè€中");
  EXPECT_EQ(Utf16({0xD83D, 0xDE00}), "\xF0\x9F\x98\x80");  // U+1F600 from a pair
  EXPECT_EQ(Utf16({0xD83D, 'x'}), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf16({0xDE00}), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16({0xD83D}), "\xEF\xBF\xBD");
}

TEST(TextDecode, CodePagesOfOlderWorkbooks) {
  EXPECT_EQ(Page(1252, "caf\xE9 \x80"), "café €");
  EXPECT_EQ(Page(1251, "\xCF\xF0\xE8"), "При");
  EXPECT_EQ(Page(10000, "\x8E"), "é");  // Macintosh Roman
  EXPECT_EQ(Page(932, "\x93\xFA\x96\x7B"), "日本");
  EXPECT_EQ(Page(932, "A\x93"), "A\xEF\xBF\xBD");  // a cut double-byte character
  EXPECT_EQ(Page(12345, "caf\xE9"), "café");       // an unknown page reads as Windows-1252
  EXPECT_EQ(Page(1252, "\x81"), "\xC2\x81");       // undefined in the page: Latin-1 meaning
}
