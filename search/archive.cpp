#include "search/archive.h"

#include "disc/catalogue.h"
#include "disc/discfile.h"
#include "spreadsheet/msexcel.h"

#include <algorithm>
#include <exception>
#include <new>
#include <optional>

namespace zolt::search {

namespace {

constexpr char kGap[] = "        ";  // eight blanks between the A and B texts

std::string CellTextOrEmpty(const TSpreadSheetCells& cells, int column, int row) {
  try {
    return CellText(cells.CellValue(column, row));
  } catch (const std::exception&) {
    // One cell that cannot be turned into text counts as an empty one.
    return {};
  }
}

}  // namespace

ArchiveColumns ReadArchiveColumns(const TSpreadSheets& sheets) {
  ArchiveColumns columns;
  const TSpreadSheet* first = sheets.Find(0);
  if (!first) return columns;
  const TSpreadSheetCells& cells = first->Cells();
  const int rows = cells.RowCount > 0 ? cells.RowCount : 0;
  const auto count = static_cast<std::size_t>(rows);
  columns.a.reserve(count);
  columns.b.reserve(count);
  columns.c.reserve(count);
  for (int row = 0; row < rows; ++row) {
    columns.a.push_back(CellTextOrEmpty(cells, 0, row));
    columns.b.push_back(CellTextOrEmpty(cells, 1, row));
    columns.c.push_back(CellTextOrEmpty(cells, 2, row));
  }
  return columns;
}

std::string ArchiveLine(const std::string& a, const std::string& b) {
  std::string line;
  line.reserve(a.size() + sizeof kGap - 1 + b.size());
  line.append(a).append(kGap).append(b);
  return line;
}

std::vector<std::string> MatchArchive(const ArchiveColumns& columns, const TextMatcher& matcher) {
  std::vector<std::string> lines;
  if (matcher.MatchesNothing()) return lines;
  const std::size_t rows = std::min({columns.a.size(), columns.b.size(), columns.c.size()});
  for (const std::vector<std::string>* column : {&columns.a, &columns.b, &columns.c}) {
    for (std::size_t i = 0; i < rows; ++i)
      if (matcher.MatchesUtf8((*column)[i])) lines.push_back(ArchiveLine(columns.a[i], columns.b[i]));
    if (!lines.empty()) break;
  }
  return lines;
}

std::string ArchivePath(const std::string& root) {
  if (std::optional<std::string> found = catalogue::ResolveFile(root, disc::kArchivePath)) return *found;
  return catalogue::JoinPath(root, disc::kArchivePath);
}

ArchiveResult SearchArchive(TMSExcel& reader, const std::string& root, const TextMatcher& matcher) {
  ArchiveResult result;
  try {
    reader.SetFileRoot(root);
    reader.LoadFromFile(ArchivePath(root));
    result.columns = ReadArchiveColumns(reader.Sheets());
  } catch (const std::bad_alloc&) {
    result.error = "Out of memory.";
    return result;
  } catch (const std::exception& error) {
    result.error = error.what();
    return result;
  }
  result.loaded = true;
  result.lines = MatchArchive(result.columns, matcher);
  return result;
}

}  // namespace zolt::search
