#pragma once
// The compound-file layer under the workbook reader, built on libgsf (opened
// on the first compound file, gsflibrary.h): tell a compound file from a
// plain one, find the workbook stream among the root storage's elements, and
// read it in pieces as the records pass. Where libgsf cannot be loaded,
// opening a compound file throws ESpreadSheetError saying so; plain BIFF
// files are read all the same.

#include "spreadsheet/streamwindow.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace zolt::biff {

// True when the bytes start with the compound-file signature.
bool HasCompoundSignature(const std::uint8_t* data, std::size_t size) noexcept;

// The workbook stream of a compound file: the root element named "Workbook"
// or, failing that, "Book" (compared without regard to case) that is a
// stream. An element of that name that is a storage is no workbook.
struct TWorkbookStream {
  bool found = false;
  bool book = false;  // "Book" (Excel 5/95) rather than "Workbook"
  std::size_t size = 0;
  std::unique_ptr<TByteSource> source;  // the stream's bytes, from offset 0
};

// From an open file, which the stream takes over (it is closed with the
// source, or at once on failure), or from the file's bytes in memory, which
// must outlive the source. A damaged compound file, or a workbook entry that
// is not a stream, throws ESpreadSheetError saying so.
TWorkbookStream OpenWorkbookStream(std::FILE* file, const std::string& name);
TWorkbookStream OpenWorkbookStream(const std::uint8_t* data, std::size_t size);

}  // namespace zolt::biff
