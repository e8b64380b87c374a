#pragma once
// Names and texts on the disc are Windows-1252 unless they are valid UTF-8.
// These are the Qt-free forms of that rule, giving UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

namespace zolt::disc {

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Appends the UTF-8 form of a code point (at most U+10FFFF, not a surrogate).
void AppendUtf8(std::string& out, char32_t u);

// The Unicode code point of one Windows-1252 byte; the five bytes the code
// page leaves undefined map to the C1 controls of the same value.
char32_t Cp1252ToUnicode(unsigned char byte);

// UTF-8 when valid, else Windows-1252 converted to UTF-8: the text the
// program shows for these bytes.
std::string DecodeDiscName(std::string_view bytes);
// A path of names, each level decoded as DecodeDiscName does, "/" kept between them.
std::string DecodeDiscPath(std::string_view path);

// Names on the disc are compared as the disc's file system does: ASCII
// letters without regard to case, every other byte as it is.
inline char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

inline bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// Hidden on the disc: a leading ".".
inline bool IsHiddenName(std::string_view name) { return !name.empty() && name.front() == '.'; }
// Catalogue folder names: the first "_" is the last character.
inline bool IsCatalogueName(std::string_view name) {
  return !name.empty() && !IsHiddenName(name) && name.find('_') == name.size() - 1;
}

}  // namespace zolt::disc
