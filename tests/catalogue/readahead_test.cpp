// What the start-up reads ahead from the disc's order file (its lines, their
// pieces), and what it refuses.

#include "disc/readahead.h"

#include "disc/start_order.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace zolt::disc {
namespace {

namespace fs = std::filesystem;
using Files = std::vector<ReadAheadFile>;
constexpr std::uint64_t kBlock = ZOLT_ORDER_BLOCK;

TEST(ReadAheadList, KeepsRuntimeFilesAfterThePaintOnceWithTheirPieces) {
  const std::string manyPieces = [] {
    std::string line = ".zolt/lib/many\t";
    for (int i = 0; i <= ZOLT_ORDER_MAX_PIECES; ++i) line += std::to_string(2 * i) + "+1 ";
    line.pop_back();
    return line + "\n";
  }();
  const struct {
    std::string order;
    Files expected;
  } cases[] = {
      {".zolt/lib/a.so\n.zolt/lib/b.so\n", {{".zolt/lib/a.so", {}}, {".zolt/lib/b.so", {}}}},
      {".zolt/lib/a.so\n# painted\n.zolt/lib/b.so\r\n# note\n\n.zolt/lib/b.so\t0+1\n", {{".zolt/lib/b.so", {}}}},
      {"Home/scheda.htm\nzolt\n.zolt\n.zolt/\n.zoltx/a\n/.zolt/a\n", {}},
      {".zolt/../etc/passwd\n.zolt/lib/../../x\n.zolt//a\n.zolt/./a\n.zolt/lib/ok\n", {{".zolt/lib/ok", {}}}},
      // pieces: first+count in blocks, ascending and apart
      {".zolt/a\t0+3 17+2\r\n.zolt/b\t999999999+1\n",
       {{".zolt/a", {{0, 3 * kBlock}, {17 * kBlock, 2 * kBlock}}}, {".zolt/b", {{999999999 * kBlock, kBlock}}}}},
      // a line with bad pieces is passed over whole
      {".zolt/a\t0+3 3+1\n.zolt/b\t5+1 2+1\n.zolt/c\t1+0\n.zolt/d\t1+\n.zolt/e\t+1\n.zolt/f\t\n"
       ".zolt/g\t1+1  4+1\n.zolt/h\t1+1 \n.zolt/i\t1000000000+1\n.zolt/j\t-1+2\n\t0+1\n.zolt/k\t0+1\n",
       {{".zolt/k", {{0, kBlock}}}}},
      {manyPieces, {}},
      {".zolt/long" + std::string(ZOLT_ORDER_MAX_LINE, 'x') + "\n", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadAheadList(c.order), c.expected) << c.order.substr(0, 200);
}

// The launcher reads before the paint what lies anywhere on the disc, but
// only by a plain relative path.
TEST(OrderPath, AnywhereOnTheDiscOnlyByAPlainRelativePath) {
  const struct {
    std::string path;
    int onDisc;
  } cases[] = {{"Demo_/Autostrade 2000_/testo.txt", 1}, {".zolt/lib/a.so", 1}, {"zolt", 1},
               {"", 0},  {"/etc/passwd", 0}, {"../x", 0}, {"Demo_/../../x", 0}, {"a//b", 0}, {"a/./b", 0},
               {"a/", 0}, {std::string("a\0b", 3), 0}};
  for (const auto& c : cases) EXPECT_EQ(zolt_order_in_folder(c.path.data(), c.path.size(), ""), c.onDisc) << c.path;
}

TEST(ReadAhead, ReadsRegularRuntimeFilesWithinTheBudget) {
  std::string pattern = (fs::temp_directory_path() / "zolt-readahead-XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  const fs::path root = fs::canonical(pattern);
  fs::create_directories(root / ".zolt/lib");
  std::ofstream(root / ".zolt/lib/a") << std::string(3000, 'a');
  std::ofstream(root / ".zolt/lib/b") << std::string(5000, 'b');
  std::ofstream(root / "fuori") << std::string(7000, 'x');
  fs::create_symlink(root / "fuori", root / ".zolt/lib/link");
  fs::create_directories(root / ".zolt/lib/dir");

  Files files{{".zolt/lib/link", {}}, {".zolt/lib/dir", {}}, {".zolt/lib/none", {}}, {".zolt/lib/a", {}},
              {".zolt/lib/b", {}}};
  EXPECT_EQ(ReadAhead(root.string(), files), 8000u);
  EXPECT_EQ(ReadAhead(root.string(), files, 4000), 4000u);  // a, then b as far as the budget
  files.back().pieces = {{1000, 500}, {4500, 2000}, {9000, 10}};  // pieces end at the file's end
  EXPECT_EQ(ReadAhead(root.string(), files), 3000u + 500 + 500);
  const auto done = StartReadAhead(root.string());           // no order file: nothing to do
  for (int i = 0; i < 500 && !done->load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(done->load());
  fs::remove_all(root);
}

}  // namespace
}  // namespace zolt::disc
