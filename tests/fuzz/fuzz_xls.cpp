// Feeds arbitrary bytes to the workbook reader. Every input must end in a
// model or an ESpreadSheetError, never a crash, a leak or undefined behaviour.
// The model is walked afterwards so that what was stored is touched too.

#include "spreadsheet/msexcel.h"
#include "spreadsheet/streamwindow.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zolt::TMSExcel excel;
  // Exercise the optional events as a caller that assigns them would.
  int events = 0;
  excel.OnColumnWidth = [&](zolt::TCustomSpreadSheetFile&, int, int, int) { ++events; };
  excel.OnRowHeight = [&](zolt::TCustomSpreadSheetFile&, int, int, int) { ++events; };
  // Records are read through a window that slides over the stream; reads of
  // a few bytes at a time, chosen by the input, make them cross its edge.
  zolt::biff::TStreamWindow::SetReadStepForTesting(size > 0 && (data[size - 1] & 1) != 0 ? 1 + data[size - 1] % 61
                                                                                         : 0);
  try {
    excel.LoadFromMemory(data, size);
  } catch (const zolt::ESpreadSheetError& e) {
    // The window is only ever read forward; anything else is a fault of ours.
    if (std::string_view(e.what()).starts_with("Internal error")) std::abort();
  }
  std::size_t text = 0;
  for (int s = 0; s < excel.Sheets().Count(); ++s) {
    excel.Sheets().Find(s)->Cells().ForEach([&](int row, int column, const zolt::TKeloCell& cell) {
      text += zolt::CellText(cell.Value).size();
      text += excel.Sheets().Find(s)->Cells().CellValue(column, row).IsNull() ? 1 : 0;
    });
  }
  return static_cast<int>(text & 0) + (events & 0);
}
