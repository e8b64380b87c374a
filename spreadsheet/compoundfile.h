#pragma once
// The compound-file layer under the workbook reader, built on libgsf: tell a
// compound file from a plain one, list the root storage's element names in
// the library's order, and read one named stream whole.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zolt::biff {

// True when the bytes start with the compound-file signature.
bool HasCompoundSignature(const std::uint8_t* data, std::size_t size) noexcept;

// The workbook stream of a compound file: the first root element named
// "Book" or "Workbook" (compared without regard to case).
struct TWorkbookStream {
  bool found = false;
  bool book = false;  // "Book" (Excel 5/95) rather than "Workbook"
  // The stream's bytes; left uninitialised until read, since a workbook
  // stream can be tens of megabytes.
  std::unique_ptr<std::uint8_t[]> data;
  std::size_t size = 0;
};

// From a file on disc, or from the file's bytes in memory. A damaged
// compound file throws ESpreadSheetError with libgsf's description.
TWorkbookStream ReadWorkbookStream(const std::string& path);
TWorkbookStream ReadWorkbookStream(const std::uint8_t* data, std::size_t size);

}  // namespace zolt::biff
