#include "spreadsheet/msexcel.h"

#include "disc/discfile.h"
#include "spreadsheet/biffreader.h"
#include "spreadsheet/compoundfile.h"
#include "spreadsheet/streamwindow.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <unistd.h>

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
  // The one open of a disc file: a regular file or nothing, never blocking.
  disc::DiscFile file = disc::OpenDiscFile(name, fileRoot_);
  if (!file) {
    if (disc::LeadsOutside(file.state(), file.error())) throw ESpreadSheetError("File is outside the disc.");
    if (file.state() == disc::FileState::kNotRegular) throw ESpreadSheetError("File is not a regular file.");
    if (file.state() == disc::FileState::kMissing) throw ESpreadSheetError("File is not exists.");
    throw ESpreadSheetError("Cannot open the file: " + std::string(std::strerror(file.error())));
  }
  std::uint8_t head[8] = {};
  ssize_t got;
  do {
    got = ::pread(file.fd(), head, sizeof head, 0);
  } while (got < 0 && errno == EINTR);
  if (got < 0) throw ESpreadSheetError("Cannot read the file: " + std::string(std::strerror(errno)));
  if (biff::HasCompoundSignature(head, static_cast<std::size_t>(got))) {
    std::FILE* stream = ::fdopen(file.fd(), "rb");
    if (stream == nullptr) throw ESpreadSheetError("Cannot open the file: " + std::string(std::strerror(errno)));
    file.Release();  // the stream closes it now
    LoadStorage(biff::OpenWorkbookStream(stream, name));
    return;
  }
  // A plain BIFF2 to BIFF4 file, read in pieces as its records pass.
  biff::TFileSource source(file.fd(), 0);
  biff::TStreamWindow window(source, static_cast<std::size_t>(file.size()));
  biff::TBiffReader(*this, window, biff::TRoute::Plain).Run();
}

void TMSExcel::LoadFromMemory(const void* data, std::size_t size) {
  Sheets().Clear();
  InstallDefaultHandlers();
  ResetForLoad();
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  if (biff::HasCompoundSignature(bytes, size)) {
    LoadStorage(biff::OpenWorkbookStream(bytes, size));
    return;
  }
  biff::TMemorySource source(bytes, size);
  biff::TStreamWindow window(source, size);
  biff::TBiffReader(*this, window, biff::TRoute::Plain).Run();
}

void TMSExcel::LoadStorage(biff::TWorkbookStream&& stream) {
  if (!stream.found) throw ESpreadSheetError("File is not a Excel Workbook");
  version_ = stream.book ? TExcelVersion::evExcel7 : TExcelVersion::evExcel8;
  biff::TStreamWindow window(*stream.source, stream.size);
  biff::TBiffReader(*this, window, biff::TRoute::Storage).Run();
}

}  // namespace zolt
