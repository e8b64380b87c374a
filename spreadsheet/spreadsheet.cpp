#include "spreadsheet/spreadsheet.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>

namespace zolt {

namespace {
const TCellValue kNull;

// The default OnCellValue: a named type, so that a reader can tell it from
// a handler of the caller's own.
struct TStoreCell {
  TSpreadSheets* sheets;
  void operator()(TCustomSpreadSheetFile&, int sheetIndex, int row, int column, const TCellValue& value,
                  TAlignment alignment) const {
    if (value.IsEmpty()) return;
    sheets->Sheet(sheetIndex).Cells().Store(column, row, value, alignment);
  }
};
}  // namespace

// --- TSpreadSheetCells -----------------------------------------------------

const TCellValue& TSpreadSheetCells::CellValue(int column, int row) const noexcept {
  const TSpreadSheetRow* r = Row(row);
  if (r == nullptr) return kNull;
  const TKeloCell* cell = r->Cols().Cell(column);
  return cell == nullptr ? kNull : cell->Value;
}

void TSpreadSheetCells::Store(int column, int row, const TCellValue& value, TAlignment alignment,
                              int expectedRows) {
  if (row < 0 || column < 0) return;
  // DIMENSIONS tells how wide the rows are; a bound keeps a damaged file's
  // claim from reserving much more than its cells. A sheet has at most
  // 65,536 rows.
  constexpr int kMaxReservedColumns = 256;
  constexpr int kMaxReservedRows = 65536;
  TKeloCell& cell = EnsureRow(row, std::min(expectedRows, kMaxReservedRows))
                        .Cols()
                        .Ensure(column, std::min(LastColumn, kMaxReservedColumns));
  cell.Value = value;
  cell.Alignment = alignment;
  if (column >= ColCount) ColCount = column + 1;
  if (row >= RowCount) RowCount = row + 1;
}

void TSpreadSheetCells::Clear() noexcept {
  rows_.Clear();
  LastColumn = LastRow = ColCount = RowCount = 0;
}

// --- TSpreadSheets ---------------------------------------------------------

int TSpreadSheets::AddSheet() {
  sheets_.push_back(std::make_unique<TSpreadSheet>("Sheet" + std::to_string(sheets_.size() + 1)));
  return Count() - 1;
}

TSpreadSheet& TSpreadSheets::Sheet(int index) {
  if (index < 0) index = 0;
  while (Count() <= index) AddSheet();
  return *sheets_[static_cast<std::size_t>(index)];
}

const TSpreadSheet* TSpreadSheets::Find(int index) const noexcept {
  if (index < 0 || index >= Count()) return nullptr;
  return sheets_[static_cast<std::size_t>(index)].get();
}

void TSpreadSheets::Delete(int index) {
  if (index < 0 || index >= Count())
    throw ESpreadSheetError("List index out of bounds (" + std::to_string(index) + ")");
  sheets_.erase(sheets_.begin() + index);
}

// --- TSpreadSheetFile ------------------------------------------------------

void TSpreadSheetFile::LoadFromFile(const std::string& name) {
  sheets_.Clear();
  // Blank means nothing but spaces and control characters.
  if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; }))
    throw ESpreadSheetError("File is not defined.");
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(name, ec);
  if (!std::filesystem::exists(status)) throw ESpreadSheetError("File is not exists.");
  // A folder, a pipe or a device of that name is refused before any open.
  if (!std::filesystem::is_regular_file(status)) throw ESpreadSheetError("File is not a regular file.");
  fileName_ = name;
  InstallDefaultHandlers();
}

void TSpreadSheetFile::InstallDefaultHandlers() {
  if (!OnDimensions) {
    OnDimensions = [this](TCustomSpreadSheetFile&, int sheetIndex, int, int lastRow, int, int lastColumn) {
      TSpreadSheetCells& cells = sheets_.Sheet(sheetIndex).Cells();
      cells.LastRow = lastRow;
      cells.LastColumn = lastColumn;
    };
  }
  if (!OnCellValue) OnCellValue = TStoreCell{&sheets_};
  if (!OnSheet) {
    OnSheet = [this](TCustomSpreadSheetFile&, const std::string& caption, int, bool&) {
      sheets_.Sheet(sheets_.AddSheet()).Caption = caption;
    };
  }
}

TSpreadSheets* TSpreadSheetFile::DefaultCellStore() noexcept {
  const TStoreCell* handler = OnCellValue.target<TStoreCell>();
  return handler != nullptr && handler->sheets == &sheets_ ? &sheets_ : nullptr;
}

void TSpreadSheetFile::ReportProgress(std::int64_t position, std::int64_t totalSize) {
  if (!OnLoadProgress) return;
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  OnLoadProgress(*this, static_cast<std::int32_t>(std::min(position, kMax)),
                 static_cast<std::int32_t>(std::min(totalSize, kMax)));
}

}  // namespace zolt

// The sheet model's size is dominated by its cells; keep them at 16 bytes.
static_assert(sizeof(zolt::TKeloCell) == 16, "a cell should share the value's padding with its alignment");
