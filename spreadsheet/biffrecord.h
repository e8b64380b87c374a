#pragma once
// Checked access to BIFF records: a record's body with its code and stream
// offset, and a reader that follows a record into the CONTINUE records after
// it, through the stream's window. Every read checks its length against what the
// record (and the stream) hold and throws ESpreadSheetError when short.

#include "spreadsheet/spreadsheet.h"
#include "spreadsheet/streamwindow.h"
#include "spreadsheet/textdecode.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace zolt::biff {

constexpr std::uint16_t kContinue = 0x003C;

inline std::uint16_t Le16(const std::uint8_t* p) noexcept {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t Le32(const std::uint8_t* p) noexcept {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline double LeDouble(const std::uint8_t* p) noexcept {
  std::uint64_t bits = static_cast<std::uint64_t>(Le32(p)) | (static_cast<std::uint64_t>(Le32(p + 4)) << 32);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

// "0x0203" for messages.
std::string Hex16(std::uint16_t value);
// "3F" for messages.
std::string Hex8(std::uint8_t value);

struct TRecord {
  std::uint16_t code = 0;
  std::size_t offset = 0;  // of the record header in the stream
  const std::uint8_t* body = nullptr;
  std::size_t length = 0;

  // Throws "Record 0x0203 at offset 1234 is too short: 10 bytes, needs 14".
  void Need(std::size_t bytes) const;
  std::uint8_t U8(std::size_t at) const {
    Need(at + 1);
    return body[at];
  }
  std::uint16_t U16(std::size_t at) const {
    Need(at + 2);
    return Le16(body + at);
  }
  std::uint32_t U32(std::size_t at) const {
    Need(at + 4);
    return Le32(body + at);
  }
  double F64(std::size_t at) const {
    Need(at + 8);
    return LeDouble(body + at);
  }
};

// How a text's characters are stored.
enum class TCharSet : std::uint8_t {
  Latin1,    // 8-bit characters of BIFF8 (the compressed form of UTF-16)
  CodePage,  // 8-bit characters of BIFF2 to BIFF7
  Utf16,     // 16-bit characters
};

// Reads a record's body and then the CONTINUE records that follow it, as one
// sequence of pieces. `what` names the record in messages ("SST", "LABEL").
class TPieceReader {
 public:
  // The first piece is `first`'s body; once the reader moves on to a
  // CONTINUE record, that body may be gone from the window.
  TPieceReader(TStreamWindow& stream, const TRecord& first, const char* what, const TCodePage& codePage);

  std::size_t Left() const noexcept { return length_ - consumed_; }
  // Stream offset just past the current piece.
  std::size_t PieceEnd() const noexcept { return pieceStart_ + length_; }
  // Moves to the next record, which must be a CONTINUE ("CONTINUE record missing").
  void NextContinue();
  // n bytes that must lie in the current piece ("SST Buffer owerflow (n)").
  const std::uint8_t* TakeInPiece(std::size_t n);
  // n bytes of non-text data that may run on into CONTINUE records.
  void Read(std::uint8_t* out, std::size_t n);
  void Skip(std::size_t n);
  std::uint16_t ReadU16();
  std::uint32_t ReadU32();
  // Appends `chars` characters as UTF-8. A text split between pieces goes on
  // after an option byte in each CONTINUE (bit 0: 16-bit characters) when
  // `optionBytes`; texts of BIFF2 to BIFF7 go on without one.
  void ReadText(std::string& out, std::size_t chars, TCharSet charSet, bool optionBytes);

 private:
  [[noreturn]] void Overflow(std::size_t n) const;

  TStreamWindow& stream_;
  const char* what_;
  const TCodePage& codePage_;
  const std::uint8_t* body_;
  std::size_t pieceStart_;  // offset of the piece's body in the stream
  std::size_t length_;
  std::size_t consumed_ = 0;
};

}  // namespace zolt::biff
