// The walk over the disc and the hit rows of the full-text search, on small
// discs built in temporary folders.

#include "searchwindow/searchtext.h"
#include "search/textsearch.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace zolt::search {
namespace {

class DiscTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device seed;
    // A memory file system where there is one: the tests below make 100,000
    // folders and a 200 MB file, which a disc-backed one makes slow.
    const fs::path base = access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm") : fs::temp_directory_path();
    root_ = base / ("zolt-search-" + std::to_string(getpid()) + "-" + std::to_string(seed()));
    fs::create_directories(root_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(root_ / "Chiuso_" / "testo.txt", fs::perms::owner_all, ignored);
    fs::remove_all(root_, ignored);
  }

  void Folder(const std::string& relative) { fs::create_directories(root_ / relative); }
  void Text(const std::string& relative, const std::string& content, const char* name = "testo.txt") {
    Folder(relative);
    std::ofstream(root_ / relative / name, std::ios::binary) << content;
  }
  std::string Root() const { return root_.string() + "/"; }
  std::vector<std::string> HitFolders(const QString& word) const {
    std::vector<std::string> folders;
    for (const SearchHit& hit : SearchDescriptions(Root(), word).hits) folders.push_back(hit.folder);
    return folders;
  }

  fs::path root_;
};

using Folders = std::vector<std::string>;

TEST_F(DiscTest, CandidatesLevelOneFirstThenEachLevelTwoWithItsLevelThree) {
  for (const char* f : {"B_/y_/deep_", "B_/x_", "A_/q_/r_", "A_/q_/p_", "A_/q_/p_/level4_", "A_/s_", "C_"})
    Folder(f);
  Text("A_", "x");  // plain files are not candidates
  EXPECT_EQ(ListCandidates(Root()),
            (Folders{"A_", "B_", "C_", "A_/q_", "A_/q_/p_", "A_/q_/r_", "A_/s_", "B_/x_", "B_/y_", "B_/y_/deep_"}));
  // Any folder is a candidate, "_" or not, hidden or not; the root's trailing "/" is optional.
  Folder("plain/.hidden");
  Folder("Demo_Giochi_");
  EXPECT_EQ(ListCandidates(root_.string()),
            (Folders{"A_", "B_", "C_", "Demo_Giochi_", "plain", "A_/q_", "A_/q_/p_", "A_/q_/r_", "A_/s_",
                     "B_/x_", "B_/y_", "B_/y_/deep_", "plain/.hidden"}));
  EXPECT_TRUE(ListCandidates(Root() + "missing/").empty());
}

TEST_F(DiscTest, OnlyALevelTwoHomeSpelledExactlyIsSkipped) {
  for (const char* f : {"Home/a_", "S_/Home/inside_", "S_/home/in_", "S_/HOME", "S_/x_/Home"}) Folder(f);
  EXPECT_EQ(ListCandidates(Root()),
            (Folders{"Home", "S_", "Home/a_", "S_/HOME", "S_/home", "S_/home/in_", "S_/x_", "S_/x_/Home"}));
  for (const char* f : {"Home", "Home/a_", "S_/Home", "S_/Home/inside_", "S_/home", "S_/HOME", "S_/x_/Home"})
    Text(f, "la parola");
  EXPECT_EQ(HitFolders(QStringLiteral("parola")), (Folders{"Home", "Home/a_", "S_/HOME", "S_/home", "S_/x_/Home"}));
}

TEST_F(DiscTest, HitsInCandidateOrderAndNothingBelowLevelThree) {
  Text("G_/e_/s_", "Doom 2");
  Text("G_/e_/s_/d_", "Doom 3");
  Text("G_/e_", "doom");
  Text("G_", "DOOM");
  Text("H_/x_", "quake");
  EXPECT_EQ(HitFolders(QStringLiteral("doom")), (Folders{"G_", "G_/e_", "G_/e_/s_"}));
  EXPECT_TRUE(HitFolders(QStringLiteral("Doom 3")).empty());
  EXPECT_TRUE(HitFolders(QString()).empty());
  // The candidate list is kept even when the word can match nothing.
  EXPECT_EQ(SearchDescriptions(Root(), QString()).candidates.size(), 5u);
}

TEST_F(DiscTest, HitRowsDropEveryUnderscoreButKeepTheFolder) {
  const SearchHit top = MakeHit("Giochi_");
  EXPECT_EQ(top.folder, "Giochi_");
  EXPECT_EQ(top.section, QStringLiteral("Giochi"));
  EXPECT_TRUE(top.subfolder.isEmpty());
  const SearchHit deep = MakeHit("Gio_chi_/Doom_II_/Livello_1_");
  EXPECT_EQ(deep.folder, "Gio_chi_/Doom_II_/Livello_1_");
  EXPECT_EQ(deep.section, QStringLiteral("Giochi"));
  EXPECT_EQ(deep.subfolder, QStringLiteral("DoomII\\Livello1"));
  EXPECT_EQ(MakeHit("A_/b").subfolder, QStringLiteral("b"));
  // Names from the disc are Windows-1252 unless they are valid UTF-8.
  EXPECT_EQ(MakeHit("Citt\xE0_/Perch\xC3\xA8_").section, QString::fromUtf8("Città"));
  EXPECT_EQ(MakeHit("Citt\xE0_/Perch\xC3\xA8_").subfolder, QString::fromUtf8("Perchè"));

  Text("Demo_Giochi_/Un_Gioco_", "trovami");
  const TextSearchResult result = SearchDescriptions(Root(), QStringLiteral("TROVAMI"));
  ASSERT_EQ(result.hits.size(), 1u);
  EXPECT_EQ(result.hits[0].folder, "Demo_Giochi_/Un_Gioco_");
  EXPECT_EQ(result.hits[0].section, QStringLiteral("DemoGiochi"));
  EXPECT_EQ(result.hits[0].subfolder, QStringLiteral("UnGioco"));
}

TEST_F(DiscTest, RuntimeFolderAtTheRootIsPassedOver) {
  for (const char* f : {".zolt", ".zolt/lib_", "A_/.zolt", "A_"}) Text(f, "parola");
  EXPECT_EQ(ListCandidates(Root()), (Folders{"A_", "A_/.zolt"}));
  EXPECT_EQ(HitFolders(QStringLiteral("parola")), (Folders{"A_", "A_/.zolt"}));
}

TEST_F(DiscTest, DescriptionNameInAnyLetterCase) {
  Text("A_", "parola", "TESTO.TXT");
  Text("B_", "parola", "Testo.Txt");
  Text("C_", "parola", "testo.txt.bak");
  EXPECT_EQ(HitFolders(QStringLiteral("parola")), (Folders{"A_", "B_"}));
}

TEST_F(DiscTest, DescriptionsThatCannotBeReadArePassedOver) {
  Text("A_", "parola");
  Folder("B_/testo.txt");  // a folder of that name
  Folder("C_");
  fs::create_symlink("nowhere.txt", root_ / "C_" / "testo.txt");  // a link to nothing
  Folder("D_");
  fs::create_symlink("testo.txt", root_ / "D_" / "testo.txt");  // a link to itself
  Folder("E_");
  ASSERT_EQ(mkfifo((root_ / "E_" / "testo.txt").c_str(), 0644), 0);  // nobody ever writes to it
  Text("Chiuso_", "parola");
  fs::permissions(root_ / "Chiuso_" / "testo.txt", fs::perms::none);
  Text("Z_", "parola");
  // A link off the disc is no description of it: never read, counted as missing.
  const fs::path outside = root_.string() + "-fuori.txt";
  std::ofstream(outside) << "parola";
  Folder("F_");
  fs::create_symlink(outside, root_ / "F_" / "testo.txt");

  const TextSearchResult result = SearchDescriptions(Root(), QStringLiteral("parola"));
  fs::remove(outside);
  Folders hits;
  for (const SearchHit& hit : result.hits) hits.push_back(hit.folder);
  if (geteuid() == 0) {
    // Permissions do not stop the superuser.
    EXPECT_EQ(hits, (Folders{"A_", "Chiuso_", "Z_"}));
    EXPECT_EQ(result.unreadable, 2u);  // the looping link and the pipe
  } else {
    EXPECT_EQ(hits, (Folders{"A_", "Z_"}));
    EXPECT_EQ(result.unreadable, 3u);
  }
}

// Bytes this process has read so far, as the kernel counts them.
std::uint64_t BytesRead() {
  std::ifstream io("/proc/self/io");
  std::string key;
  std::uint64_t value = 0;
  while (io >> key >> value) {
    if (key == "rchar:") return value;
  }
  return 0;
}

// A description is read up to the limit the page reads it to, and no
// further: a larger one is one that cannot be read, whatever its size says.
TEST_F(DiscTest, DescriptionsAreReadNoFurtherThanThePageReadsThem) {
  constexpr std::uint64_t kLimit = disc::kMaxDescriptionBytes;
  struct Row {
    const char* folder;
    std::uint64_t zeros;  // a sparse run of zeros before the word
    bool hit;
  };
  const Row rows[] = {
      {"Limite_", kLimit - 9, true},  // the file ends exactly at the limit
      {"Oltre_", kLimit - 8, false},  // one byte more
      {"Grande_", 16ULL << 30, false},  // 16 GB
  };
  for (const Row& row : rows) {
    Folder(row.folder);
    std::ofstream out(root_ / row.folder / "testo.txt", std::ios::binary);
    out.seekp(static_cast<std::streamoff>(row.zeros));
    out << "\nparola\r\n";
  }
  // A link to a file of the kernel's that says it is empty and reads
  // without end lies off the disc: never opened.
  Folder("Kernel_");
  fs::create_symlink("/proc/self/pagemap", root_ / "Kernel_" / "testo.txt");
  Text("Piccolo_", "la parola");
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const std::uint64_t read = BytesRead();
  const TextSearchResult result = SearchDescriptions(Root(), QStringLiteral("PAROLA"));
  const std::uint64_t readNow = BytesRead() - read;
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  Folders hits;
  for (const SearchHit& hit : result.hits) hits.push_back(hit.folder);
  EXPECT_EQ(hits, (Folders{"Limite_", "Piccolo_"}));
  EXPECT_EQ(result.unreadable, 2u);
  // The limit once, the byte past it twice, the kernel's file not at all.
  EXPECT_LE(readNow, 2 * (kLimit + 256 * 1024)) << "bytes read";
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64L * 1024) << "kilobytes of peak memory grew";
}

TEST_F(DiscTest, HundredThousandFoldersAtLevelThree) {
  Folder("S_/E_");
  const fs::path parent = root_ / "S_" / "E_";
  for (int i = 0; i < 100000; ++i) fs::create_directory(parent / std::to_string(i));
  Text("S_/E_/99999", "parola");
  const TextSearchResult result = SearchDescriptions(Root(), QStringLiteral("parola"));
  EXPECT_EQ(result.candidates.size(), 100002u);
  ASSERT_EQ(result.hits.size(), 1u);
  EXPECT_EQ(result.hits[0].folder, "S_/E_/99999");
  EXPECT_EQ(result.hits[0].subfolder, QStringLiteral("E\\99999"));
}

}  // namespace
}  // namespace zolt::search
