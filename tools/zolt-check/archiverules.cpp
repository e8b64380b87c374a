// The archive's layout: the search reads the first sheet only, and in it
// columns A to C (A and B are shown). Text anywhere else is never found.

#include "tools/zolt-check/authorrules.h"

#include "spreadsheet/msexcel.h"

#include <exception>
#include <set>

namespace zolt::check {
namespace {

constexpr int kSearchedColumns = 3;  // A, B, C
constexpr std::size_t kColumnsNamed = 5;

// "A", ..., "Z", "AA", ...: the column's name in a spreadsheet program.
std::string ColumnName(int column) {
  std::string name;
  for (int n = column + 1; n > 0; n = (n - 1) / 26) name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
  return name;
}

bool HasText(const TKeloCell& cell) {
  try {
    return !CellText(cell.Value).empty();
  } catch (const std::exception&) {
    return false;  // counted as empty by the search too
  }
}

}  // namespace

std::vector<Finding> ArchiveColumnFindings(const TSpreadSheets& sheets) {
  const TSpreadSheet* first = sheets.Find(0);
  if (first == nullptr || first->Cells().ColCount <= kSearchedColumns) return {};
  std::set<int> columns;
  std::size_t cells = 0;
  first->Cells().ForEach([&](int, int column, const TKeloCell& cell) {
    if (column < kSearchedColumns || !HasText(cell)) return;
    columns.insert(column);
    ++cells;
  });
  if (cells == 0) return {};
  std::string named;
  std::size_t listed = 0;
  for (const int column : columns) {
    if (listed++ == kColumnsNamed) {
      named += " e altre " + std::to_string(columns.size() - kColumnsNamed);
      break;
    }
    named += (named.empty() ? "" : ", ") + ColumnName(column);
  }
  return {{"archive-outside-columns", "",
           "il primo foglio ha testo in " + std::to_string(cells) + (cells == 1 ? " cella" : " celle") +
               " oltre la colonna C (colonne " + named +
               "): la ricerca legge solo le colonne A, B e C (e mostra A e B), e quel testo non si trova mai. "
               "Spostare nelle colonne A-C quello che si deve cercare."}};
}

}  // namespace zolt::check
