#pragma once
// A bare BIFF2 workbook written byte by byte: one sheet whose rows are
// {A, B, C} texts (8-bit, at most 255 bytes each). Enough for the archive
// lookup's tests, with no writer program needed.

#include <array>
#include <string>
#include <vector>

namespace zolt::searchtest {

using Row = std::array<std::string, 3>;

inline std::string U16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }

// Record code, body length, body.
inline std::string Record(unsigned code, const std::string& body) {
  return U16(code) + U16(static_cast<unsigned>(body.size())) + body;
}

// BOF (BIFF2 worksheet), `afterBof` (a FILEPASS, say), one LABEL per text, EOF.
inline std::string Workbook(const std::vector<Row>& rows, const std::string& afterBof = {}) {
  std::string book = Record(0x0009, U16(2) + U16(0x0010)) + afterBof;
  for (unsigned r = 0; r < rows.size(); ++r)
    for (unsigned c = 0; c < 3; ++c)
      if (!rows[r][c].empty())
        book += Record(0x0004, U16(r) + U16(c) + std::string(3, '\0') +
                                   static_cast<char>(rows[r][c].size()) + rows[r][c]);
  return book + Record(0x000A, {});
}

}  // namespace zolt::searchtest
