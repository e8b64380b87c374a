#include "spreadsheet/msexcel.h"

#include "spreadsheet/biffreader.h"
#include "spreadsheet/compoundfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace zolt {

const char* ExcelVersionName(TExcelVersion version) noexcept {
  switch (version) {
    case TExcelVersion::evUnknown: return "evUnknown";
    case TExcelVersion::evExcel2: return "evExcel2";
    case TExcelVersion::evExcel3: return "evExcel3";
    case TExcelVersion::evExcel4: return "evExcel4";
    case TExcelVersion::evExcel5: return "evExcel5";
    case TExcelVersion::evExcel7: return "evExcel7";
    case TExcelVersion::evExcel8: return "evExcel8";
    case TExcelVersion::evExcel9: return "evExcel9";
  }
  return "evUnknown";
}

double DecodeRK(std::uint32_t value) noexcept {
  double result;
  if ((value & 2) != 0) {
    // A 30-bit signed integer in the upper bits.
    result = static_cast<double>(static_cast<std::int32_t>(value) >> 2);
  } else {
    const std::uint64_t bits = static_cast<std::uint64_t>(value & 0xFFFFFFFCu) << 32;
    std::memcpy(&result, &bits, sizeof result);
  }
  if ((value & 1) != 0) result /= 100.0;
  return result;
}

const char* ErrorText(std::uint8_t code) noexcept {
  switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    case 0x2A: return "#N/A";
    default: return "#???";
  }
}

TMSExcel::TMSExcel() = default;
TMSExcel::~TMSExcel() = default;

bool TMSExcel::IsDateXF(int xf) const noexcept {
  int format = xf;
  if (xf >= 0 && static_cast<std::size_t>(xf) < formats_.size()) {
    format = formats_[static_cast<std::size_t>(xf)];
    if (format > 49) return false;
  }
  return format >= 14 && format <= 22;
}

const std::vector<std::uint8_t>& TMSExcel::SharedStringRuns(std::size_t index) const noexcept {
  static const std::vector<std::uint8_t> kNone;
  // Rich strings are appended in table order, so the blocks are sorted by index.
  auto it = std::lower_bound(runs_.begin(), runs_.end(), index,
                             [](const auto& entry, std::size_t i) { return entry.first < i; });
  return it != runs_.end() && it->first == index ? it->second : kNone;
}

void TMSExcel::ResetForLoad() {
  formats_.clear();
  sheetIndex_ = -1;
  sst_.clear();
  sst_.shrink_to_fit();
  runs_.clear();
}

void TMSExcel::LoadFromFile(const std::string& name) {
  TSpreadSheetFile::LoadFromFile(name);
  ResetForLoad();
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (file == nullptr) throw ESpreadSheetError("Cannot open the file: " + std::string(std::strerror(errno)));
  std::uint8_t head[8] = {};
  const std::size_t got = std::fread(head, 1, sizeof head, file);
  if (biff::HasCompoundSignature(head, got)) {
    std::fclose(file);
    LoadStorage(biff::ReadWorkbookStream(name));
    return;
  }
  // A plain BIFF2 to BIFF4 file: read whole, in a buffer of the file's size.
  std::error_code ec;
  const auto size = static_cast<std::size_t>(std::filesystem::file_size(name, ec));
  auto data = std::make_unique_for_overwrite<std::uint8_t[]>(std::max<std::size_t>(size, got));
  std::memcpy(data.get(), head, got);
  const std::size_t read = got + (size > got ? std::fread(data.get() + got, 1, size - got, file) : 0);
  const bool failed = ec || std::ferror(file) != 0;
  std::fclose(file);
  if (failed) throw ESpreadSheetError("Cannot read the file: " + name);
  biff::TBiffReader reader(*this, data.get(), read, biff::TRoute::Plain);
  reader.ReleaseConsumed();
  reader.Run();
}

void TMSExcel::LoadFromMemory(const void* data, std::size_t size) {
  Sheets().Clear();
  InstallDefaultHandlers();
  ResetForLoad();
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  if (biff::HasCompoundSignature(bytes, size)) {
    LoadStorage(biff::ReadWorkbookStream(bytes, size));
    return;
  }
  biff::TBiffReader(*this, bytes, size, biff::TRoute::Plain).Run();
}

void TMSExcel::LoadStorage(biff::TWorkbookStream&& stream) {
  if (!stream.found) throw ESpreadSheetError("File is not a Excel Workbook");
  version_ = stream.book ? TExcelVersion::evExcel7 : TExcelVersion::evExcel8;
  biff::TBiffReader reader(*this, stream.data.get(), stream.size, biff::TRoute::Storage);
  reader.ReleaseConsumed();
  reader.Run();
}

}  // namespace zolt
