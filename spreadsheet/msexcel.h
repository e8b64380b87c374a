#pragma once
// TMSExcel reads an Excel workbook: BIFF5 to BIFF8 records in the "Book" or
// "Workbook" stream of an OLE2 compound file, or a bare BIFF2 to BIFF4 file.
// Texts come out as UTF-8: 16-bit texts from UTF-16LE, 8-bit texts of BIFF8
// as Latin-1, 8-bit texts of older files in the workbook's code page.
//
// Faults: unknown records are passed over; a record too short for what it
// must hold, a text running past its record and its CONTINUE pieces, a
// broken shared-string table, an encrypted workbook or a damaged compound
// file end the load with an ESpreadSheetError whose message says what was
// wrong. The sheet model keeps what was stored before the fault.

#include "spreadsheet/spreadsheet.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zolt {

namespace biff {
class TBiffReader;
struct TWorkbookStream;
}  // namespace biff

enum class TExcelVersion : std::uint8_t {
  evUnknown, evExcel2, evExcel3, evExcel4, evExcel5, evExcel7, evExcel8, evExcel9
};

// "evExcel8" and so on.
const char* ExcelVersionName(TExcelVersion version) noexcept;

// An RK number: a double whose upper 32 bits are stored, or a 30-bit integer,
// either of them possibly scaled by 1/100.
double DecodeRK(std::uint32_t value) noexcept;

// "#DIV/0!" and the other error texts of a BOOLERR or formula result.
const char* ErrorText(std::uint8_t code) noexcept;

class TMSExcel : public TSpreadSheetFile {
 public:
  TMSExcel();
  ~TMSExcel() override;

  void LoadFromFile(const std::string& name) override;

  // The folder a file loaded by name must really lie in, once links and ".."
  // are resolved: a workbook that lies elsewhere is refused like a missing
  // one. Every file of the machine until set; the archive search sets the disc.
  void SetFileRoot(std::string root) { fileRoot_ = std::move(root); }

  // Loads a workbook held in memory (the whole file); FileName is left as is.
  // Used by the fuzz target and by tests that build files byte by byte.
  void LoadFromMemory(const void* data, std::size_t size);

  TExcelVersion Version() const noexcept { return version_; }
  int SheetIndex() const noexcept { return sheetIndex_; }

  // True when XF number x has one of the built-in date and time formats.
  bool IsDateXF(int xf) const noexcept;

  // The shared-string table of the last load, in table order.
  const std::vector<TCellValue>& SharedStrings() const noexcept { return sst_; }
  // The run block of a rich-text shared string as read (16-bit run count,
  // then 4-byte runs: character index, font index), or empty.
  const std::vector<std::uint8_t>& SharedStringRuns(std::size_t index) const noexcept;

 private:
  friend class biff::TBiffReader;
  void ResetForLoad();
  void LoadStorage(biff::TWorkbookStream&& stream);

  TExcelVersion version_ = TExcelVersion::evUnknown;
  int sheetIndex_ = -1;
  std::string fileRoot_ = "/";
  std::vector<std::uint16_t> formats_;  // XF number -> number-format index
  std::vector<TCellValue> sst_;
  // Run blocks of the rich-text strings, by table index, in table order.
  std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> runs_;
};

}  // namespace zolt
