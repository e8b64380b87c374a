#include "spreadsheet/biffreader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace zolt::biff {

namespace {

// Record codes acted on.
enum : std::uint16_t {
  kBlank2 = 0x0001, kInteger2 = 0x0002, kNumber2 = 0x0003, kLabel2 = 0x0004, kBoolErr2 = 0x0005,
  kFormula = 0x0006, kString2 = 0x0007, kEof = 0x000A, kColWidth2 = 0x0024, kFilePass = 0x002F,
  kCodePage = 0x0042, kColInfo = 0x007D, kRk2 = 0x007E, kBoundSheet = 0x0085, kMulRk = 0x00BD,
  kMulBlank = 0x00BE, kRString = 0x00D6, kXf = 0x00E0, kSst = 0x00FC, kLabelSst = 0x00FD,
  kExcel9File = 0x01C0, kDimensions = 0x0200, kBlank = 0x0201, kNumber = 0x0203, kLabel = 0x0204,
  kBoolErr = 0x0205, kFormula3 = 0x0206, kString = 0x0207, kRow = 0x0208, kRk = 0x027E, kFormula4 = 0x0406,
  // Number formats of BIFF2 to BIFF4 files.
  kFormat2 = 0x001E, kFormat4 = 0x041E, kXf2 = 0x0043, kXf3 = 0x0243, kXf4 = 0x0443,
};

// Sheet types of a BOF record.
enum : std::uint16_t {
  kGlobals = 0x0005, kVbModule = 0x0006, kWorksheet = 0x0010, kChart = 0x0020, kMacroSheet = 0x0040,
  kWorkspace = 0x0100,
};

// Bodies longer than these are skipped unread: the largest record of a
// BIFF5/7 stream, of a BIFF8 stream, and the record buffer of a plain file.
constexpr std::size_t kBiff5BodyLimit = 2080;
constexpr std::size_t kBiff8BodyLimit = 8224;
constexpr std::size_t kPlainBodyLimit = 32768;

bool IsBofCode(std::uint16_t code) {
  const unsigned high = code >> 8;
  return (code & 0xFF) == 0x09 && (high == 0x00 || high == 0x02 || high == 0x04 || high == 0x08);
}

}  // namespace

TBiffReader::TBiffReader(TMSExcel& owner, TStreamWindow& stream, TRoute route)
    : x_(owner),
      stream_(stream),
      size_(stream.Size()),
      route_(route),
      bodyLimit_(route == TRoute::Plain                                   ? kPlainBodyLimit
                 : owner.version_ >= TExcelVersion::evExcel8 ? kBiff8BodyLimit
                                                                          : kBiff5BodyLimit) {}

void TBiffReader::Run() {
  store_ = x_.DefaultCellStore();
  TRecord rec;
  while (!finished_ && NextRecord(rec)) {
    pos_ = rec.offset + 4 + rec.length;
    firstRecord_ = false;
    if (rec.body != nullptr) Dispatch(rec);
    x_.ReportProgress(static_cast<std::int64_t>(pos_), static_cast<std::int64_t>(size_));
  }
  if (route_ == TRoute::Plain) FinishPlain();
}

bool TBiffReader::NextRecord(TRecord& rec) {
  if (pos_ >= size_) return false;
  const std::size_t left = size_ - pos_;
  if (left < 4) {
    // Zero padding after the last record is harmless; anything else is a cut record.
    const std::uint8_t* tail = stream_.Have(pos_, left);
    if (std::all_of(tail, tail + left, [](std::uint8_t b) { return b == 0; })) return false;
    throw ESpreadSheetError("The stream ends inside a record header at offset " + std::to_string(pos_));
  }
  const std::uint8_t* header = stream_.Have(pos_, 4);
  rec.code = Le16(header);
  rec.length = Le16(header + 2);
  rec.offset = pos_;
  if (firstRecord_ && !IsBofCode(rec.code))
    throw ESpreadSheetError(route_ == TRoute::Plain ? "File is not a Excel file" : "File is not a Excel Workbook");
  x_.ReportProgress(static_cast<std::int64_t>(pos_ + 4), static_cast<std::int64_t>(size_));
  if (left - 4 < rec.length) {
    throw ESpreadSheetError("Record " + Hex16(rec.code) + " at offset " + std::to_string(pos_) +
                            " runs past the end of the stream");
  }
  // The shared-string table is read whatever its length; other long bodies are passed over.
  const bool skip = rec.length > bodyLimit_ && rec.code != kSst;
  // Header and body are taken together, so the window holds the whole record.
  rec.body = skip ? nullptr : stream_.Have(pos_, 4 + rec.length) + 4;
  return true;
}

bool TBiffReader::IsBiff8() const { return x_.version_ >= TExcelVersion::evExcel8; }

bool TBiffReader::InWorksheet() const {
  if (substreams_.empty()) return route_ == TRoute::Plain;
  switch (substreams_.back()) {
    case kGlobals: case kVbModule: case kChart: case kMacroSheet: case kWorkspace: return false;
    default: return true;
  }
}

void TBiffReader::Dispatch(const TRecord& rec) {
  if (IsBofCode(rec.code)) return OnBof(rec);
  if ((rec.code & 0xFF) == 0x09 && route_ == TRoute::Plain) throw ESpreadSheetError("File is not a Excel file");
  switch (rec.code) {
    case kEof: return OnEof();
    case kFilePass: throw ESpreadSheetError("Can not read: file is encrypted");
    case kCodePage:
      if (!IsBiff8()) codePage_ = TCodePage(rec.U16(0));
      return;
    case kBoundSheet: return OnBoundSheet(rec);
    case kXf: x_.formats_.push_back(rec.U16(2)); return;
    case kFormat2:
    case kFormat4: return OnOldFormat(rec);
    case kXf2:
    case kXf3:
    case kXf4: return OnOldXf(rec);
    case kSst: return OnSst(rec);
    case kExcel9File: x_.version_ = TExcelVersion::evExcel9; return;
    default: break;
  }
  if (!InWorksheet()) return;
  switch (rec.code) {
    case kDimensions: return OnDimensions(rec);
    case kColInfo: return OnColumnInfo(rec);
    case kColWidth2: return OnColumnWidth(rec);
    case kRow: return OnRow(rec);
    case kString2:
    case kString: return OnString(rec);
    default: break;
  }
  if (!x_.OnCellValue) return;
  switch (rec.code) {
    case kBlank2: pendingString_.active = false; return Report(rec.U16(0), rec.U16(2), {}, Biff2Alignment(rec));
    case kBlank: pendingString_.active = false; return Report(rec.U16(0), rec.U16(2), {});
    case kInteger2: pendingString_.active = false; return OnInteger(rec);
    case kNumber2: pendingString_.active = false; return OnNumber(rec, 7);
    case kNumber: pendingString_.active = false; return OnNumber(rec, 6);
    case kLabel2: pendingString_.active = false; return OnLabelBiff2(rec);
    case kLabel:
    case kRString: pendingString_.active = false; return OnLabel(rec);
    case kLabelSst: pendingString_.active = false; return OnLabelSst(rec);
    case kBoolErr2: pendingString_.active = false; return OnBoolErr(rec, 7);
    case kBoolErr: pendingString_.active = false; return OnBoolErr(rec, 6);
    case kRk2:
    case kRk: pendingString_.active = false; return OnRk(rec);
    case kMulRk: pendingString_.active = false; return OnMulRk(rec);
    case kMulBlank: pendingString_.active = false; return OnMulBlank(rec);
    case kFormula:
    case kFormula3:
    case kFormula4: pendingString_.active = false; return OnFormula(rec);
    default: return;
  }
}

void TBiffReader::Report(int row, int column, const TCellValue& value, TAlignment alignment) {
  if (store_ == nullptr) {
    x_.OnCellValue(x_, x_.sheetIndex_, row, column, value, alignment);
  } else if (!value.IsEmpty()) {
    if (storeCells_ == nullptr || storeSheet_ != x_.sheetIndex_) {
      storeSheet_ = x_.sheetIndex_;
      storeCells_ = &store_->Sheet(storeSheet_).Cells();
    }
    // Every row takes at least one cell record of ten bytes, so the stream
    // left bounds how many rows a sheet's DIMENSIONS may make room for.
    const int expectedRows = static_cast<int>(std::min<std::size_t>(
        static_cast<std::size_t>(std::max(storeCells_->LastRow, 0)), (size_ - std::min(pos_, size_)) / 10 + 1));
    storeCells_->Store(column, row, value, alignment, expectedRows);
  }
  largestRow_ = std::max(largestRow_, row);
  largestColumn_ = std::max(largestColumn_, column);
}

TCellValue TBiffReader::Number(double value, int xf) const {
  // BIFF2 to BIFF4 number their formats their own way: a cell is a date only
  // through an XF of the file whose format reads as a date.
  if (x_.version_ <= TExcelVersion::evExcel4 && static_cast<std::size_t>(xf) >= x_.formats_.size())
    return TCellValue(value);
  return x_.IsDateXF(xf) ? TCellValue(TDateTime{value}) : TCellValue(value);
}

bool IsDateFormatText(std::string_view format) {
  bool date = false;
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c == '"') {
      const std::size_t end = format.find('"', i + 1);
      i = end == std::string_view::npos ? format.size() : end;
    } else if (c == '\\' || c == '_' || c == '*') {
      ++i;  // an escaped, spacing or fill character
    } else if (c == '[') {
      // Colours and conditions are passed over; elapsed time ([h], [mm]) is a time.
      const std::size_t end = format.find(']', i + 1);
      const std::string_view inside = format.substr(i + 1, end == std::string_view::npos ? 0 : end - i - 1);
      if (!inside.empty() && inside.find_first_not_of("hHmMsS") == std::string_view::npos) date = true;
      i = end == std::string_view::npos ? format.size() : end;
    } else if (c == '0' || c == '#' || c == '?') {
      return false;
    } else if (std::strchr("dmyhsDMYHS", c) != nullptr) {
      date = true;
    }
  }
  return date;
}

void TBiffReader::OnOldFormat(const TRecord& rec) {
  if (x_.version_ > TExcelVersion::evExcel4) return;
  // BIFF4 puts two bytes before the text; formats are numbered in file order.
  const std::size_t at = rec.code == kFormat4 ? 2 : 0;
  const std::size_t chars = rec.U8(at);
  rec.Need(at + 1 + chars);
  oldFormatIsDate_.push_back(
      IsDateFormatText(std::string_view(reinterpret_cast<const char*>(rec.body + at + 1), chars)));
}

void TBiffReader::OnOldXf(const TRecord& rec) {
  if (x_.version_ > TExcelVersion::evExcel4) return;
  const std::size_t format = rec.code == kXf2 ? (rec.U8(2) & 0x3F) : rec.U8(1);
  const bool date = format < oldFormatIsDate_.size() && oldFormatIsDate_[format];
  // Entered as the built-in number of a date format (14) or of General (0).
  x_.formats_.push_back(date ? 14 : 0);
}

TAlignment TBiffReader::Biff2Alignment(const TRecord& rec) const {
  const std::uint8_t bits = rec.U8(6);
  if ((bits & 3) == 3) return TAlignment::taRightJustify;
  if ((bits & 2) != 0) return TAlignment::taCenter;
  return TAlignment::taLeftJustify;
}

std::string TBiffReader::ReadText(const TRecord& rec, std::size_t at, std::size_t chars, bool wide,
                                  const char* what) {
  const TCharSet charSet = wide ? TCharSet::Utf16 : IsBiff8() ? TCharSet::Latin1 : TCharSet::CodePage;
  std::string text;
  text.reserve(chars);
  TPieceReader in(stream_, rec, what, codePage_);
  in.TakeInPiece(at);
  in.ReadText(text, chars, charSet, IsBiff8());
  // A text that ran on into CONTINUE records moves the record loop past them.
  if (in.PieceEnd() > rec.offset + 4 + rec.length) pos_ = in.PieceEnd();
  return text;
}

// --- Substreams and sheets --------------------------------------------------

void TBiffReader::OnBof(const TRecord& rec) {
  const std::uint16_t type = rec.U16(2);
  if (route_ == TRoute::Plain) {
    switch (rec.code >> 8) {
      case 0x00: x_.version_ = TExcelVersion::evExcel2; break;
      case 0x02: x_.version_ = TExcelVersion::evExcel3; break;
      case 0x04: x_.version_ = TExcelVersion::evExcel4; break;
      default: x_.version_ = TExcelVersion::evExcel5; break;
    }
    substreams_.push_back(type);
    return;
  }
  if (rec.offset == 0) {
    // The stream's name says which Excel wrote it, but the first BOF says
    // how the records are laid out; real files name a BIFF8 stream "Book".
    const std::uint16_t layout = rec.U16(0);
    if (layout == 0x0600 && x_.version_ < TExcelVersion::evExcel8) x_.version_ = TExcelVersion::evExcel8;
    if (layout == 0x0500 && x_.version_ >= TExcelVersion::evExcel8) x_.version_ = TExcelVersion::evExcel7;
    bodyLimit_ = IsBiff8() ? kBiff8BodyLimit : kBiff5BodyLimit;
  }
  substreams_.push_back(type);
  if (type != kWorksheet) return;

  const int index = ++x_.sheetIndex_;
  // The sheet list entry whose offset is this BOF; failing that, the
  // entry counted like the worksheets.
  auto match = std::find_if(sheets_.begin(), sheets_.end(),
                            [&](const TSheetEntry& e) { return e.offset == rec.offset; });
  currentEntry_ = match != sheets_.end() ? static_cast<std::size_t>(match - sheets_.begin())
                                         : static_cast<std::size_t>(index);
  const std::string caption =
      currentEntry_ < sheets_.size() ? sheets_[currentEntry_].name : "Sheet" + std::to_string(index + 1);
  bool skip = false;
  if (x_.OnSheet) x_.OnSheet(x_, caption, index, skip);
  if (!skip) return;
  substreams_.pop_back();
  if (currentEntry_ + 1 >= sheets_.size()) {
    finished_ = true;
    return;
  }
  const TSheetEntry& next = sheets_[currentEntry_ + 1];
  if (next.offset <= rec.offset || next.offset >= size_) {
    throw ESpreadSheetError("The offset " + std::to_string(next.offset) + " of sheet \"" + next.name +
                            "\" is out of the stream");
  }
  pos_ = next.offset;
}

void TBiffReader::OnEof() {
  if (substreams_.empty()) return;
  const std::uint16_t type = substreams_.back();
  substreams_.pop_back();
  if (route_ == TRoute::Storage && type == kWorksheet && x_.sheetIndex_ >= 0 &&
      currentEntry_ + 1 >= sheets_.size())
    finished_ = true;
}

void TBiffReader::OnBoundSheet(const TRecord& rec) {
  TSheetEntry entry;
  entry.offset = rec.U32(0);
  const std::size_t chars = rec.U8(6);
  if (IsBiff8()) {
    const bool wide = (rec.U8(7) & 1) != 0;
    rec.Need(8 + chars * (wide ? 2 : 1));
    if (wide) {
      std::uint16_t pending = 0;
      AppendUtf16(entry.name, rec.body + 8, chars, pending);
      FlushUtf16(entry.name, pending);
    } else {
      AppendLatin1(entry.name, rec.body + 8, chars);
    }
  } else {
    rec.Need(7 + chars);
    codePage_.Append(entry.name, rec.body + 7, chars);
  }
  sheets_.push_back(std::move(entry));
}

void TBiffReader::OnDimensions(const TRecord& rec) {
  if (route_ == TRoute::Plain) {
    dimensionsSeen_ = true;
    dimensionsLastRow_ = rec.U16(2) + 1;
    dimensionsLastColumn_ = rec.U16(6) + 1;
    if (x_.OnDimensions) x_.OnDimensions(x_, x_.sheetIndex_, 0, dimensionsLastRow_, 0, dimensionsLastColumn_);
    return;
  }
  if (!x_.OnDimensions) return;
  if (IsBiff8()) {
    x_.OnDimensions(x_, x_.sheetIndex_, static_cast<int>(rec.U32(0)), static_cast<int>(rec.U32(4)), rec.U16(8),
                    rec.U16(10));
  } else {
    x_.OnDimensions(x_, x_.sheetIndex_, rec.U16(0), rec.U16(2), rec.U16(4), rec.U16(6));
  }
}

void TBiffReader::OnColumnInfo(const TRecord& rec) {
  if (!x_.OnColumnWidth) return;
  // A sheet has 256 columns (0 to 255); some writers end the last range at
  // 256, and a damaged one could ask for 65,536 reports per record.
  constexpr int kLastColumn = 255;
  const int width = rec.U16(4);
  for (int column = rec.U16(0), last = std::min<int>(rec.U16(2), kLastColumn); column <= last; ++column)
    x_.OnColumnWidth(x_, x_.sheetIndex_, column, width);
}

void TBiffReader::OnColumnWidth(const TRecord& rec) {
  if (!x_.OnColumnWidth) return;
  const int width = rec.U8(3);
  for (int column = rec.U8(0), last = rec.U8(1); column <= last; ++column)
    x_.OnColumnWidth(x_, x_.sheetIndex_, column, width);
}

void TBiffReader::OnRow(const TRecord& rec) {
  if (x_.OnRowHeight) x_.OnRowHeight(x_, x_.sheetIndex_, rec.U16(0), rec.U16(6));
}

void TBiffReader::FinishPlain() {
  if (!x_.OnDimensions) return;
  if (!dimensionsSeen_ || largestRow_ > dimensionsLastRow_ || largestColumn_ > dimensionsLastColumn_)
    x_.OnDimensions(x_, x_.sheetIndex_, 0, largestRow_ + 1, 0, largestColumn_ + 1);
}

// --- Shared strings ----------------------------------------------------------

void TBiffReader::OnSst(const TRecord& rec) {
  TPieceReader in(stream_, rec, "SST", codePage_);
  const std::uint8_t* counts = in.TakeInPiece(8);
  const std::uint32_t unique = Le32(counts + 4);
  // Each string takes at least three bytes, so the stream bounds the table.
  x_.sst_.reserve(std::min<std::size_t>(unique, (size_ - rec.offset) / 3));
  for (std::uint32_t i = 0; i < unique; ++i) ReadSharedString(in);
  pos_ = std::max(pos_, in.PieceEnd());
}

void TBiffReader::ReadSharedString(TPieceReader& in) {
  if (in.Left() < 3) in.NextContinue();
  const std::uint8_t* head = in.TakeInPiece(3);
  const std::size_t chars = Le16(head);
  const std::uint8_t option = head[2];
  // Bit 0: 16-bit characters; bit 2: a phonetic block follows; bit 3: rich-text runs follow.
  if ((option & ~0x0Du) != 0) throw ESpreadSheetError("Unhandled string in SST [" + Hex8(option) + "]");
  const std::size_t runCount = (option & 0x08) != 0 ? in.ReadU16() : 0;
  const std::size_t phoneticSize = (option & 0x04) != 0 ? in.ReadU32() : 0;
  // One buffer for every string keeps the table's texts side by side in
  // memory, which the cells that refer to them later walk in order.
  std::string& text = scratch_;
  text.clear();
  in.ReadText(text, chars, (option & 1) != 0 ? TCharSet::Utf16 : TCharSet::Latin1, true);
  if ((option & 0x08) != 0) {
    std::vector<std::uint8_t> runs(2 + 4 * runCount);
    runs[0] = static_cast<std::uint8_t>(runCount);
    runs[1] = static_cast<std::uint8_t>(runCount >> 8);
    in.Read(runs.data() + 2, 4 * runCount);
    x_.runs_.emplace_back(x_.sst_.size(), std::move(runs));
  }
  in.Skip(phoneticSize);
  x_.sst_.push_back(texts_.Make(text));
}

// --- Cells --------------------------------------------------------------------

void TBiffReader::OnLabel(const TRecord& rec) {
  const std::size_t chars = rec.U16(6);
  bool wide = false;
  std::size_t at = 8;
  // An empty text needs no option byte, and some writers leave it out.
  const int row = rec.U16(0);
  const int column = rec.U16(2);
  if (chars == 0) return Report(row, column, TCellValue(std::string_view()));
  if (IsBiff8()) {
    wide = (rec.U8(8) & 1) != 0;
    at = 9;
  }
  // The text may run on into CONTINUE records, and the record's own body is
  // not to be read again once it has.
  Report(row, column, texts_.Make(ReadText(rec, at, chars, wide, "LABEL")));
}

void TBiffReader::OnLabelBiff2(const TRecord& rec) {
  const std::size_t chars = rec.U8(7);
  rec.Need(8 + chars);
  std::string text;
  codePage_.Append(text, rec.body + 8, chars);
  Report(rec.U16(0), rec.U16(2), texts_.Make(text), Biff2Alignment(rec));
}

void TBiffReader::OnLabelSst(const TRecord& rec) {
  const std::uint32_t index = rec.U32(6);
  if (index >= x_.sst_.size()) throw ESpreadSheetError("List index out of bounds (" + std::to_string(index) + ")");
  Report(rec.U16(0), rec.U16(2), x_.sst_[index]);
}

void TBiffReader::OnInteger(const TRecord& rec) {
  // An unsigned integer, or a date when its XF's format is one.
  const std::uint16_t value = rec.U16(7);
  const int xf = rec.U8(4) & 0x3F;
  const TCellValue cell = x_.version_ <= TExcelVersion::evExcel4 && static_cast<std::size_t>(xf) < x_.formats_.size() &&
                                  x_.IsDateXF(xf)
                              ? TCellValue(TDateTime{static_cast<double>(value)})
                              : TCellValue(static_cast<std::uint32_t>(value));
  Report(rec.U16(0), rec.U16(2), cell, Biff2Alignment(rec));
}

void TBiffReader::OnNumber(const TRecord& rec, std::size_t at) {
  const double value = rec.F64(at);
  // BIFF2 cells hold their XF number in the low six bits of the first
  // attribute byte; the next byte belongs to the font and format.
  const bool biff2 = at == 7;
  const int xf = biff2 ? rec.U8(4) & 0x3F : rec.U16(4);
  Report(rec.U16(0), rec.U16(2), Number(value, xf), biff2 ? Biff2Alignment(rec) : TAlignment::taLeftJustify);
}

void TBiffReader::OnRk(const TRecord& rec) {
  Report(rec.U16(0), rec.U16(2), Number(DecodeRK(rec.U32(6)), rec.U16(4)));
}

void TBiffReader::OnMulRk(const TRecord& rec) {
  rec.Need(6);
  const int row = rec.U16(0);
  const int first = rec.U16(2);
  const std::size_t count = (rec.length - 6) / 6;
  for (std::size_t i = 0; i < count; ++i)
    Report(row, first + static_cast<int>(i), Number(DecodeRK(rec.U32(6 + 6 * i)), rec.U16(4 + 6 * i)));
}

void TBiffReader::OnMulBlank(const TRecord& rec) {
  rec.Need(6);
  const int row = rec.U16(0);
  const int first = rec.U16(2);
  const std::size_t count = (rec.length - 6) / 2;
  for (std::size_t i = 0; i < count; ++i) Report(row, first + static_cast<int>(i), {});
}

void TBiffReader::OnBoolErr(const TRecord& rec, std::size_t at) {
  const std::uint8_t value = rec.U8(at);
  const std::uint8_t isError = rec.U8(at + 1);
  const TAlignment alignment = at == 7 ? Biff2Alignment(rec) : TAlignment::taLeftJustify;
  Report(rec.U16(0), rec.U16(2), isError != 0 ? TCellValue(ErrorText(value)) : TCellValue(value != 0), alignment);
}

void TBiffReader::OnFormula(const TRecord& rec) {
  const bool biff2 = rec.code == kFormula && x_.version_ == TExcelVersion::evExcel2;
  const std::size_t at = biff2 ? 7 : 6;
  const int row = rec.U16(0);
  const int column = rec.U16(2);
  rec.Need(at + 8);
  if (rec.body[at + 6] != 0xFF || rec.body[at + 7] != 0xFF) {
    const double value = LeDouble(rec.body + at);
    return Report(row, column, biff2 ? TCellValue(value) : Number(value, rec.U16(4)));
  }
  // Not a number: the first byte says what the result is.
  switch (rec.body[at]) {
    case 0:  // a text, held by the STRING record that follows
      pendingString_ = {true, row, column};
      return;
    case 1: return Report(row, column, TCellValue(rec.body[at + 2] != 0));
    case 2: return Report(row, column, TCellValue(ErrorText(rec.body[at + 2])));
    default: return Report(row, column, {});  // an empty text: no value
  }
}

void TBiffReader::OnString(const TRecord& rec) {
  if (!pendingString_.active || !x_.OnCellValue) return;
  pendingString_.active = false;
  std::string text;
  if (rec.code == kString2 && x_.version_ == TExcelVersion::evExcel2) {
    const std::size_t chars = rec.U8(0);
    rec.Need(1 + chars);
    codePage_.Append(text, rec.body + 1, chars);
  } else if (IsBiff8()) {
    const std::size_t chars = rec.U16(0);
    if (chars > 0) text = ReadText(rec, 3, chars, (rec.U8(2) & 1) != 0, "STRING");
  } else {
    text = ReadText(rec, 2, rec.U16(0), false, "STRING");
  }
  Report(pendingString_.row, pendingString_.column, TCellValue(text));
}

}  // namespace zolt::biff
