// Benchmarks of the workbook reader:
//   LoadFromFile/big, /big95, /wide-text  the shared benchmark workbooks, whole load into the model
//   Floor/big, /big95, /wide-text         what any reader must do: libgsf reads the workbook
//                                         stream whole, the record headers are walked
//   DecodeRK                               one RK number (a mix of the four kinds)
//   SharedStrings/<n>                      a table of n strings with CONTINUE records, read from memory
// Run by hand: build-*/bin/bench_spreadsheet [--benchmark_filter=...]

#include "spreadsheet/msexcel.h"

#include <benchmark/benchmark.h>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

void LoadFile(benchmark::State& state, const std::string& name) {
  const std::string path = std::string(ZOLT_SHARED_DIR) + "/bench/" + name;
  if (!std::filesystem::exists(path)) {
    state.SkipWithError(("missing " + path).c_str());
    return;
  }
  std::int64_t cells = 0;
  for (auto _ : state) {
    zolt::TMSExcel excel;
    excel.LoadFromFile(path);
    cells = 0;
    excel.Sheets().Find(0)->Cells().ForEach([&](int, int, const zolt::TKeloCell&) { ++cells; });
    benchmark::DoNotOptimize(cells);
  }
  state.counters["cells"] = static_cast<double>(cells);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK_CAPTURE(LoadFile, big, std::string("big.xls"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadFile, big95, std::string("big95.xls"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadFile, wide_text, std::string("wide-text.xls"))->Unit(benchmark::kMillisecond);

void Floor(benchmark::State& state, const std::string& name) {
  const std::string path = std::string(ZOLT_SHARED_DIR) + "/bench/" + name;
  std::int64_t records = 0;
  for (auto _ : state) {
    GsfInput* input = gsf_input_stdio_new(path.c_str(), nullptr);
    GsfInfile* root = input != nullptr ? gsf_infile_msole_new(input, nullptr) : nullptr;
    GsfInput* stream = root != nullptr ? gsf_infile_child_by_name(root, "Workbook") : nullptr;
    if (stream == nullptr && root != nullptr) stream = gsf_infile_child_by_name(root, "Book");
    if (stream == nullptr) {
      state.SkipWithError(("cannot read " + path).c_str());
      break;
    }
    const auto size = static_cast<std::size_t>(gsf_input_size(stream));
    const auto data = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    gsf_input_read(stream, size, data.get());
    records = 0;
    for (std::size_t pos = 0; pos + 4 <= size; pos += 4 + (data[pos + 2] | (data[pos + 3] << 8))) ++records;
    benchmark::DoNotOptimize(records);
    g_object_unref(stream);
    g_object_unref(root);
    g_object_unref(input);
  }
  state.counters["records"] = static_cast<double>(records);
}
BENCHMARK_CAPTURE(Floor, big, std::string("big.xls"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Floor, big95, std::string("big95.xls"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Floor, wide_text, std::string("wide-text.xls"))->Unit(benchmark::kMillisecond);

void DecodeRK(benchmark::State& state) {
  std::mt19937 random(42);
  std::vector<std::uint32_t> values(4096);
  for (auto& v : values) v = static_cast<std::uint32_t>(random());
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zolt::DecodeRK(values[i++ & 4095]));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DecodeRK);

// A bare record stream: BOF, an SST of n strings (every eighth 16-bit, every
// sixteenth rich) split into CONTINUE records of at most 8224 bytes, EOF.
std::vector<std::uint8_t> SstStream(int n) {
  std::vector<std::uint8_t> strings;
  auto u16 = [&](unsigned v) {
    strings.push_back(static_cast<std::uint8_t>(v));
    strings.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  for (int i = 0; i < n; ++i) {
    const std::string text = "String number " + std::to_string(i) + " of the table";
    const bool wide = i % 8 == 0, rich = i % 16 == 1;
    u16(static_cast<unsigned>(text.size()));
    strings.push_back(static_cast<std::uint8_t>((wide ? 1 : 0) | (rich ? 8 : 0)));
    if (rich) u16(1);
    for (char c : text) wide ? u16(static_cast<unsigned char>(c)) : strings.push_back(static_cast<std::uint8_t>(c));
    if (rich) u16(0), u16(1);
  }
  std::vector<std::uint8_t> out;
  auto record = [&](unsigned code, const std::uint8_t* body, std::size_t length) {
    out.push_back(static_cast<std::uint8_t>(code));
    out.push_back(static_cast<std::uint8_t>(code >> 8));
    out.push_back(static_cast<std::uint8_t>(length));
    out.push_back(static_cast<std::uint8_t>(length >> 8));
    out.insert(out.end(), body, body + length);
  };
  const std::uint8_t bof[] = {0x00, 0x05, 0x10, 0x00, 0, 0, 0, 0};
  record(0x0809, bof, sizeof bof);
  // Split only between strings' bytes where no character is cut: the
  // strings are written so that a plain byte split is valid when it falls
  // on an 8-bit text, so keep it simple and split at string starts.
  std::vector<std::uint8_t> piece{static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                                  static_cast<std::uint8_t>(n >> 16), 0, static_cast<std::uint8_t>(n),
                                  static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n >> 16), 0};
  unsigned code = 0x00FC;
  std::size_t at = 0;
  for (int i = 0; i < n; ++i) {
    const std::size_t start = at;
    const std::size_t chars = strings[at] | (strings[at + 1] << 8);
    const std::uint8_t option = strings[at + 2];
    at += 3 + ((option & 8) ? 2 : 0) + chars * ((option & 1) ? 2 : 1) + ((option & 8) ? 4 : 0);
    if (piece.size() + (at - start) > 8224) {
      record(code, piece.data(), piece.size());
      piece.clear();
      code = 0x003C;
    }
    piece.insert(piece.end(), strings.begin() + static_cast<std::ptrdiff_t>(start),
                 strings.begin() + static_cast<std::ptrdiff_t>(at));
  }
  record(code, piece.data(), piece.size());
  record(0x000A, nullptr, 0);
  return out;
}

void SharedStrings(benchmark::State& state) {
  const auto stream = SstStream(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    zolt::TMSExcel excel;
    excel.LoadFromMemory(stream.data(), stream.size());
    benchmark::DoNotOptimize(excel.SharedStrings().size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
}
BENCHMARK(SharedStrings)->Arg(1000)->Arg(130000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
