// What the start-up reads ahead from the disc's order file, and what it refuses.

#include "disc/readahead.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace zolt::disc {
namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

TEST(ReadAheadList, KeepsRuntimeFilesAfterThePaintOnce) {
  const struct {
    const char* order;
    Paths expected;
  } cases[] = {
      {".zolt/lib/a.so\n.zolt/lib/b.so\n", {".zolt/lib/a.so", ".zolt/lib/b.so"}},
      {".zolt/lib/a.so\n# painted\n.zolt/lib/b.so\r\n# note\n\n.zolt/lib/b.so\n", {".zolt/lib/b.so"}},
      {"Home/scheda.htm\nzolt\n.zolt\n.zolt/\n.zoltx/a\n/.zolt/a\n", {}},
      {".zolt/../etc/passwd\n.zolt/lib/../../x\n.zolt//a\n.zolt/./a\n.zolt/lib/ok\n", {".zolt/lib/ok"}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadAheadList(c.order), c.expected) << c.order;
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

  const Paths paths{".zolt/lib/link", ".zolt/lib/dir", ".zolt/lib/none", ".zolt/lib/a", ".zolt/lib/b"};
  EXPECT_EQ(ReadAhead(root.string(), paths), 8000u);
  EXPECT_EQ(ReadAhead(root.string(), paths, 4000), 4000u);  // a, then b as far as the budget
  StartReadAhead(root.string());                             // no order file: nothing to do
  fs::remove_all(root);
}

}  // namespace
}  // namespace zolt::disc
