// xlsdump [--summary] FILE: a workbook as the program's reader sees it, as
// JSON lines: a header line with the version and the sheet names, then one
// line per stored cell of the first sheet in row, then column order; with
// --summary, the header with the first sheet's row, column and cell counts.
// A workbook that does not load prints {"error":"<message>"}, says why on
// standard error and exits with status 2; an empty first sheet exits with 1.

#include "spreadsheet/msexcel.h"
#include "tools/common/commandline.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

void Help(std::FILE* out) {
  std::fputs(
      "\n"
      "Stampa la cartella di lavoro FILE come la legge il programma, in righe JSON: un'intestazione\n"
      "con la versione e i nomi dei fogli, poi una riga per cella del primo foglio, per riga e\n"
      "colonna ({\"r\", \"c\", \"t\", \"v\"}). Se FILE non si carica: {\"error\": ...}.\n"
      "\n"
      "  --summary   solo l'intestazione, con righe, colonne e celle del primo foglio\n"
      "  --help      questo aiuto\n"
      "  --version   la versione\n"
      "\n"
      "Stato di uscita: 0 fatto, 1 il primo foglio è vuoto, 2 comando sbagliato o FILE che non si\n"
      "legge o non è una cartella di lavoro Excel.\n",
      out);
}

const zolt::tools::Tool kTool{"xlsdump", "[--summary] FILE", {"il FILE della cartella di lavoro"}, Help};

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

int CellCount(const zolt::TSpreadSheet* sheet) {
  int cells = 0;
  if (sheet != nullptr) sheet->Cells().ForEach([&](int, int, const zolt::TKeloCell&) { ++cells; });
  return cells;
}

// Writes the sheet's cells after what out holds; how many there were.
int WriteCells(std::string& out, const zolt::TSpreadSheet* sheet) {
  int cells = 0;
  if (sheet == nullptr) return cells;
  sheet->Cells().ForEach([&](int row, int column, const zolt::TKeloCell& cell) {
    ++cells;
    AppendCell(out, row, column, cell.Value);
    if (out.size() > (1u << 20)) {
      Write(out);
      out.clear();
    }
  });
  return cells;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace zolt::tools;
  bool summary = false;
  const std::string file = ParseCommandLine(kTool, {{"--summary", &summary}}, argc, argv)[0];
  zolt::TMSExcel excel;
  try {
    excel.LoadFromFile(file);
  } catch (const std::exception& e) {
    std::string out = "{\"error\":";
    AppendJsonString(out, e.what());
    Write(out + "}\n");
    Complain(kTool, "impossibile leggere %s: %s", file.c_str(), e.what());
    Finish(kTool, kTrouble);
  }
  std::string out;
  AppendHeader(out, excel);
  const zolt::TSpreadSheet* first = excel.Sheets().Find(0);
  int cells = 0;
  if (summary) {
    cells = CellCount(first);
    out += ",\"rows\":" + std::to_string(first ? first->Cells().RowCount : 0) +
           ",\"cols\":" + std::to_string(first ? first->Cells().ColCount : 0) + ",\"cells\":" + std::to_string(cells);
  }
  out += "}\n";
  if (!summary) cells = WriteCells(out, first);
  Write(out);
  // The operating system takes back the sheet model faster than its destructors would.
  Finish(kTool, cells > 0 ? kDone : kNothing);
}
