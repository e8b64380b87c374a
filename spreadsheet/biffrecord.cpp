#include "spreadsheet/biffrecord.h"

#include <algorithm>
#include <cstdio>

namespace zolt::biff {

std::string Hex16(std::uint16_t value) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(value));
  return buf;
}

std::string Hex8(std::uint8_t value) {
  char buf[4];
  std::snprintf(buf, sizeof buf, "%.2X", static_cast<unsigned>(value));
  return buf;
}

void TRecord::Need(std::size_t bytes) const {
  if (bytes > length) {
    throw ESpreadSheetError("Record " + Hex16(code) + " at offset " + std::to_string(offset) + " is too short: " +
                            std::to_string(length) + " bytes, needs " + std::to_string(bytes));
  }
}

TPieceReader::TPieceReader(TStreamWindow& stream, const TRecord& first, const char* what,
                           const TCodePage& codePage)
    : stream_(stream),
      what_(what),
      codePage_(codePage),
      body_(first.body),
      pieceStart_(first.offset + 4),
      length_(first.length) {}

void TPieceReader::NextContinue() {
  const std::size_t at = PieceEnd();
  const std::uint8_t* header = stream_.Have(at, 4);
  if (header == nullptr || Le16(header) != kContinue) throw ESpreadSheetError("CONTINUE record missing");
  const std::size_t length = Le16(header + 2);
  const std::uint8_t* body = stream_.Have(at + 4, length);
  if (body == nullptr) {
    throw ESpreadSheetError("CONTINUE record at offset " + std::to_string(at) + " runs past the end of the stream");
  }
  pieceStart_ = at + 4;
  body_ = body;
  length_ = length;
  consumed_ = 0;
}

void TPieceReader::Overflow(std::size_t n) const {
  throw ESpreadSheetError(std::string(what_ == std::string("SST") ? "SST Buffer owerflow (" : "Buffer overflow (") +
                          std::to_string(n) + ")" +
                          (what_ == std::string("SST") ? "" : std::string(" in ") + what_));
}

const std::uint8_t* TPieceReader::TakeInPiece(std::size_t n) {
  if (n > Left()) Overflow(n);
  const std::uint8_t* p = body_ + consumed_;
  consumed_ += n;
  return p;
}

void TPieceReader::Read(std::uint8_t* out, std::size_t n) {
  while (n > 0) {
    if (Left() == 0) NextContinue();
    const std::size_t take = std::min(n, Left());
    std::memcpy(out, body_ + consumed_, take);
    consumed_ += take;
    out += take;
    n -= take;
  }
}

void TPieceReader::Skip(std::size_t n) {
  while (n > 0) {
    if (Left() == 0) NextContinue();
    const std::size_t take = std::min(n, Left());
    consumed_ += take;
    n -= take;
  }
}

std::uint16_t TPieceReader::ReadU16() {
  std::uint8_t b[2];
  Read(b, 2);
  return Le16(b);
}

std::uint32_t TPieceReader::ReadU32() {
  std::uint8_t b[4];
  Read(b, 4);
  return Le32(b);
}

void TPieceReader::ReadText(std::string& out, std::size_t chars, TCharSet charSet, bool optionBytes) {
  std::uint16_t pending = 0;
  while (chars > 0) {
    if (Left() == 0) {
      NextContinue();
      if (Left() == 0) continue;  // an empty CONTINUE holds no part of the text
      if (optionBytes) {
        const std::uint8_t option = *TakeInPiece(1);
        if (option > 1)
          throw ESpreadSheetError("Unknown string [" + Hex8(option) + "] in " + std::string(what_));
        charSet = (option & 1) != 0 ? TCharSet::Utf16 : TCharSet::Latin1;
      }
      continue;
    }
    const std::size_t width = charSet == TCharSet::Utf16 ? 2 : 1;
    const std::size_t take = std::min(chars, Left() / width);
    if (take == 0) {
      // Less than one character left: some writers leave a stray byte at the
      // end of a piece; the text goes on in the next CONTINUE.
      consumed_ = length_;
      continue;
    }
    const std::uint8_t* p = body_ + consumed_;
    switch (charSet) {
      case TCharSet::Latin1: AppendLatin1(out, p, take); break;
      case TCharSet::CodePage: codePage_.Append(out, p, take); break;
      case TCharSet::Utf16: AppendUtf16(out, p, take, pending); break;
    }
    consumed_ += take * width;
    chars -= take;
  }
  FlushUtf16(out, pending);
}

}  // namespace zolt::biff
