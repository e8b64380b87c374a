#pragma once
// The in-memory sheet model (sheets, rows, cells) and the loading component
// that fills it through events. A reader (TMSExcel) reports what it finds
// through the On... events; when the owner assigns none, default handlers
// store everything in Sheets(), so after a load the caller simply walks
// Sheets().Sheet(0).Cells().

#include "spreadsheet/cellvalue.h"
#include "spreadsheet/sparselist.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace zolt {

// Every failure of the reader: a load ends at once with this exception and
// its English message ("File is not exists.", "CONTINUE record missing", ...).
class ESpreadSheetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

class TKeloCell {
 public:
  // Alignment lives in the value's tail padding: a cell is 16 bytes.
  [[no_unique_address]] TCellValue Value;
  TAlignment Alignment = TAlignment::taLeftJustify;

  void Assign(const TKeloCell& source) { *this = source; }
};

// The cells of one row, index = column number; entries may be empty (an
// empty entry holds a Null value).
class TSpreadSheetCols {
 public:
  // One more than the largest column number of any entry.
  int Count() const noexcept { return cells_.Count(); }
  // The stored cell at Column, or nullptr for an empty or absent entry.
  const TKeloCell* Cell(int column) const noexcept { return cells_.Find(column); }
  // The cell at Column, created empty when absent; a row's first cell makes
  // room for `expected` entries at once.
  TKeloCell& Ensure(int column, int expected = 0) { return cells_.Ensure(column, expected); }
  // Calls fn(column, cell) for every stored cell in column order.
  template <typename Fn>
  void ForEach(Fn&& fn) const {
    cells_.ForEach(fn);
  }
  void Clear() noexcept { cells_.Clear(); }

 private:
  struct NoValue {
    bool operator()(const TKeloCell& cell) const noexcept { return cell.Value.IsNull(); }
  };
  TSparseList<TKeloCell, NoValue> cells_;
};

class TSpreadSheetRow {
 public:
  TSpreadSheetCols& Cols() noexcept { return cols_; }
  const TSpreadSheetCols& Cols() const noexcept { return cols_; }

 private:
  TSpreadSheetCols cols_;
};

// Rows of one sheet, index = row number from 0; entries may be empty.
class TSpreadSheetCells {
 public:
  // The stored value, or Null when the row or the cell does not exist.
  const TCellValue& CellValue(int column, int row) const noexcept;
  // The row at Row, or nullptr when it does not exist or holds no cell.
  const TSpreadSheetRow* Row(int row) const noexcept { return rows_.Find(row); }
  // The row at Row, created empty when absent; the first row makes room for
  // `expected` rows at once.
  TSpreadSheetRow& EnsureRow(int row, int expected = 0) { return rows_.Ensure(row, expected); }
  // Calls fn(row, column, cell) for every stored cell in row, then column order.
  template <typename Fn>
  void ForEach(Fn&& fn) const {
    rows_.ForEach([&](int row, const TSpreadSheetRow& r) {
      r.Cols().ForEach([&](int column, const TKeloCell& cell) { fn(row, column, cell); });
    });
  }
  // Stores Value and Alignment at (column, row) and raises the counts; the
  // sheet's first cell makes room for `expectedRows` rows.
  void Store(int column, int row, const TCellValue& value, TAlignment alignment, int expectedRows = 0);
  // Frees every row and sets the four counters to 0.
  void Clear() noexcept;

  // As last reported by OnDimensions.
  int LastColumn = 0;
  int LastRow = 0;
  // One more than the largest column and row number of any stored cell.
  int ColCount = 0;
  int RowCount = 0;

 private:
  struct NoCells {
    bool operator()(const TSpreadSheetRow& row) const noexcept { return row.Cols().Count() == 0; }
  };
  TSparseList<TSpreadSheetRow, NoCells> rows_;
};

class TSpreadSheet {
 public:
  explicit TSpreadSheet(std::string caption) : Caption(std::move(caption)) {}
  std::string Caption;
  TSpreadSheetCells& Cells() noexcept { return cells_; }
  const TSpreadSheetCells& Cells() const noexcept { return cells_; }

 private:
  TSpreadSheetCells cells_;
};

class TSpreadSheets {
 public:
  int Count() const noexcept { return static_cast<int>(sheets_.size()); }
  // Appends a sheet captioned "Sheet" + its position from 1; returns its index.
  int AddSheet();
  // The sheet at Index (a negative index counts as 0), appending sheets first
  // until it exists.
  TSpreadSheet& Sheet(int index);
  // The sheet at Index, or nullptr when there is none (never appends).
  const TSpreadSheet* Find(int index) const noexcept;
  // Frees the sheet at Index; "List index out of bounds (n)" when there is none.
  void Delete(int index);
  void Clear() noexcept { sheets_.clear(); }

 private:
  std::vector<std::unique_ptr<TSpreadSheet>> sheets_;
};

class TCustomSpreadSheetFile;

// Events; each receives the loading component as Sender first.
using TColumnWidthEvent =
    std::function<void(TCustomSpreadSheetFile& Sender, int SheetIndex, int ColumnNo, int Width)>;
using TRowHeightEvent =
    std::function<void(TCustomSpreadSheetFile& Sender, int SheetIndex, int RowNo, int Height)>;
using TDimensionsEvent = std::function<void(TCustomSpreadSheetFile& Sender, int SheetIndex, int FirstRow,
                                            int LastRow, int FirstColumn, int LastColumn)>;
using TCellValueEvent = std::function<void(TCustomSpreadSheetFile& Sender, int SheetIndex, int Row, int Column,
                                           const TCellValue& Value, TAlignment Alignment)>;
using TSheetEvent =
    std::function<void(TCustomSpreadSheetFile& Sender, const std::string& Caption, int Index, bool& Skip)>;
using TLoadProgressEvent = std::function<void(TCustomSpreadSheetFile& Sender, std::int32_t Position,
                                              std::int32_t TotalSize)>;

class TCustomSpreadSheetFile {
 public:
  TCustomSpreadSheetFile() = default;
  TCustomSpreadSheetFile(const TCustomSpreadSheetFile&) = delete;
  TCustomSpreadSheetFile& operator=(const TCustomSpreadSheetFile&) = delete;
  virtual ~TCustomSpreadSheetFile() = default;

  const std::string& FileName() const noexcept { return fileName_; }

  TColumnWidthEvent OnColumnWidth;
  TRowHeightEvent OnRowHeight;
  TDimensionsEvent OnDimensions;
  TCellValueEvent OnCellValue;
  TSheetEvent OnSheet;

 protected:
  std::string fileName_;
};

class TSpreadSheetFile : public TCustomSpreadSheetFile {
 public:
  TSpreadSheetFile() = default;

  // Empties Sheets, checks the name ("File is not defined." when blank,
  // "File is not exists." when absent), remembers it and installs the default
  // handlers into OnDimensions, OnCellValue and OnSheet where none is
  // assigned. A reader overrides this, calls it first, then reads the file.
  virtual void LoadFromFile(const std::string& name);

  TSpreadSheets& Sheets() noexcept { return sheets_; }
  const TSpreadSheets& Sheets() const noexcept { return sheets_; }

  TLoadProgressEvent OnLoadProgress;

 protected:
  void ReportProgress(std::int64_t position, std::int64_t totalSize);
  // Installs the default handler into each of OnDimensions, OnCellValue and
  // OnSheet that is not assigned.
  void InstallDefaultHandlers();
  // The sheets that OnCellValue stores into when it holds this object's
  // default handler, else nullptr: a reader may then store each non-empty
  // cell with TSpreadSheetCells::Store itself, which gives the same model.
  TSpreadSheets* DefaultCellStore() noexcept;

 private:
  TSpreadSheets sheets_;
};

}  // namespace zolt
