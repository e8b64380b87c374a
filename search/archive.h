#pragma once
// The archive lookup: the word is looked up in columns A, B and C of the
// first sheet of the disc's archive workbook "home/Archivio.xls", and each
// matching row is listed as its column-A text, eight blanks and its column-B
// text. Column B is consulted only when no row matches in column A, column C
// only when neither A nor B has a match.

#include "search/textmatch.h"

#include <string>
#include <vector>

namespace zolt {
class TMSExcel;
class TSpreadSheets;
}  // namespace zolt

namespace zolt::search {

// The texts of the first three columns, one entry per row (UTF-8). Each row
// gives exactly one entry in each list; a missing cell gives an empty text.
struct ArchiveColumns {
  std::vector<std::string> a;
  std::vector<std::string> b;
  std::vector<std::string> c;
};

// The rows of the first sheet; their number is that sheet's own row count,
// whatever the other sheets hold. No sheet at all gives no rows.
ArchiveColumns ReadArchiveColumns(const TSpreadSheets& sheets);

// The result lines, in row order, by the A-then-B-then-C rule.
std::vector<std::string> MatchArchive(const ArchiveColumns& columns, const TextMatcher& matcher);

// "A" + eight blanks + "B".
std::string ArchiveLine(const std::string& a, const std::string& b);

// The workbook's path below `root`, found without regard to letter case;
// where there is none, the path as the disc names it (the load then fails).
std::string ArchivePath(const std::string& root);

struct ArchiveResult {
  bool loaded = false;
  std::string error;  // the reader's message when the workbook could not be read
  ArchiveColumns columns;
  std::vector<std::string> lines;
};

// Reloads the archive with `reader` (its previous sheets are replaced) and
// looks the word up. Never throws: a workbook that is missing, damaged or
// encrypted gives loaded == false and the reader's message.
ArchiveResult SearchArchive(TMSExcel& reader, const std::string& root, const TextMatcher& matcher);

}  // namespace zolt::search
