// Real workbooks: every file of the shared sample folder that xlrd reads must
// give the same first sheet here, cell by cell; the inputs that once crashed
// or hung the reader (found by fuzzing) must end cleanly.

#include "spreadsheet/msexcel.h"

#include <gsf/gsf-input-gzip.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace zolt;
namespace fs = std::filesystem;

// libgsf keeps a small allocation when it gives up on a malformed directory
// (one of the crashing inputs has one); glib has no frame pointers, so the
// leak is seen from libglib's side as well.
extern "C" const char* __lsan_default_suppressions() { return "leak:libgsf\nleak:libglib-2.0.so\n"; }

namespace {

const fs::path kSamples = fs::path(ZOLT_SHARED_DIR) / "testdata" / "xls";

std::string ReadGzip(const char* path) {
  GError* error = nullptr;
  GsfInput* file = gsf_input_stdio_new(path, &error);
  if (file == nullptr) return {};
  GsfInput* gz = gsf_input_gzip_new(file, &error);
  g_object_unref(file);
  if (gz == nullptr) return {};
  std::string text;
  guint8 chunk[65536];
  while (true) {
    const gsf_off_t left = gsf_input_remaining(gz);
    if (left <= 0) break;
    const auto n = static_cast<std::size_t>(std::min<gsf_off_t>(left, sizeof chunk));
    if (gsf_input_read(gz, n, chunk) == nullptr) break;
    text.append(reinterpret_cast<const char*>(chunk), n);
  }
  g_object_unref(gz);
  return text;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char c = s[++i];
      out.push_back(c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c);
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

struct Expected {
  std::string kind;  // text, number, bool, error
  std::string value;
};
struct ExpectedFile {
  bool ok = false;
  std::map<std::pair<int, int>, Expected> cells;
};

std::map<std::string, ExpectedFile> LoadExpected(const std::string& text) {
  std::map<std::string, ExpectedFile> files;
  ExpectedFile* current = nullptr;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::size_t start = 0, tab;
    while ((tab = line.find('\t', start)) != std::string::npos) {
      f.push_back(line.substr(start, tab - start));
      start = tab + 1;
    }
    f.push_back(line.substr(start));
    if (f[0] == "F" && f.size() >= 3) {
      current = &files[f[1]];
      current->ok = f[2] == "ok";
    } else if (f[0] == "C" && f.size() == 5 && current != nullptr) {
      current->cells[{std::stoi(f[1]), std::stoi(f[2])}] = {f[3], Unescape(f[4])};
    }
  }
  return files;
}

// Why a cell of ours and xlrd's differ, or "" when they agree. Numbers are
// compared as doubles; whether a number is a date is compared only where
// both decide it from the format's text (BIFF2 to BIFF4: `kindsComparable`),
// since for later files the reader keeps to the built-in date formats.
std::string Difference(const TCellValue* ours, const Expected* theirs, bool kindsComparable) {
  if (ours == nullptr) return "missing here";
  if (theirs == nullptr) return "missing in xlrd";
  const bool theirNumber = theirs->kind == "number" || theirs->kind == "date";
  const double theirValue = theirNumber ? std::strtod(theirs->value.c_str(), nullptr) : 0;
  switch (ours->Kind()) {
    case TValueKind::Double:
    case TValueKind::DateTime:
      if (!theirNumber || theirValue != ours->AsDouble()) return "number differs";
      return kindsComparable && (theirs->kind == "date") != (ours->Kind() == TValueKind::DateTime) ? "date or not"
                                                                                                   : "";
    case TValueKind::Unsigned:
      if (!theirNumber || theirValue != ours->AsUnsigned()) return "integer differs";
      return kindsComparable && theirs->kind == "date" ? "date or not" : "";
    case TValueKind::Boolean:
      return theirs->kind == "bool" && (theirs->value == "1") == ours->AsBoolean() ? "" : "boolean differs";
    case TValueKind::Text:
      return (theirs->kind == "text" || theirs->kind == "error") && theirs->value == ours->AsText() ? ""
                                                                                                     : "text differs";
    case TValueKind::Null: break;
  }
  return "null stored";
}

}  // namespace

TEST(RealFiles, FirstSheetsAgreeWithXlrdCellByCell) {
  if (!fs::is_directory(kSamples)) GTEST_SKIP() << "shared sample workbooks not found at " << kSamples;
  const std::string text = ReadGzip(ZOLT_XLRD_EXPECTED);
  ASSERT_FALSE(text.empty()) << "cannot read " << ZOLT_XLRD_EXPECTED;
  const auto expected = LoadExpected(text);
  int both = 0, compared = 0;
  std::map<std::string, int> reasons;
  std::vector<std::string> examples;
  for (const auto& [name, file] : expected) {
    if (!file.ok) continue;
    TMSExcel excel;
    try {
      excel.LoadFromFile((kSamples / name).string());
    } catch (const ESpreadSheetError& e) {
      ADD_FAILURE() << name << ": xlrd reads it, we fail with " << e.what();
      continue;
    }
    ++both;
    std::map<std::pair<int, int>, const TCellValue*> ours;
    if (const TSpreadSheet* sheet = excel.Sheets().Find(0)) {
      sheet->Cells().ForEach([&](int r, int c, const TKeloCell& cell) { ours[{r, c}] = &cell.Value; });
    }
    std::map<std::pair<int, int>, bool> keys;
    for (const auto& [k, v] : ours) keys[k] = true;
    for (const auto& [k, v] : file.cells) keys[k] = true;
    for (const auto& [k, unused] : keys) {
      ++compared;
      auto o = ours.find(k);
      auto t = file.cells.find(k);
      const std::string why = Difference(o == ours.end() ? nullptr : o->second,
                                         t == file.cells.end() ? nullptr : &t->second,
                                         excel.Version() <= TExcelVersion::evExcel4);
      if (why.empty()) continue;
      ++reasons[why];
      if (examples.size() < 20)
        examples.push_back(name + " r" + std::to_string(k.first) + " c" + std::to_string(k.second) + ": " + why);
    }
  }
  std::cout << "files read by both: " << both << ", cells compared: " << compared << "\n";
  for (const auto& [why, n] : reasons) std::cout << "  differing (" << why << "): " << n << "\n";
  EXPECT_GT(both, 300);
  EXPECT_TRUE(reasons.empty()) << [&] {
    std::string all;
    for (const auto& e : examples) all += e + "\n";
    return all;
  }();
}

TEST(RealFiles, RefusedWorkbooksSayWhy) {
  if (!fs::is_directory(kSamples)) GTEST_SKIP() << "shared sample workbooks not found at " << kSamples;
  const std::map<std::string, std::string> cases{
      {"calamine/issue_385.xls", "Can not read: file is encrypted"},
      {"sheetjs/biff5/password_2002_40_xor.xls", "Can not read: file is encrypted"},
      {"exceldatareader/Test_git_issue_477_sst_wrong_count.xls", "CONTINUE record missing"},
      {"exceldatareader/TestFail_Binary.xls", "File is not a Excel file"},
  };
  for (const auto& [name, message] : cases) {
    TMSExcel excel;
    try {
      excel.LoadFromFile((kSamples / name).string());
      ADD_FAILURE() << name << " loaded";
    } catch (const ESpreadSheetError& e) {
      EXPECT_EQ(e.what(), message) << name;
    }
  }
}

TEST(Crashers, EveryFormerCrashingInputEndsCleanly) {
  int seen = 0;
  for (const auto& entry : fs::directory_iterator(ZOLT_CRASHERS_DIR)) {
    if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
    ++seen;
    TMSExcel excel;
    try {
      excel.LoadFromFile(entry.path().string());
    } catch (const ESpreadSheetError& e) {
      EXPECT_STRNE(e.what(), "") << entry.path();
    }
  }
  std::cout << "crashing inputs replayed: " << seen << "\n";
}
