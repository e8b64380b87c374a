#pragma once
// Conversions of the workbook's texts to UTF-8: UTF-16LE (16-bit texts),
// Latin-1 (8-bit texts of BIFF8, the compressed form of UTF-16) and the
// code page of older workbooks (CODEPAGE record).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zolt::biff {

// Appends n UTF-16LE code units from p; a lone surrogate becomes U+FFFD.
// A pair split between two calls is joined through `pending`, the high
// surrogate left over from the previous call (0 when none).
void AppendUtf16(std::string& out, const std::uint8_t* p, std::size_t units, std::uint16_t& pending);
// Ends a text: a high surrogate still pending becomes U+FFFD.
void FlushUtf16(std::string& out, std::uint16_t& pending);

void AppendLatin1(std::string& out, const std::uint8_t* p, std::size_t n);

// A Windows or Macintosh code page as named by the CODEPAGE record.
// Single-byte pages convert through a table; the far-east double-byte pages
// (932, 936, 949, 950, 1361) through iconv. Unknown pages read as
// Windows-1252; bytes a page leaves undefined keep their Latin-1 meaning.
class TCodePage {
 public:
  explicit TCodePage(int codepage = 1252);
  int Number() const noexcept { return number_; }
  void Append(std::string& out, const std::uint8_t* p, std::size_t n) const;

 private:
  int number_;
  bool doubleByte_ = false;
  std::string iconvName_;
  std::array<std::array<char, 4>, 256> table_{};  // UTF-8 bytes, length in [3]
};

}  // namespace zolt::biff
