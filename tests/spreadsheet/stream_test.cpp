// The record stream read in pieces: whatever the size of each read, the
// model is the same; the cells stored without a handler are those a handler
// would store; the file is opened only when it is a regular file, and a file
// that fails at its first record fails at once whatever its size.

#include "spreadsheet/msexcel.h"
#include "spreadsheet/streamwindow.h"

#include "biffbuilder.h"
#include "loadhelpers.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace biffbuild;
using zolt::ESpreadSheetError;
using zolt::TMSExcel;

namespace {

const fs::path kSamples = fs::path(ZOLT_SHARED_DIR) / "testdata" / "xls";

// The load's outcome as text: the error, or every sheet's caption and cells.
std::string Outcome(TMSExcel& excel, const std::string& path, zolt::TSpreadSheets* own = nullptr) {
  std::string out;
  try {
    excel.LoadFromFile(path);
  } catch (const ESpreadSheetError& e) {
    out = std::string("error ") + e.what() + "\n";
  }
  out += zolt::ExcelVersionName(excel.Version());
  const int sheets = own != nullptr ? own->Count() : excel.Sheets().Count();
  for (int s = 0; s < sheets; ++s) {
    const zolt::TSpreadSheet* cells = own != nullptr ? own->Find(s) : excel.Sheets().Find(s);
    out += "\nsheet " + std::to_string(s) + "\n";
    if (cells == nullptr) continue;
    out += std::to_string(cells->Cells().RowCount) + "x" + std::to_string(cells->Cells().ColCount) + "\n";
    cells->Cells().ForEach([&](int r, int c, const zolt::TKeloCell& cell) {
      out += std::to_string(r) + "," + std::to_string(c) + "," +
             std::to_string(static_cast<int>(cell.Value.Kind())) + "," +
             std::to_string(static_cast<int>(cell.Alignment)) + "," + zolt::CellText(cell.Value) + "\n";
    });
  }
  return out;
}

struct StepGuard {
  explicit StepGuard(std::size_t step) { zolt::biff::TStreamWindow::SetReadStepForTesting(step); }
  ~StepGuard() { zolt::biff::TStreamWindow::SetReadStepForTesting(0); }
};

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

TEST(StreamPieces, EverySampleLoadsAlikeWhateverTheReadStepAndTheHandler) {
  if (!fs::is_directory(kSamples)) GTEST_SKIP() << "shared sample workbooks not found at " << kSamples;
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(kSamples)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".xls") continue;
    ++files;
    const std::string path = entry.path().string();
    TMSExcel plain;
    const std::string expected = Outcome(plain, path);
    for (const std::size_t step : {std::size_t{1}, std::size_t{4093}}) {
      const StepGuard guard(step);
      TMSExcel excel;
      EXPECT_EQ(Outcome(excel, path), expected) << path << ", read step " << step;
    }
    // A handler of the caller's own that stores like the default one.
    TMSExcel handled;
    zolt::TSpreadSheets own;
    handled.OnCellValue = [&](zolt::TCustomSpreadSheetFile&, int sheet, int row, int column,
                              const zolt::TCellValue& value, zolt::TAlignment alignment) {
      if (!value.IsEmpty()) own.Sheet(sheet).Cells().Store(column, row, value, alignment);
    };
    handled.OnDimensions = [&](zolt::TCustomSpreadSheetFile&, int sheet, int, int lastRow, int, int lastColumn) {
      own.Sheet(sheet).Cells().LastRow = lastRow;
      own.Sheet(sheet).Cells().LastColumn = lastColumn;
    };
    EXPECT_EQ(Outcome(handled, path, &own), expected) << path << ", own handler";
  }
  EXPECT_GT(files, 300);
}

TEST(StreamPieces, WorkbookEntryMustBeAStream) {
  const Bytes book = Workbook({{"Dati", {Number(0, 0, 5)}}}, {}, false);
  const Bytes workbook = Workbook({{"Dati", {Number(0, 0, 8)}}});
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, Bytes>> streams;
    const char* error;  // "" when the load succeeds
    double value;
  };
  const Case cases[] = {
      {"a Workbook stream", {{"Workbook", workbook}}, "", 8},
      {"both streams: Workbook read", {{"Book", book}, {"Workbook", workbook}}, "", 8},
      {"a Workbook storage beside a Book stream", {{"Workbook/", {}}, {"Book", book}}, "", 5},
      {"a Workbook storage alone", {{"Workbook/", {}}},
       "File is not a Excel Workbook: \"Workbook\" is a storage, not a stream", 0},
      {"a Book storage alone", {{"Book/", {}}}, "File is not a Excel Workbook: \"Book\" is a storage, not a stream", 0},
      {"neither", {{"Other", workbook}}, "File is not a Excel Workbook", 0},
  };
  for (const Case& c : cases) {
    TMSExcel excel;
    const Bytes file = CompoundFile(c.streams);
    EXPECT_EQ(LoadError(excel, file), c.error) << c.what;
    // The same through a file on disc.
    TMSExcel fromDisc;
    std::string error;
    try {
      fromDisc.LoadFromFile(TempFile(file));
    } catch (const ESpreadSheetError& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.error) << c.what << " (from a file)";
    if (*c.error == '\0') {
      ASSERT_EQ(excel.Sheets().Count(), 1) << c.what;
      EXPECT_EQ(Cell(excel, 0, 0, 0).AsDouble(), c.value) << c.what;
    } else {
      EXPECT_EQ(excel.Sheets().Count(), 0) << c.what;
    }
  }
}

TEST(StreamPieces, OnlyARegularFileIsOpenedAndNothingBlocks) {
  const fs::path dir = fs::temp_directory_path() / ("zolt-stream-test-" + std::to_string(getpid()));
  fs::create_directories(dir / "folder.xls");
  ASSERT_EQ(mkfifo((dir / "fifo.xls").c_str(), 0600), 0);
  fs::create_symlink(dir / "nowhere.xls", dir / "dangling.xls");
  const struct {
    const char* name;
    const char* error;
  } cases[] = {
      {"folder.xls", "File is not a regular file."},
      {"fifo.xls", "File is not a regular file."},
      {"dangling.xls", "File is not exists."},
  };
  for (const auto& c : cases) {
    TMSExcel excel;
    try {
      excel.LoadFromFile((dir / c.name).string());
      ADD_FAILURE() << c.name << " loaded";
    } catch (const ESpreadSheetError& e) {
      EXPECT_STREQ(e.what(), c.error) << c.name;
    }
  }
  fs::remove_all(dir);
}

TEST(StreamPieces, HugeFileFailingAtItsFirstRecordFailsAtOnceInLittleMemory) {
  const fs::path path = fs::temp_directory_path() / ("zolt-sparse-" + std::to_string(getpid()) + ".xls");
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
  }
  fs::resize_file(path, std::uintmax_t{1} << 30);  // 1 GB of holes
  const long before = PeakKilobytes();
  const auto start = std::chrono::steady_clock::now();
  TMSExcel excel;
  try {
    excel.LoadFromFile(path.string());
    ADD_FAILURE() << "a file of zeros loaded";
  } catch (const ESpreadSheetError& e) {
    EXPECT_STREQ(e.what(), "File is not a Excel file");
  }
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(PeakKilobytes() - before, 8 * 1024) << "kilobytes more at the peak";
  EXPECT_LT(took, std::chrono::milliseconds(500));
  fs::remove(path);
}
