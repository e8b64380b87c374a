// xlsdump FILE            the first sheet as JSON lines: a header line with the
//                         version and the sheet names, then one line per stored
//                         cell in row, then column order
// xlsdump --summary FILE  the header with the first sheet's row, column and cell counts
// A failed load prints {"error":"<message>"} and exits with status 2.

#include "spreadsheet/msexcel.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void AppendJsonString(std::string& out, std::string_view text) {
  out.push_back('"');
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
          out += buf;
        } else {
          out.push_back(ch);
        }
    }
  }
  out.push_back('"');
}

void AppendJsonNumber(std::string& out, double value) {
  // JSON has no NaN or infinity; a cell holding one prints null.
  out += std::isfinite(value) ? zolt::ShortestDouble(value) : "null";
}

void AppendHeader(std::string& out, const zolt::TMSExcel& excel) {
  out += "{\"version\":\"";
  out += zolt::ExcelVersionName(excel.Version());
  out += "\",\"sheets\":[";
  for (int i = 0; i < excel.Sheets().Count(); ++i) {
    if (i > 0) out.push_back(',');
    AppendJsonString(out, excel.Sheets().Find(i)->Caption);
  }
  out.push_back(']');
}

void AppendCell(std::string& out, int row, int column, const zolt::TCellValue& value) {
  out += "{\"r\":" + std::to_string(row) + ",\"c\":" + std::to_string(column) + ",\"t\":";
  switch (value.Kind()) {
    case zolt::TValueKind::Text:
      out += "\"text\",\"v\":";
      AppendJsonString(out, value.AsText());
      break;
    case zolt::TValueKind::Double:
      out += "\"number\",\"v\":";
      AppendJsonNumber(out, value.AsDouble());
      break;
    case zolt::TValueKind::DateTime:
      out += "\"date\",\"v\":";
      AppendJsonNumber(out, value.AsDouble());
      break;
    case zolt::TValueKind::Boolean: out += value.AsBoolean() ? "\"bool\",\"v\":true" : "\"bool\",\"v\":false"; break;
    case zolt::TValueKind::Unsigned: out += "\"integer\",\"v\":" + std::to_string(value.AsUnsigned()); break;
    case zolt::TValueKind::Null: out += "\"null\",\"v\":null"; break;
  }
  out += "}\n";
}

void Write(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

// Ends at once: the operating system takes back the sheet model faster than
// its destructors would.
[[noreturn]] void Exit() {
  std::fflush(stdout);
  std::_Exit(std::ferror(stdout) != 0 ? 1 : 0);
}

}  // namespace

int main(int argc, char** argv) {
  const bool summary = argc == 3 && std::strcmp(argv[1], "--summary") == 0;
  if (argc != 2 && !summary) {
    std::fprintf(stderr, "usage: xlsdump [--summary] FILE\n");
    return 1;
  }
  zolt::TMSExcel excel;
  try {
    excel.LoadFromFile(argv[argc - 1]);
  } catch (const std::exception& e) {
    std::string out = "{\"error\":";
    AppendJsonString(out, e.what());
    out += "}\n";
    Write(out);
    return 2;
  }
  std::string out;
  AppendHeader(out, excel);
  const zolt::TSpreadSheet* first = excel.Sheets().Find(0);
  if (summary) {
    int cells = 0;
    if (first != nullptr) first->Cells().ForEach([&](int, int, const zolt::TKeloCell&) { ++cells; });
    out += ",\"rows\":" + std::to_string(first ? first->Cells().RowCount : 0) +
           ",\"cols\":" + std::to_string(first ? first->Cells().ColCount : 0) + ",\"cells\":" + std::to_string(cells) +
           "}\n";
    Write(out);
    Exit();
  }
  out += "}\n";
  if (first != nullptr) {
    first->Cells().ForEach([&](int row, int column, const zolt::TKeloCell& cell) {
      AppendCell(out, row, column, cell.Value);
      if (out.size() > (1u << 20)) {
        Write(out);
        out.clear();
      }
    });
  }
  Write(out);
  Exit();
}
