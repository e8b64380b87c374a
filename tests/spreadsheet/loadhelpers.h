#pragma once
// Loading built workbooks in tests: the error message of a load (empty when
// it succeeded) and a log of the events in the order they came.

#include "spreadsheet/msexcel.h"

#include "biffbuilder.h"

#include <string>
#include <vector>

namespace biffbuild {

inline std::string LoadError(zolt::TMSExcel& excel, const Bytes& file) {
  try {
    excel.LoadFromMemory(file.data(), file.size());
  } catch (const zolt::ESpreadSheetError& e) {
    return e.what();
  }
  return {};
}

inline std::string LoadError(const Bytes& file) {
  zolt::TMSExcel excel;
  return LoadError(excel, file);
}

// Only a workbook stream in a compound file.
inline Bytes Wb(const std::vector<Sheet>& sheets, const std::vector<Bytes>& globals = {}) {
  return CompoundFile({{"Workbook", Workbook(sheets, globals)}});
}

inline const zolt::TCellValue& Cell(const zolt::TMSExcel& excel, int sheet, int column, int row) {
  return excel.Sheets().Find(sheet)->Cells().CellValue(column, row);
}

// Records every event as a short line: "sheet Dati 0", "cell 0 1 2 text", ...
struct EventLog {
  std::vector<std::string> lines;
  void Attach(zolt::TMSExcel& excel, bool withCells = true) {
    excel.OnSheet = [this](zolt::TCustomSpreadSheetFile&, const std::string& caption, int index, bool&) {
      lines.push_back("sheet " + caption + " " + std::to_string(index));
    };
    excel.OnDimensions = [this](zolt::TCustomSpreadSheetFile&, int s, int r0, int r1, int c0, int c1) {
      lines.push_back("dims " + std::to_string(s) + " " + std::to_string(r0) + " " + std::to_string(r1) + " " +
                      std::to_string(c0) + " " + std::to_string(c1));
    };
    excel.OnColumnWidth = [this](zolt::TCustomSpreadSheetFile&, int s, int c, int w) {
      lines.push_back("width " + std::to_string(s) + " " + std::to_string(c) + " " + std::to_string(w));
    };
    excel.OnRowHeight = [this](zolt::TCustomSpreadSheetFile&, int s, int r, int h) {
      lines.push_back("height " + std::to_string(s) + " " + std::to_string(r) + " " + std::to_string(h));
    };
    if (withCells) {
      excel.OnCellValue = [this](zolt::TCustomSpreadSheetFile&, int s, int r, int c, const zolt::TCellValue& v,
                                 zolt::TAlignment) {
        lines.push_back("cell " + std::to_string(s) + " " + std::to_string(r) + " " + std::to_string(c) + " " +
                        (v.IsNull() ? std::string("null") : zolt::CellText(v)));
      };
    }
  }
};

}  // namespace biffbuild
