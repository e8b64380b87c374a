#pragma once
// Builds BIFF records, workbook streams and compound files byte by byte for
// the reader's tests.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace biffbuild {

using Bytes = std::vector<std::uint8_t>;

// A record body written field by field, little-endian.
class Body {
 public:
  Body& u8(unsigned v);
  Body& u16(unsigned v);
  Body& u32(std::uint32_t v);
  Body& f64(double v);
  Body& raw(const std::string& bytes);
  Body& utf16(const std::u16string& text);
  Body& fill(std::size_t n, std::uint8_t value = 0);
  operator const Bytes&() const { return b_; }
  const Bytes& bytes() const { return b_; }

 private:
  Bytes b_;
};

Bytes Record(std::uint16_t code, const Bytes& body = {});
Bytes Concat(std::initializer_list<Bytes> parts);
Bytes Concat(const std::vector<Bytes>& parts);

// BOF records: sheet type 0x0005 globals, 0x0010 worksheet, 0x0020 chart.
Bytes Bof8(unsigned type);
Bytes Bof5(unsigned type);
Bytes BofPlain(unsigned code, unsigned type = 0x0010);  // 0x0009, 0x0209, 0x0409
Bytes Eof();

// Cell records of BIFF5 and later.
Bytes Number(unsigned row, unsigned col, double value, unsigned xf = 0);
Bytes Rk(unsigned row, unsigned col, std::uint32_t rk, unsigned xf = 0);
Bytes Label8(unsigned row, unsigned col, const std::string& latin1);
Bytes LabelSst(unsigned row, unsigned col, std::uint32_t index);
Bytes Xf(unsigned format);

// A "Workbook" (BIFF8) or "Book" (BIFF5) stream: globals with one BOUNDSHEET
// per sheet (offsets filled in), then each worksheet between BOF and EOF.
struct Sheet {
  std::string name;
  std::vector<Bytes> records;
};
Bytes Workbook(const std::vector<Sheet>& sheets, const std::vector<Bytes>& globals = {}, bool biff8 = true);

// A compound file holding the given root streams, written by libgsf; a name
// ending in "/" makes an empty storage of that name instead.
Bytes CompoundFile(const std::vector<std::pair<std::string, Bytes>>& streams);

// Writes bytes to a fresh temporary file and returns its path.
std::string TempFile(const Bytes& bytes, const std::string& suffix = ".xls");

}  // namespace biffbuild
