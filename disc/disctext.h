#pragma once
// Names and texts on the disc are Windows-1252 unless they are valid UTF-8.
// These are the Qt-free forms of that rule, giving UTF-8.

#include <string>
#include <string_view>

namespace zolt::disc {

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// The Unicode code point of one Windows-1252 byte; the five bytes the code
// page leaves undefined map to the C1 controls of the same value.
char32_t Cp1252ToUnicode(unsigned char byte);

// UTF-8 when valid, else Windows-1252 converted to UTF-8: the text the
// program shows for these bytes.
std::string DecodeDiscName(std::string_view bytes);

}  // namespace zolt::disc
