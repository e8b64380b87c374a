#include "biffbuilder.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-output.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace biffbuild {

Body& Body::u8(unsigned v) {
  b_.push_back(static_cast<std::uint8_t>(v));
  return *this;
}
Body& Body::u16(unsigned v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
Body& Body::u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
Body& Body::f64(double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return u32(static_cast<std::uint32_t>(bits)).u32(static_cast<std::uint32_t>(bits >> 32));
}
Body& Body::raw(const std::string& bytes) {
  b_.insert(b_.end(), bytes.begin(), bytes.end());
  return *this;
}
Body& Body::utf16(const std::u16string& text) {
  for (char16_t c : text) u16(c);
  return *this;
}
Body& Body::fill(std::size_t n, std::uint8_t value) {
  b_.insert(b_.end(), n, value);
  return *this;
}

Bytes Record(std::uint16_t code, const Bytes& body) {
  Bytes r = Body().u16(code).u16(static_cast<unsigned>(body.size()));
  r.insert(r.end(), body.begin(), body.end());
  return r;
}

Bytes Concat(std::initializer_list<Bytes> parts) { return Concat(std::vector<Bytes>(parts)); }

Bytes Concat(const std::vector<Bytes>& parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

Bytes Bof8(unsigned type) { return Record(0x0809, Body().u16(0x0600).u16(type).u16(0x0DBB).u16(0x07CC).u32(0).u32(6)); }
Bytes Bof5(unsigned type) { return Record(0x0809, Body().u16(0x0500).u16(type).u16(0x0DBB).u16(0x07CC)); }
Bytes BofPlain(unsigned code, unsigned type) {
  return Record(static_cast<std::uint16_t>(code), Body().u16(code == 0x0009 ? 2 : 0).u16(type));
}
Bytes Eof() { return Record(0x000A); }

Bytes Number(unsigned row, unsigned col, double value, unsigned xf) {
  return Record(0x0203, Body().u16(row).u16(col).u16(xf).f64(value));
}
Bytes Rk(unsigned row, unsigned col, std::uint32_t rk, unsigned xf) {
  return Record(0x027E, Body().u16(row).u16(col).u16(xf).u32(rk));
}
Bytes Label8(unsigned row, unsigned col, const std::string& latin1) {
  return Record(0x0204, Body().u16(row).u16(col).u16(0).u16(static_cast<unsigned>(latin1.size())).u8(0).raw(latin1));
}
Bytes LabelSst(unsigned row, unsigned col, std::uint32_t index) {
  return Record(0x00FD, Body().u16(row).u16(col).u16(0).u32(index));
}
Bytes Xf(unsigned format) { return Record(0x00E0, Body().u16(0).u16(format).fill(16)); }

namespace {
Bytes BoundSheet(std::uint32_t offset, const std::string& name, bool biff8) {
  Body b;
  b.u32(offset).u8(0).u8(0).u8(static_cast<unsigned>(name.size()));
  if (biff8) b.u8(0);
  b.raw(name);
  return Record(0x0085, b);
}
}  // namespace

Bytes Workbook(const std::vector<Sheet>& sheets, const std::vector<Bytes>& globals, bool biff8) {
  auto bof = biff8 ? Bof8 : Bof5;
  std::size_t globalsSize = bof(0x0005).size() + Concat(globals).size() + Eof().size();
  for (const Sheet& s : sheets) globalsSize += BoundSheet(0, s.name, biff8).size();
  std::vector<Bytes> parts{bof(0x0005)};
  parts.insert(parts.end(), globals.begin(), globals.end());
  std::size_t offset = globalsSize;
  std::vector<Bytes> bodies;
  for (const Sheet& s : sheets) {
    parts.push_back(BoundSheet(static_cast<std::uint32_t>(offset), s.name, biff8));
    std::vector<Bytes> sheet{bof(0x0010)};
    sheet.insert(sheet.end(), s.records.begin(), s.records.end());
    sheet.push_back(Eof());
    bodies.push_back(Concat(sheet));
    offset += bodies.back().size();
  }
  parts.push_back(Eof());
  parts.insert(parts.end(), bodies.begin(), bodies.end());
  return Concat(parts);
}

Bytes CompoundFile(const std::vector<std::pair<std::string, Bytes>>& streams) {
  GsfOutput* memory = gsf_output_memory_new();
  GsfOutfile* ole = gsf_outfile_msole_new(memory);
  for (const auto& [name, data] : streams) {
    const bool storage = !name.empty() && name.back() == '/';
    GsfOutput* child =
        gsf_outfile_new_child(ole, (storage ? name.substr(0, name.size() - 1) : name).c_str(), storage);
    if (!data.empty()) gsf_output_write(child, data.size(), data.data());
    gsf_output_close(child);
    g_object_unref(child);
  }
  gsf_output_close(GSF_OUTPUT(ole));
  g_object_unref(ole);
  const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory));
  Bytes result(bytes, bytes + gsf_output_size(memory));
  g_object_unref(memory);
  return result;
}

namespace {
// Removes the temporary files when the test program ends.
struct TempFiles {
  std::vector<std::filesystem::path> paths;
  ~TempFiles() {
    std::error_code ec;
    for (const auto& p : paths) std::filesystem::remove(p, ec);
  }
};
TempFiles& Temps() {
  static TempFiles temps;
  return temps;
}
}  // namespace

std::string TempFile(const Bytes& bytes, const std::string& suffix) {
  static int counter = 0;
  const auto path = std::filesystem::temp_directory_path() /
                    ("zolt-xls-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + suffix);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<std::streamsize>(bytes.size()));
  Temps().paths.push_back(path);
  return path.string();
}

}  // namespace biffbuild
