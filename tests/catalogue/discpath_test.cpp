// Where a disc path leads, which per-item names count, and what a link may open.

#include "disc/discpath.h"
#include "disc/disctext.h"
#include "disc/webaddress.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <sys/stat.h>

namespace zolt::disc {
namespace {

namespace fs = std::filesystem;

TEST(WebAddress, OnlyWebAddressesPass) {
  const struct {
    const char* target;
    const char* address;  // "" when refused
  } cases[] = {
      {"http://a.it/x", "http://a.it/x"},
      {"  HTTPS://a.it/  ", "HTTPS://a.it/"},
      {"ftp://f.it/d", "ftp://f.it/d"},
      {"mailto:x@a.it", "mailto:x@a.it"},
      {"www.a.it/p", "http://www.a.it/p"},
      {"WWW.a.it", "http://WWW.a.it"},
      {"http://", ""},
      {"www.", ""},
      {"file:///bin/sh", ""},
      {"javascript:alert(1)", ""},
      {"/tmp/x.sh", ""},
      {"C:\\setup.exe", ""},
      {"calc.exe", ""},
      {"http://a.it/\nx", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(WebAddress(c.target), c.address) << c.target;
}

// Paths taken apart by their letters: "." and ".." worked out, each level
// decoded as a name, and a line's parts as "  Installa  " reads them.
TEST(DiscPath, PathsByTheLetter) {
  const struct {
    const char* path;
    const char* lexical;
    const char* decoded;  // the path's levels decoded one by one
  } cases[] = {
      {"a/./b//c", "/a/b/c", "a/./b//c"},
      {"/a/../../b/", "/b", "/a/../../b/"},
      {"", "/", ""},
      {"Caff\xe8_/Caff\xc3\xa8_", "/Caff\xe8_/Caff\xc3\xa8_", "Caff\xc3\xa8_/Caff\xc3\xa8_"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LexicalPath(c.path), c.lexical) << c.path;
    EXPECT_EQ(DecodeDiscPath(c.path), c.decoded) << c.path;
  }
  for (const char* safe : {"bin\\setup.exe", "a/b", "a/..b"}) EXPECT_TRUE(IsSafeRelativePath(safe)) << safe;
  for (const char* unsafe : {"", "/etc/x", "\\x", "C:x", "a/../../b", "a\\..\\b"})
    EXPECT_FALSE(IsSafeRelativePath(unsafe)) << unsafe;
}

class DiscPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "zolt-discpath-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    base_ = fs::canonical(pattern);
    fs::create_directories(base_ / "disc/S_/Item_/sub");
    fs::create_directories(base_ / "altrove");
    std::ofstream(base_ / "disc/S_/Item_/run.exe") << "MZ";
    std::ofstream(base_ / "altrove/x.sh") << "#!/bin/sh";
    fs::create_symlink(base_ / "altrove/x.sh", base_ / "disc/S_/Item_/fuori.sh");
    fs::create_symlink("run.exe", base_ / "disc/S_/Item_/dentro.exe");
  }
  void TearDown() override { fs::remove_all(base_); }
  std::string Disc(const std::string& relative) const { return (base_ / "disc" / relative).string(); }
  fs::path base_;
};

TEST_F(DiscPathTest, PathInsideResolvesDotsAndLinks) {
  const std::string root = Disc("") + "/";
  const struct {
    std::string path;
    std::optional<std::string> inside;
  } cases[] = {
      {Disc("S_/Item_/run.exe"), Disc("S_/Item_/run.exe")},
      {Disc("S_/Item_/sub/../run.exe"), Disc("S_/Item_/run.exe")},
      {Disc("S_/Item_/dentro.exe"), Disc("S_/Item_/run.exe")},
      {Disc("S_/Item_/manca.exe"), Disc("S_/Item_/manca.exe")},
      {Disc("S_/Item_"), Disc("S_/Item_")},
      {Disc("S_/Item_/fuori.sh"), std::nullopt},
      {Disc("S_/Item_/../../../../altrove/x.sh"), std::nullopt},
      {Disc("S_/Item_/manca/../../../../../etc/x"), std::nullopt},
      {(base_ / "discone/x").string(), std::nullopt},
      {"relative/x", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(PathInside(root, c.path), c.inside) << c.path;
}

TEST_F(DiscPathTest, OnlyRegularFilesCountAsPerItemFiles) {
  const fs::path item = base_ / "disc/S_/Item_";
  fs::create_directories(item / "testo.txt");
  ASSERT_EQ(::mkfifo((item / "Setup.TXT").c_str(), 0644), 0);
  fs::create_symlink("nulla", item / "banner.txt");
  std::ofstream(item / "IMG.JPG") << "x";
  EXPECT_FALSE(ItemHasDescription(item.string(), (base_ / "disc").string()));
  EXPECT_FALSE(ItemHasFile(item.string(), "setup.txt", (base_ / "disc").string()));
  EXPECT_FALSE(ItemHasFile(item.string(), "banner.txt", (base_ / "disc").string()));
  EXPECT_FALSE(ItemHasFile(item.string(), "copia.txt", (base_ / "disc").string()));
  EXPECT_TRUE(ItemHasFile(item.string(), "img.jpg", (base_ / "disc").string()));
}

}  // namespace
}  // namespace zolt::disc
