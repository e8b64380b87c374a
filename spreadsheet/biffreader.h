#pragma once
// The record loop of TMSExcel: walks the BIFF records of a workbook stream
// (storage route) or of a plain BIFF2 to BIFF4 file and acts on each, each
// record kind in a function of its own.

#include "spreadsheet/biffrecord.h"
#include "spreadsheet/msexcel.h"
#include "spreadsheet/streamwindow.h"
#include "spreadsheet/textdecode.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zolt::biff {

// True when a number format's text shows a date or a time ("d/m/yy",
// "h:mm"); quoted texts, escapes and colours do not count, digits make it a
// number format.
bool IsDateFormatText(std::string_view format);

enum class TRoute : std::uint8_t { Storage, Plain };

class TBiffReader {
 public:
  // The records are read through `stream`, forward only, so only the
  // window's few hundred kilobytes of the stream are ever held.
  TBiffReader(TMSExcel& owner, TStreamWindow& stream, TRoute route);
  void Run();

 private:
  struct TSheetEntry {
    std::string name;
    std::uint32_t offset = 0;
  };
  // A formula whose text result comes in the next STRING record.
  struct TPendingString {
    bool active = false;
    int row = 0;
    int column = 0;
  };

  bool NextRecord(TRecord& rec);
  void Dispatch(const TRecord& rec);
  bool InWorksheet() const;
  void Report(int row, int column, const TCellValue& value, TAlignment alignment = TAlignment::taLeftJustify);
  TCellValue Number(double value, int xf) const;
  TAlignment Biff2Alignment(const TRecord& rec) const;
  bool IsBiff8() const;
  std::string ReadText(const TRecord& rec, std::size_t at, std::size_t chars, bool wide, const char* what);

  void OnBof(const TRecord& rec);
  void OnEof();
  void OnBoundSheet(const TRecord& rec);
  void OnDimensions(const TRecord& rec);
  void OnColumnInfo(const TRecord& rec);
  void OnColumnWidth(const TRecord& rec);
  void OnRow(const TRecord& rec);
  void OnSst(const TRecord& rec);
  void ReadSharedString(TPieceReader& in);
  void OnLabel(const TRecord& rec);
  void OnLabelBiff2(const TRecord& rec);
  void OnLabelSst(const TRecord& rec);
  void OnInteger(const TRecord& rec);
  void OnNumber(const TRecord& rec, std::size_t at);
  void OnRk(const TRecord& rec);
  void OnMulRk(const TRecord& rec);
  void OnMulBlank(const TRecord& rec);
  void OnBoolErr(const TRecord& rec, std::size_t at);
  void OnFormula(const TRecord& rec);
  void OnString(const TRecord& rec);
  void FinishPlain();
  void OnOldFormat(const TRecord& rec);
  void OnOldXf(const TRecord& rec);

  TMSExcel& x_;
  TStreamWindow& stream_;
  std::size_t size_;
  // Where no handler of the caller's own takes the cells, they go straight
  // into these sheets, as the default handler would put them.
  TSpreadSheets* store_ = nullptr;
  TSpreadSheetCells* storeCells_ = nullptr;
  int storeSheet_ = 0;
  std::size_t pos_ = 0;
  TRoute route_;
  std::size_t bodyLimit_;
  bool finished_ = false;
  bool firstRecord_ = true;
  TCodePage codePage_;
  std::string scratch_;  // the shared string being read
  TTextArena texts_;     // the texts of this load, side by side
  std::vector<bool> oldFormatIsDate_;  // BIFF2 to BIFF4 FORMAT records, in order
  std::vector<TSheetEntry> sheets_;
  std::vector<std::uint16_t> substreams_;  // BOF sheet types, innermost last
  std::size_t currentEntry_ = 0;           // sheet-list entry of the current worksheet
  TPendingString pendingString_;
  int largestRow_ = 0;
  int largestColumn_ = 0;
  bool dimensionsSeen_ = false;
  int dimensionsLastRow_ = 0;
  int dimensionsLastColumn_ = 0;
};

}  // namespace zolt::biff
