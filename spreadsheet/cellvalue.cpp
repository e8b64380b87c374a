#include "spreadsheet/cellvalue.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include <sys/mman.h>

namespace zolt {

// A shared immutable text. On its own: a 32-bit word of (length << 1), a
// 32-bit reference count, then the bytes. Made by an arena: a 16-bit word of
// (length << 1) | 1, then the bytes, in a block whose own count stands for
// the references. The low bit of the first byte tells the two apart.
struct TCellValue::TextRep {
  // The text's bytes as allocated; the struct itself is only their address.
  const unsigned char* Bytes() const noexcept { return reinterpret_cast<const unsigned char*>(this); }
  unsigned char* Bytes() noexcept { return reinterpret_cast<unsigned char*>(this); }

  bool InArena() const noexcept { return (Bytes()[0] & 1) != 0; }
  std::size_t Size() const noexcept {
    const unsigned char* b = Bytes();
    if (InArena()) return static_cast<std::size_t>(b[0] | (b[1] << 8)) >> 1;
    std::uint32_t word;
    std::memcpy(&word, b, sizeof word);
    return word >> 1;
  }
  const char* Data() const noexcept { return reinterpret_cast<const char*>(Bytes()) + (InArena() ? 2 : 8); }
  std::uint32_t& Refs() noexcept { return *reinterpret_cast<std::uint32_t*>(Bytes() + 4); }
};

// A block is aligned on its own size, so a text finds its block from its own
// address. `live` counts the values that refer to texts in it, plus one
// while the arena is filling it.
struct TTextArena::Block {
  static constexpr std::size_t kSize = 64u << 10;
  static constexpr std::size_t kLargestInBlock = 4u << 10;  // longer texts are allocated on their own
  std::size_t live;

  static Block* Of(const void* text) noexcept {
    return reinterpret_cast<Block*>(reinterpret_cast<std::uintptr_t>(text) & ~(kSize - 1));
  }
  static void Drop(Block* block) noexcept {
    if (--block->live == 0) ::munmap(block, kSize);
  }
  // A block straight from the system, aligned by mapping twice its size and
  // handing back the rest: no allocator's bookkeeping around it.
  static void* Map() {
    void* raw = ::mmap(nullptr, 2 * kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const auto begin = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (begin + kSize - 1) & ~(kSize - 1);
    if (aligned > begin) ::munmap(raw, aligned - begin);
    if (aligned + kSize < begin + 2 * kSize)
      ::munmap(reinterpret_cast<void*>(aligned + kSize), begin + 2 * kSize - aligned - kSize);
    return reinterpret_cast<void*>(aligned);
  }
};

namespace {

constexpr std::size_t kLargestText = 0x7FFFFFFFu;

}  // namespace

TCellValue::TCellValue(std::string_view text) : kind_(TValueKind::Text) {
  if (text.size() > kLargestText) throw std::length_error("text too long for a cell");
  auto* raw = static_cast<unsigned char*>(::operator new(8 + text.size()));
  const auto word = static_cast<std::uint32_t>(text.size() << 1);
  std::memcpy(raw, &word, sizeof word);
  u_.t = reinterpret_cast<TextRep*>(raw);
  u_.t->Refs() = 1;
  if (!text.empty()) std::memcpy(raw + 8, text.data(), text.size());
}

// --- TTextArena ----------------------------------------------------------------

TTextArena::~TTextArena() {
  if (block_ != nullptr) Block::Drop(block_);
}

TCellValue TTextArena::Make(std::string_view text) {
  if (text.size() > Block::kLargestInBlock) return TCellValue(text);
  const std::size_t need = 2 + text.size();
  if (block_ == nullptr || Block::kSize - used_ < need) {
    void* raw = Block::Map();
    if (block_ != nullptr) Block::Drop(block_);
    block_ = new (raw) Block{1};
    used_ = sizeof(Block);
  }
  auto* at = reinterpret_cast<unsigned char*>(block_) + used_;
  const std::size_t word = (text.size() << 1) | 1;
  at[0] = static_cast<unsigned char>(word);
  at[1] = static_cast<unsigned char>(word >> 8);
  if (!text.empty()) std::memcpy(at + 2, text.data(), text.size());
  used_ += need;
  ++block_->live;
  TCellValue value;
  value.u_.t = reinterpret_cast<TCellValue::TextRep*>(at);
  value.kind_ = TValueKind::Text;
  return value;
}

// --- TCellValue ----------------------------------------------------------------

void TCellValue::AddRef() const noexcept {
  if (u_.t->InArena()) {
    ++TTextArena::Block::Of(u_.t)->live;
  } else {
    ++u_.t->Refs();
  }
}

TCellValue::TCellValue(const TCellValue& other) noexcept : u_(other.u_), kind_(other.kind_) {
  if (kind_ == TValueKind::Text) AddRef();
}

TCellValue::TCellValue(TCellValue&& other) noexcept : u_(other.u_), kind_(other.kind_) {
  other.kind_ = TValueKind::Null;
}

TCellValue& TCellValue::operator=(const TCellValue& other) noexcept {
  if (this != &other) {
    if (other.kind_ == TValueKind::Text) other.AddRef();
    Release();
    u_ = other.u_;
    kind_ = other.kind_;
  }
  return *this;
}

TCellValue& TCellValue::operator=(TCellValue&& other) noexcept {
  if (this != &other) {
    Release();
    u_ = other.u_;
    kind_ = other.kind_;
    other.kind_ = TValueKind::Null;
  }
  return *this;
}

TCellValue::~TCellValue() { Release(); }

void TCellValue::Release() noexcept {
  if (kind_ == TValueKind::Text) {
    if (u_.t->InArena()) {
      TTextArena::Block::Drop(TTextArena::Block::Of(u_.t));
    } else if (--u_.t->Refs() == 0) {
      ::operator delete(u_.t);
    }
  }
  kind_ = TValueKind::Null;
}

std::size_t TCellValue::TextSize() const noexcept { return u_.t->Size(); }

std::uint32_t TCellValue::AsUnsigned() const noexcept {
  assert(kind_ == TValueKind::Unsigned);
  return u_.u;
}

double TCellValue::AsDouble() const noexcept {
  assert(kind_ == TValueKind::Double || kind_ == TValueKind::DateTime);
  return u_.d;
}

bool TCellValue::AsBoolean() const noexcept {
  assert(kind_ == TValueKind::Boolean);
  return u_.b;
}

std::string_view TCellValue::AsText() const noexcept {
  if (kind_ != TValueKind::Text) return {};
  return {u_.t->Data(), u_.t->Size()};
}

bool operator==(const TCellValue& a, const TCellValue& b) noexcept {
  if (a.kind_ != b.kind_) return false;
  switch (a.kind_) {
    case TValueKind::Null: return true;
    case TValueKind::Unsigned: return a.u_.u == b.u_.u;
    case TValueKind::Double:
    case TValueKind::DateTime: return a.u_.d == b.u_.d;
    case TValueKind::Boolean: return a.u_.b == b.u_.b;
    case TValueKind::Text: return a.AsText() == b.AsText();
  }
  return false;
}

namespace {

// Up to 15 significant digits, no trailing zeros, exponent only for very
// large or small magnitudes: 12 -> "12", 0.1 + 0.2 -> "0.3", 1e20 -> "1E+20".
std::string GeneralNumber(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15G", value);
  std::string text(buf);
  if (text == "-0") text = "0";
  return text;
}

// Civil date from a day number counted from 1970-01-01 (proleptic Gregorian).
void CivilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
}

std::string DateTimeText(double days) {
  // Day counts beyond year 9999 or before year 100 are not dates: show the number.
  if (!std::isfinite(days) || days < -657434.0 || days >= 2958466.0) return GeneralNumber(days);
  // The time of day in whole seconds, rounded; negative dates count the
  // fraction from the day's start like positive ones.
  long long seconds = std::llround(std::fabs(days - std::trunc(days)) * 86400.0);
  long long day = static_cast<long long>(std::trunc(days));
  if (seconds >= 86400) {
    seconds -= 86400;
    day += days < 0 ? -1 : 1;
  }
  std::string text;
  char buf[48];
  if (day != 0) {
    long long y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(day - 25569, y, m, d);  // 25569 = days from 1899-12-30 to 1970-01-01
    std::snprintf(buf, sizeof buf, "%02u/%02u/%04lld", d, m, y);
    text = buf;
  }
  if (seconds != 0 || day == 0) {
    std::snprintf(buf, sizeof buf, "%s%02lld:%02lld:%02lld", text.empty() ? "" : " ", seconds / 3600,
                  seconds / 60 % 60, seconds % 60);
    text += buf;
  }
  return text;
}

}  // namespace

std::string ShortestDouble(double value) {
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

std::string CellText(const TCellValue& value) {
  switch (value.Kind()) {
    case TValueKind::Null: return {};
    case TValueKind::Unsigned: return std::to_string(value.AsUnsigned());
    case TValueKind::Double: return GeneralNumber(value.AsDouble());
    case TValueKind::DateTime: return DateTimeText(value.AsDouble());
    case TValueKind::Boolean: return value.AsBoolean() ? "True" : "False";
    case TValueKind::Text: return std::string(value.AsText());
  }
  return {};
}

}  // namespace zolt
