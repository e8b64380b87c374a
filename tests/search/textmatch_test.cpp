// Matching a typed word against description lines and workbook texts.

#include "searchwindow/searchtext.h"
#include "search/textmatch.h"

#include "platform/textcodec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace zolt::search {
namespace {

// The matching rule written the slow, obvious way: split into lines, decode
// each line, upper-case "a" to "z" on both sides, look for the word.
bool ReferenceMatch(std::string_view text, const QString& word) {
  if (word.isEmpty()) return false;
  const QString upperWord = MaiuscoleAscii(word);
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    if (MaiuscoleAscii(DecodeDiscText(text.substr(start, end - start))).contains(upperWord)) return true;
    start = end + 1;
  }
  return false;
}

bool FedInPieces(std::string_view text, const QString& word, const std::vector<std::size_t>& cuts) {
  const TextMatcher matcher = MatcherFor(word);
  LineScanner scanner(matcher);
  std::size_t from = 0;
  for (const std::size_t cut : cuts) {
    scanner.Feed(text.substr(from, cut - from));
    from = cut;
  }
  scanner.Feed(text.substr(from));
  return scanner.Finish();
}

QString W(const char* utf8) { return QString::fromUtf8(utf8); }

TEST(TextMatch, OnlyAsciiLettersIgnoreCase) {
  EXPECT_TRUE(MatcherFor(W("WORD")).MatchesLines("a word here"));
  EXPECT_TRUE(MatcherFor(W("word")).MatchesLines("A WORD HERE"));
  EXPECT_TRUE(MatcherFor(W("oRd")).MatchesLines("swordfish"));  // anywhere, not only whole words
  // Accented letters are compared as they are, stored as UTF-8 or as Windows-1252.
  EXPECT_FALSE(MatcherFor(W("è")).MatchesLines("PERCH\xC3\x88"));
  EXPECT_FALSE(MatcherFor(W("è")).MatchesLines("PERCH\xC8"));
  EXPECT_FALSE(MatcherFor(W("È")).MatchesLines("perch\xC3\xA8"));
  EXPECT_FALSE(MatcherFor(W("œ")).MatchesLines("\x8C"));  // Windows-1252 "Œ"
  EXPECT_FALSE(MatcherFor(W("ÿ")).MatchesLines("\xC5\xB8"));
  // Characters next to the letters in the code table are not letters.
  EXPECT_FALSE(MatcherFor(W("@")).MatchesLines("`"));
  EXPECT_FALSE(MatcherFor(W("[")).MatchesLines("{"));
}

TEST(TextMatch, AccentedWordFoundInEitherEncoding) {
  const TextMatcher e = MatcherFor(W("perchè"));
  EXPECT_TRUE(e.MatchesLines("ma PERCH\xC3\xA8 no"));  // UTF-8 line
  EXPECT_TRUE(e.MatchesLines("ma PERCH\xE8 no"));      // Windows-1252 line
  // Windows-1252 bytes 0x80 to 0x9F hold letters and signs of their own.
  EXPECT_TRUE(MatcherFor(W("10 €")).MatchesLines("costa 10 \x80"));
  EXPECT_TRUE(MatcherFor(W("“x”")).MatchesLines("\x93X\x94"));
  // The five bytes the code page leaves undefined read as the C1 controls.
  EXPECT_TRUE(MatcherFor(QString(QChar(0x81))).MatchesLines("a\x81z"));
  // A word the code page cannot hold is found in UTF-8 lines only.
  const TextMatcher macron = MatcherFor(W("ā"));
  EXPECT_TRUE(macron.MatchesLines("\xC4\x81"));
  EXPECT_FALSE(macron.MatchesLines("\xC4\x81\xFF"));
  EXPECT_TRUE(MatcherFor(W("🙂")).MatchesLines("ok \xF0\x9F\x99\x82"));
}

TEST(TextMatch, EachLineReadInItsOwnEncoding) {
  // The UTF-8 bytes of "è" on a line that is not valid UTF-8 read as "Ã¨".
  const std::string mixed = "perch\xC3\xA8 \xFF";
  EXPECT_FALSE(MatcherFor(W("è")).MatchesLines(mixed));
  EXPECT_TRUE(MatcherFor(W("Ã¨")).MatchesLines(mixed));
  // On a valid UTF-8 line a Windows-1252 reading is never tried.
  EXPECT_FALSE(MatcherFor(W("Ã¨")).MatchesLines("perch\xC3\xA8"));
  // The bad byte on another line does not change how this one reads.
  EXPECT_TRUE(MatcherFor(W("è")).MatchesLines("perch\xC3\xA8\r\n\xFF"));
  EXPECT_TRUE(MatcherFor(W("è")).MatchesLines("\xC3\xA8\xFF\rperch\xE8"));
}

TEST(TextMatch, LinesAsStoredAndWordAsTyped) {
  // Rich-text markup is text like any other; blanks are part of the word.
  const std::string rtf = "{\\rtf1\\ansi {\\b Doom}\\par perch\\'e8\\par}";
  EXPECT_TRUE(MatcherFor(W("\\'E8")).MatchesLines(rtf));
  EXPECT_FALSE(MatcherFor(W("perchè")).MatchesLines(rtf));
  EXPECT_TRUE(MatcherFor(W("due parole")).MatchesLines("Due Parole"));
  EXPECT_FALSE(MatcherFor(W("due parole")).MatchesLines("due  parole"));
  // A word never spans two lines, whatever the line break; a NUL byte ends none.
  for (const char* text : {"ab\ncd", "ab\rcd", "ab\r\ncd"}) EXPECT_FALSE(MatcherFor(W("bc")).MatchesLines(text)) << text;
  EXPECT_FALSE(MatcherFor(W("èx")).MatchesLines("\xC3\xA8\nx"));
  EXPECT_TRUE(MatcherFor(W("doom")).MatchesLines(std::string_view("a\0 doom", 7)));
}

TEST(TextMatch, WordsThatMatchNothing) {
  for (const QString& word : {QString(), W(""), W("a\nb"), W("a\rb"), QString(QChar(0xD83D)),
                              QString(QChar(0xDE42)) + W("x")}) {
    const TextMatcher matcher = MatcherFor(word);
    EXPECT_TRUE(matcher.MatchesNothing());
    EXPECT_FALSE(matcher.MatchesLines("anything at all\na\nb\n"));
    EXPECT_FALSE(matcher.MatchesUtf8("anything at all"));
  }
  EXPECT_FALSE(MatcherFor(W("x")).MatchesLines(""));
  EXPECT_FALSE(MatcherFor(W("è")).MatchesLines(""));
}

TEST(TextMatch, LongLineReadInPiecesKeepsItsEncoding) {
  // The line's encoding is settled by a byte a megabyte away from the word.
  std::string valid = "perch\xC3\xA8 " + std::string(1 << 20, 'a');
  std::string invalid = valid + "\xFF";
  std::string cp = "perch\xE8 " + std::string(1 << 20, 'a') + "\xFF";
  std::vector<std::size_t> cuts;
  for (std::size_t at = 4096; at < valid.size(); at += 4093) cuts.push_back(at);
  EXPECT_TRUE(FedInPieces(valid, W("perchè"), cuts));
  EXPECT_FALSE(FedInPieces(invalid, W("perchè"), cuts));
  EXPECT_TRUE(FedInPieces(cp, W("perchè"), cuts));
  EXPECT_TRUE(FedInPieces(invalid, W("Ã¨"), cuts));
  // A UTF-8 sequence cut between pieces is still valid.
  std::string seq = std::string(5000, 'b') + "\xE2\x82\xAC";
  for (std::size_t cut = 4990; cut < seq.size(); ++cut)
    EXPECT_TRUE(FedInPieces(seq + "\xC3\xA8", W("è"), {cut})) << cut;
}

TEST(TextMatch, AgreesWithTheSlowRuleOnRandomTexts) {
  const std::vector<std::string> pieces = {"a", "A", "b", "B", " ", "\r", "\n", "\xC3\xA8", "\xC3\x88",
                                           "\xE8", "\xC8", "\xC3", "\xA8", "\x80", "\xE2\x82\xAC", "\xFF",
                                           "\xF0\x9F\x99\x82", "\x81", "\\'e8"};
  const std::vector<QString> words = {W("a"),  W("AB"), W("è"),  W("È"), W("bè"), W("è a"),
                                      W("€"),  W("Ã¨"), W("🙂"), W("\\'E8"), W("ab a"), QString(QChar(0x81))};
  std::mt19937 rng(20261208);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int length = static_cast<int>(rng() % 40);
    for (int i = 0; i < length; ++i) text += pieces[rng() % pieces.size()];
    std::vector<std::size_t> cuts;
    for (std::size_t at = 0; at < text.size(); at += 1 + rng() % 7) cuts.push_back(at);
    for (const QString& word : words) {
      const bool expected = ReferenceMatch(text, word);
      ASSERT_EQ(MatcherFor(word).MatchesLines(text), expected) << text << " / " << word.toStdString();
      ASSERT_EQ(FedInPieces(text, word, cuts), expected) << text << " / " << word.toStdString();
    }
  }
}

}  // namespace
}  // namespace zolt::search
