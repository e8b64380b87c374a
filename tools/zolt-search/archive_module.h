#pragma once
// The interface of zolt-search's archive module (zolt-search-archive.so,
// beside the program).

#include <cstddef>

// Called once per archive line, in order.
using ZoltSearchLine = void (*)(void* context, const char* text, std::size_t size);

// Looks the UTF-8 word up in DISC/home/Archivio.xls. Returns 1 when the
// workbook was read (its lines given to `line`), 0 when it could not be,
// with the reader's message in `error`.
extern "C" int ZoltSearchArchive(const char* root, const char* word, ZoltSearchLine line, void* context,
                                 char* error, std::size_t errorSize);
using ZoltSearchArchiveFunction = decltype(&ZoltSearchArchive);
