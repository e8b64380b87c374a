#include "spreadsheet/cellvalue.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace zolt {

// A shared immutable text: reference count, length, then the bytes.
struct TCellValue::TextRep {
  std::size_t refs;
  std::size_t size;
  char* Data() noexcept { return reinterpret_cast<char*>(this + 1); }
};

TCellValue::TCellValue(std::string_view text) : kind_(TValueKind::Text) {
  void* raw = ::operator new(sizeof(TextRep) + text.size());
  u_.t = new (raw) TextRep{1, text.size()};
  if (!text.empty()) std::memcpy(u_.t->Data(), text.data(), text.size());
}

TCellValue::TCellValue(const TCellValue& other) noexcept : u_(other.u_), kind_(other.kind_) {
  if (kind_ == TValueKind::Text) ++u_.t->refs;
}

TCellValue::TCellValue(TCellValue&& other) noexcept : u_(other.u_), kind_(other.kind_) {
  other.kind_ = TValueKind::Null;
}

TCellValue& TCellValue::operator=(const TCellValue& other) noexcept {
  if (this != &other) {
    if (other.kind_ == TValueKind::Text) ++other.u_.t->refs;
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
  if (kind_ == TValueKind::Text && --u_.t->refs == 0) {
    u_.t->~TextRep();
    ::operator delete(u_.t);
  }
  kind_ = TValueKind::Null;
}

std::size_t TCellValue::TextSize() const noexcept { return u_.t->size; }

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
  return {u_.t->Data(), u_.t->size};
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
