#pragma once
// The value of one spreadsheet cell: Null, an unsigned integer, a double, a
// date-time (a day count from 30 December 1899), a Boolean or a UTF-8 text.
// Texts are shared and immutable, so copying a value never copies its text;
// a value is 16 bytes, which keeps a sheet of a million cells small.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zolt {

enum class TValueKind : std::uint8_t { Null, Unsigned, Double, DateTime, Boolean, Text };

class TTextArena;

// A date-time as a day count; the whole part is the date, the fraction the time.
struct TDateTime {
  double Days = 0;
};

class TCellValue {
 public:
  TCellValue() noexcept { u_.d = 0; }
  TCellValue(std::uint32_t v) noexcept : kind_(TValueKind::Unsigned) { u_.u = v; }
  TCellValue(double v) noexcept : kind_(TValueKind::Double) { u_.d = v; }
  TCellValue(TDateTime v) noexcept : kind_(TValueKind::DateTime) { u_.d = v.Days; }
  TCellValue(bool v) noexcept : kind_(TValueKind::Boolean) { u_.b = v; }
  TCellValue(std::string_view text);
  TCellValue(const char* text) : TCellValue(std::string_view(text)) {}
  TCellValue(const std::string& text) : TCellValue(std::string_view(text)) {}

  TCellValue(const TCellValue& other) noexcept;
  TCellValue(TCellValue&& other) noexcept;
  TCellValue& operator=(const TCellValue& other) noexcept;
  TCellValue& operator=(TCellValue&& other) noexcept;
  ~TCellValue();

  TValueKind Kind() const noexcept { return kind_; }
  bool IsNull() const noexcept { return kind_ == TValueKind::Null; }
  // Null or an empty text: what the sheet model does not store.
  bool IsEmpty() const noexcept {
    return kind_ == TValueKind::Null || (kind_ == TValueKind::Text && TextSize() == 0);
  }

  // Each accessor expects the matching kind (checked by assert in debug builds).
  std::uint32_t AsUnsigned() const noexcept;
  double AsDouble() const noexcept;  // Double or DateTime
  bool AsBoolean() const noexcept;
  std::string_view AsText() const noexcept;  // empty for non-texts

  // Same kind and same value (doubles compared with ==, texts byte for byte).
  friend bool operator==(const TCellValue& a, const TCellValue& b) noexcept;

 private:
  friend class TTextArena;
  struct TextRep;
  std::size_t TextSize() const noexcept;
  void AddRef() const noexcept;
  void Release() noexcept;

  union {
    std::uint32_t u;
    double d;
    bool b;
    TextRep* t;
  } u_;
  TValueKind kind_ = TValueKind::Null;
};

// Makes texts side by side in large blocks instead of one allocation each: a
// reader building a workbook's hundred thousand shared strings uses one. The
// values are ordinary texts (shared, immutable, copyable anywhere); a block
// is freed when the arena and the last value in it are gone.
class TTextArena {
 public:
  TTextArena() = default;
  TTextArena(const TTextArena&) = delete;
  TTextArena& operator=(const TTextArena&) = delete;
  ~TTextArena();

  TCellValue Make(std::string_view text);

 private:
  friend class TCellValue;
  struct Block;
  Block* block_ = nullptr;
  std::size_t used_ = 0;
};

// The ordinary text conversion of a value, as the windows show it: Null "",
// 12 "12", 1.5 "1.5" (up to 15 significant digits, like a desktop
// spreadsheet's general format), a Boolean "True" or "False", a date-time as
// "dd/mm/yyyy" followed by " hh:mm:ss" unless it is midnight (a time alone
// when the date part is 0), a text as it is.
std::string CellText(const TCellValue& value);

// The shortest decimal text that reads back to exactly the same double
// ("0.1", "12", "1e+300"); used where values must survive a round trip.
std::string ShortestDouble(double value);

}  // namespace zolt
