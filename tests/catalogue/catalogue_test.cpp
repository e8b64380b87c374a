// The disc catalogue against small discs laid out in temporary folders.

#include "disc/catalogue.h"
#include "disc/discfile.h"
#include "disc/disctext.h"
#include "disc/tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace zolt::catalogue {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class TempDisc {
 public:
  TempDisc() {
    std::string pattern = (fs::temp_directory_path() / "zolt-catalogue-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    // Readable by others so the tests that drop privileges can still enter it.
    fs::permissions(root_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
  }
  ~TempDisc() {
    std::error_code ignored;
    fs::permissions(root_, fs::perms::owner_all, ignored);
    for (const auto& entry : fs::recursive_directory_iterator(root_, ignored)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(root_, ignored);
  }
  TempDisc(const TempDisc&) = delete;
  TempDisc& operator=(const TempDisc&) = delete;

  // The root with its trailing separator, as the catalogue calls take it.
  std::string Root() const { return root_ + "/"; }
  std::string Path(const std::string& relative) const { return root_ + "/" + relative; }

  void Folder(const std::string& relative) const { fs::create_directories(Path(relative)); }
  void File(const std::string& relative, const std::string& content = "x") const {
    fs::create_directories(fs::path(Path(relative)).parent_path());
    std::ofstream(Path(relative), std::ios::binary) << content;
  }
  void Link(const std::string& target, const std::string& relative) const {
    fs::create_directory_symlink(target, Path(relative));
  }

 private:
  std::string root_;
};

// Root reads every folder regardless of its permissions; the unreadable cases
// run with the effective user switched to "nobody" for their duration.
class AsUnprivileged {
 public:
  AsUnprivileged() {
    if (geteuid() == 0) switched_ = seteuid(65534) == 0;
  }
  ~AsUnprivileged() {
    if (switched_) (void)seteuid(0);
  }
  AsUnprivileged(const AsUnprivileged&) = delete;
  AsUnprivileged& operator=(const AsUnprivileged&) = delete;
  bool Works() const { return switched_ || geteuid() != 0; }

 private:
  bool switched_ = false;
};

Names List(const std::string& folder) {
  Names names{"left over"};
  ElencaCartelle(folder, names);
  return names;
}

Names Search(const std::string& pathAndMask, unsigned mask = kAttrArchive) {
  auto found = CercaFile(pathAndMask, mask);
  return found ? *found : Names{"<null>"};
}

// --- Paths -----------------------------------------------------------------

TEST(CatalogueTest, JoinPathPutsExactlyOneSeparatorBetween) {
  EXPECT_EQ(JoinPath("/disc/Giochi_", "testo.txt"), "/disc/Giochi_/testo.txt");
  EXPECT_EQ(JoinPath("/disc/Giochi_/", "testo.txt"), "/disc/Giochi_/testo.txt");
  EXPECT_EQ(JoinPath("/disc//", "/Home"), "/disc/Home");
  EXPECT_EQ(JoinPath("/", "Home"), "/Home");
  EXPECT_EQ(JoinPath("", "Home"), "Home");
}

TEST(CatalogueTest, DiscRootIsTheProgramFolderUnlessOverridden) {
  const std::string root = DiscRoot();
  ASSERT_FALSE(root.empty());
  EXPECT_EQ(root.back(), '/');
  EXPECT_TRUE(fs::exists(root + "catalogue_test"));

  SetDiscRootForTesting("/some/disc");
  EXPECT_EQ(DiscRoot(), "/some/disc/");
  SetDiscRootForTesting("");
  EXPECT_EQ(DiscRoot(), root);
}

// --- ElencaCartelle ---------------------------------------------------------

TEST(CatalogueTest, ListsOnlyFoldersWhoseOnlyUnderscoreIsTheLast) {
  TempDisc disc;
  for (const char* name : {"Giochi_", "Giochi", "Demo_Giochi_", "_Utility_", "Video__", "Musica_", "Home"}) {
    disc.Folder(name);
  }
  disc.File("Documento_");  // a file, not a folder
  EXPECT_EQ(List(disc.Root()), (Names{"Giochi", "Musica"}));
}

TEST(CatalogueTest, LeavesOutHiddenFoldersAndKeepsLinkedOnes) {
  TempDisc disc;
  disc.Folder(".Nascosti_");
  disc.Folder("Altrove/Vera");
  disc.Folder("Programmi_");
  disc.Link(disc.Path("Altrove/Vera"), "Collegata_");
  disc.Link(disc.Path("manca"), "Rotta_");  // dangling link: nothing to open
  EXPECT_EQ(List(disc.Root()), (Names{"Collegata", "Programmi"}));
}

TEST(CatalogueTest, ListingIsInByteOrderOfTheFolderNames) {
  TempDisc disc;
  // Byte order puts capitals first and "\xE8" (a Windows-1252 letter) last.
  for (const char* name : {"beta_", "Alfa_", "Zeta_", "alfa_", "\xE8lite_", "10_", "9_"}) disc.Folder(name);
  EXPECT_EQ(List(disc.Root()), (Names{"10", "9", "Alfa", "Zeta", "alfa", "beta", "\xE8lite"}));
}

TEST(CatalogueTest, MissingOrUnreadableFolderGivesAnEmptyList) {
  TempDisc disc;
  EXPECT_EQ(List(disc.Path("non-esiste/")), Names{});
  disc.File("file");
  EXPECT_EQ(List(disc.Path("file/")), Names{});

  disc.Folder("Chiusa/Dentro_");
  fs::permissions(disc.Path("Chiusa"), fs::perms::none);
  AsUnprivileged user;
  if (!user.Works()) GTEST_SKIP() << "cannot drop privileges to test an unreadable folder";
  EXPECT_EQ(List(disc.Path("Chiusa/")), Names{});
}

// --- CercaFile ----------------------------------------------------------------

TEST(CatalogueTest, SearchListsAFolderBeforeItsSubFoldersDepthFirst) {
  TempDisc disc;
  disc.File("Item_/z.exe");
  disc.File("Item_/a.exe");
  disc.File("Item_/b/deep/x.exe");
  disc.File("Item_/b/y.exe");
  disc.File("Item_/a/w.exe");
  disc.File("Item_/c.txt");
  const std::string base = disc.Path("Item_/");
  EXPECT_EQ(Search(base + "*.exe"), (Names{base + "a.exe", base + "z.exe", base + "a/w.exe",
                                          base + "b/y.exe", base + "b/deep/x.exe"}));
}

TEST(CatalogueTest, SearchMaskIsAWindowsWildcardWithoutCase) {
  TempDisc disc;
  for (const char* name : {"GIOCO.EXE", "setup.Exe", "leggimi", "leggimi.txt", "a.exe.bak", "ab.exe"}) {
    disc.File(std::string("I_/") + name);
  }
  const std::string base = disc.Path("I_/");
  EXPECT_EQ(Search(base + "*.exe"), (Names{base + "GIOCO.EXE", base + "ab.exe", base + "setup.Exe"}));
  EXPECT_EQ(Search(base + "?.exe*"), (Names{base + "a.exe.bak"}));
  EXPECT_EQ(Search(base + "LEGGIMI.*"), (Names{base + "leggimi", base + "leggimi.txt"}));
  EXPECT_EQ(Search(base + "*.*").size(), 6u);
  EXPECT_EQ(Search(base + "Setup.exe"), (Names{base + "setup.Exe"}));
  EXPECT_EQ(Search(base), Names{});  // no mask, nothing matches
}

TEST(CatalogueTest, SearchAttributeMaskAdmitsFoldersAndHiddenOnlyWhenAsked) {
  TempDisc disc;
  disc.File("I_/file.txt");
  disc.File("I_/.nascosto.txt");
  disc.File("I_/.cartella/dentro.txt");
  disc.Folder("I_/cartella.txt");
  const std::string base = disc.Path("I_/");
  EXPECT_EQ(Search(base + "*.txt"), (Names{base + "file.txt"}));
  EXPECT_EQ(Search(base + "*.txt", kAttrArchive | kAttrDirectory),
            (Names{base + "cartella.txt", base + "file.txt"}));
  EXPECT_EQ(Search(base + "*.txt", kAttrArchive | kAttrHidden),
            (Names{base + ".nascosto.txt", base + "file.txt", base + ".cartella/dentro.txt"}));
  // Read-only files are ordinary files.
  fs::permissions(base + "file.txt", fs::perms::owner_read);
  EXPECT_EQ(Search(base + "file.txt"), (Names{base + "file.txt"}));
}

TEST(CatalogueTest, SearchSkipsSpecialFilesAndDanglingLinks) {
  TempDisc disc;
  disc.Folder("I_");
  ASSERT_EQ(mkfifo(disc.Path("I_/tubo.exe").c_str(), 0644), 0);
  fs::create_symlink(disc.Path("manca.exe"), disc.Path("I_/rotto.exe"));
  disc.File("vero.exe");
  fs::create_symlink(disc.Path("vero.exe"), disc.Path("I_/link.exe"));
  EXPECT_EQ(Search(disc.Path("I_/*.exe")), (Names{disc.Path("I_/link.exe")}));
}

TEST(CatalogueTest, SearchSurvivesALinkLoopAndVisitsEachFolderOnce) {
  TempDisc disc;
  disc.File("I_/bin/gioco.exe");
  disc.Link(disc.Path("I_"), "I_/bin/su");      // back up the tree
  disc.Link(disc.Path("I_/bin"), "I_/ancora");  // the same folder a second time
  const Names found = Search(disc.Path("I_/*.exe"));
  EXPECT_EQ(found, (Names{disc.Path("I_/ancora/gioco.exe")}));
}

TEST(CatalogueTest, SearchOfAMissingFolderIsEmptyAndOfAnUnreadableOneFails) {
  TempDisc disc;
  EXPECT_EQ(Search(disc.Path("non-esiste/*.exe")), Names{});
  disc.File("file.exe");
  EXPECT_EQ(Search(disc.Path("file.exe/*.exe")), Names{});

  disc.File("Chiusa/a.exe");
  fs::permissions(disc.Path("Chiusa"), fs::perms::none);
  AsUnprivileged user;
  if (!user.Works()) GTEST_SKIP() << "cannot drop privileges to test an unreadable folder";
  EXPECT_THROW(CercaFile(disc.Path("Chiusa/*.exe"), kAttrArchive), std::system_error);
}

TEST(CatalogueTest, SearchGoesOnPastAnUnreadableSubFolder) {
  TempDisc disc;
  disc.File("I_/a/uno.exe");
  disc.File("I_/b/due.exe");
  disc.File("I_/c/tre.exe");
  fs::permissions(disc.Path("I_/b"), fs::perms::none);
  AsUnprivileged user;
  if (!user.Works()) GTEST_SKIP() << "cannot drop privileges to test an unreadable folder";
  EXPECT_EQ(Search(disc.Path("I_/*.exe")), (Names{disc.Path("I_/a/uno.exe"), disc.Path("I_/c/tre.exe")}));
}

TEST(CatalogueTest, SearchKeepsNamesThatAreNotUtf8) {
  TempDisc disc;
  disc.File("Citt\xE0_/gi\xF9.EXE");
  EXPECT_EQ(Search(disc.Path("Citt\xE0_/*.exe")), (Names{disc.Path("Citt\xE0_/gi\xF9.EXE")}));
}

// --- ResolveFile ----------------------------------------------------------------

TEST(CatalogueTest, ResolvesPerItemFilesWithoutRegardToCase) {
  TempDisc disc;
  disc.File("Giochi_/Doom_/Banner.GIF");
  disc.File("Home/Archivio.xls");
  disc.File("Giochi_/Doom_/BIN/Setup.exe");
  const std::string item = disc.Path("Giochi_/Doom_");
  for (const char* spelling : {"BANNER.GIF", "Banner.gif", "banner.gif"}) {
    EXPECT_EQ(ResolveFile(item, spelling), item + "/Banner.GIF") << spelling;
  }
  EXPECT_EQ(ResolveFile(disc.Root(), "home/archivio.XLS"), disc.Path("Home/Archivio.xls"));
  EXPECT_EQ(ResolveFile(item, "bin\\setup.exe"), item + "/BIN/Setup.exe");
  EXPECT_EQ(ResolveFile(item, "testo.txt"), std::nullopt);
  EXPECT_EQ(ResolveFile(item, "banner.gif/x"), std::nullopt);
  EXPECT_EQ(ResolveFile(item, ""), std::nullopt);
  EXPECT_EQ(ResolveFile(disc.Path("manca"), "banner.gif"), std::nullopt);
}

TEST(CatalogueTest, ResolvePrefersTheExactSpellingWhenSeveralExist) {
  TempDisc disc;
  disc.File("I_/testo.txt", "piccolo");
  disc.File("I_/TESTO.TXT", "grande");
  disc.File("I_/Testo.txt", "medio");
  EXPECT_EQ(ResolveFile(disc.Path("I_"), "Testo.txt"), disc.Path("I_/Testo.txt"));
  // No exact spelling: the first in byte order.
  EXPECT_EQ(ResolveFile(disc.Path("I_"), "testo.TXT"), disc.Path("I_/TESTO.TXT"));
}

}  // namespace
// --- Per-item files: one classification, one open --------------------------

TEST(DiscFileTest, ClassifiesEveryKindOfNameWithoutEverBlocking) {
  TempDisc disc;
  disc.File("file", "abc");
  disc.Folder("folder");
  ASSERT_EQ(mkfifo(disc.Path("fifo").c_str(), 0644), 0);
  fs::create_symlink("nowhere", disc.Path("dangling"));
  fs::create_symlink("loop", disc.Path("loop"));
  fs::create_symlink("file", disc.Path("link-to-file"));
  disc.File("locked", "secret");
  fs::permissions(disc.Path("locked"), fs::perms::none);
  const struct {
    const char* name;
    disc::FileState state;
  } cases[] = {
      {"file", disc::FileState::kReadable},      {"link-to-file", disc::FileState::kReadable},
      {"absent", disc::FileState::kMissing},     {"folder", disc::FileState::kNotRegular},
      {"fifo", disc::FileState::kNotRegular},    {"dangling", disc::FileState::kNotRegular},
      {"loop", disc::FileState::kNotRegular},    {"file/below", disc::FileState::kMissing},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(disc::ClassifyFile(disc.Path(c.name), disc.Root()), c.state);
    const disc::ReadResult read = disc::ReadDiscFile(disc.Path(c.name), disc.Root(), 100);
    EXPECT_EQ(read.state, c.state);
    EXPECT_EQ(read.ok(), c.state == disc::FileState::kReadable);
  }
  AsUnprivileged nobody;
  if (nobody.Works()) {
    EXPECT_EQ(disc::ClassifyFile(disc.Path("locked"), disc.Root()), disc::FileState::kUnreadable);
  }
}

// Only what really lies below the root is opened: a link out, ".." through
// a link or past the root are refused; links that stay inside, written
// relative or absolute, and a root reached through a link are not.
TEST(DiscFileTest, RefusesWhatReallyLiesOutsideTheRoot) {
  TempDisc t;
  t.File("outside/secret", "s");
  t.File("disc/S_/Item_/testo.txt", "t");
  const std::string item = t.Path("disc/S_/Item_/");
  fs::create_symlink(t.Path("outside/secret"), item + "out.txt");
  fs::create_symlink("../../../outside/secret", item + "up.txt");
  fs::create_symlink(item + "testo.txt", item + "abs-in.txt");
  fs::create_symlink("testo.txt", item + "rel-in.txt");
  fs::create_directory_symlink(t.Path("outside"), item + "outdir");
  fs::create_directory_symlink(t.Path("disc"), t.Path("disclink"));
  const struct {
    const char* root;
    const char* path;
    bool inside;
  } cases[] = {
      {"disc", "disc/S_/Item_/testo.txt", true},
      {"disc/", "disc/S_/Item_/rel-in.txt", true},
      {"disc", "disc/S_/Item_/abs-in.txt", true},
      {"disc", "disc/S_/../S_/Item_/testo.txt", true},
      {"disclink", "disclink/S_/Item_/abs-in.txt", true},
      {"disc", "disc/S_/Item_/out.txt", false},
      {"disc", "disc/S_/Item_/up.txt", false},
      {"disc", "disc/S_/Item_/outdir/secret", false},
      {"disc", "disc/S_/Item_/outdir/../outside/secret", false},
      {"disc", "disc/S_/Item_/../../../outside/secret", false},
      {"disc/S_/Item_", "disc/S_/Item_/../../S_/Item_/testo.txt", true},
      {"disc/S_/Item_/outdir", "disc/S_/Item_/outdir/secret", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    int error = 0;
    const disc::FileState state = disc::ClassifyFile(t.Path(c.path), t.Path(c.root), &error);
    EXPECT_EQ(state, c.inside ? disc::FileState::kReadable : disc::FileState::kNotRegular);
    EXPECT_EQ(disc::LeadsOutside(state, error), !c.inside);
    EXPECT_EQ(disc::ReadDiscFile(t.Path(c.path), t.Path(c.root), 10).bytes.empty(), !c.inside);
    EXPECT_EQ(disc::ClassifyFile(t.Path(c.path), disc::kAnyFolder), disc::FileState::kReadable);
  }
}

TEST(DiscFileTest, ReadsWholeFilesUpToTheirLimitAndFindsThemWithoutCase) {
  TempDisc disc;
  disc.File("Item_/TESTO.TXT", "0123456789");
  const disc::ItemFile found = disc::FindItemFile(disc.Path("Item_"), disc::kDescriptionFile, disc.Root());
  ASSERT_TRUE(found.readable());
  EXPECT_EQ(found.path, disc.Path("Item_/TESTO.TXT"));
  EXPECT_EQ(disc::ReadDiscFile(found.path, disc.Root(), 10).bytes, "0123456789");
  EXPECT_TRUE(disc::ReadDiscFile(found.path, disc.Root(), 9).tooLarge());
  EXPECT_FALSE(disc::FindItemFile(disc.Path("Item_"), disc::kPictureFile, disc.Root()).exists());
  EXPECT_FALSE(disc::FindItemFile("", disc::kDescriptionFile, disc.Root()).exists());
  EXPECT_EQ(disc::SizeLimitFor("BANNER.GIF"), disc::kMaxBannerBytes);
}

TEST(DiscTextTest, NamesAreUtf8ElseWindows1252) {
  EXPECT_EQ(disc::DecodeDiscName("Citt\xc3\xa0"), "Citt\xc3\xa0");
  EXPECT_EQ(disc::DecodeDiscName("Citt\xe0 \x80"), "Citt\xc3\xa0 \xe2\x82\xac");
  EXPECT_EQ(disc::DecodeDiscName("\x81"), "\xc2\x81");
  EXPECT_TRUE(disc::IsCatalogueName("Giochi_"));
  EXPECT_FALSE(disc::IsCatalogueName("Demo_Giochi_"));
  EXPECT_FALSE(disc::IsCatalogueName(".Giochi_"));
}

}  // namespace zolt::catalogue

namespace zolt::catalogue {
namespace {

// --- The demo disc as the catalogue reads it --------------------------------

TEST(TreeTest, TabsGoToTheFirstTwelveSectionsButHome) {
  const Names twelve{"A", "Home", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L"};
  Names thirteen = twelve;
  thirteen.push_back("M");
  EXPECT_EQ(TabbedSections(thirteen), (Names{"A", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L"}));
  EXPECT_EQ(TabbedSections({"home", "B"}), (Names{"home", "B"}));  // only the exact spelling
}

TEST(TreeTest, ResolvingInAListingFollowsTheResolversRule) {
  TempDisc disc;
  for (const char* name : {"BANNER.GIF", "Banner.gif", "TESTO.txt", "img.jpg"}) disc.File(name);
  Names listing;
  for (const auto& entry : fs::directory_iterator(disc.Path(""))) listing.push_back(entry.path().filename().string());
  std::sort(listing.begin(), listing.end());
  for (const char* name : {"banner.gif", "Banner.gif", "testo.txt", "IMG.JPG", "setup.txt", "img.jp"}) {
    const auto resolved = ResolveFile(disc.Root(), name);
    EXPECT_EQ(ResolveInListing(listing, name), resolved ? std::optional(fs::path(*resolved).filename().string())
                                                        : std::nullopt) << name;
  }
}

TEST(TreeTest, CatalogueFoldersAreThoseThatMakeAPageOrHoldCatalogueFolders) {
  TempDisc disc;
  disc.File("pagina/IMG.JPG");
  disc.File("gruppo/voce_/x.dat");
  disc.File("solo/Setup.txt");
  disc.File("bin/setup.exe");
  const struct {
    const char* folder;
    bool page, item, catalogue;
  } cases[] = {
      {"pagina", true, true, true},
      {"gruppo", false, false, true},
      {"solo", false, true, false},
      {"bin", false, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HoldsPageFiles(disc.Path(c.folder)), c.page) << c.folder;
    EXPECT_EQ(HoldsItemFiles(disc.Path(c.folder)), c.item) << c.folder;
    EXPECT_EQ(IsCatalogueFolder(disc.Path(c.folder)), c.catalogue) << c.folder;
  }
  disc.File("voce_/TESTO.TXT");
  EXPECT_FALSE(IsGroupEntry(disc.Path("voce_")));
  EXPECT_TRUE(IsGroupEntry(disc.Path("gruppo/voce_")));
  EXPECT_FALSE(IsGroupEntry(Names{"Img.jpg", "TESTO.TXT"}));
  EXPECT_TRUE(IsGroupEntry(Names{"testo.txt.bak"}));
}

TEST(DemoDiscTest, OffersBothTabRowsAGroupEntryAndStartablePrograms) {
  const std::string disc = ZOLT_DEMO_DISC "/";
  Names sections;
  ElencaCartelle(disc, sections);
  EXPECT_GE(sections.size(), 7u);  // a second row of tabs
  EXPECT_TRUE(ResolveFile(disc, "home/scheda.htm") && ResolveFile(disc, "HOME/archivio.xls"));

  // The group entry has no description; its sub-entries differ in byte order
  // and letter order, so the tree's sorting shows.
  EXPECT_FALSE(ResolveFile(disc + "Giochi_/Rompicapo_", "testo.txt"));
  Names puzzles;
  ElencaCartelle(disc + "Giochi_/Rompicapo_/", puzzles);
  EXPECT_EQ(puzzles, (Names{"Cruciverba", "Sudoku", "anagrammi"}));

  const auto setups = CercaFile(disc + "setup.txt", kAttrArchive);
  EXPECT_GE(setups->size(), 10u);
  for (const std::string& setup : *setups) {
    std::ifstream file(setup);
    std::string first;
    std::getline(file, first);
    if (!first.empty() && first.back() == '\r') first.pop_back();
    const auto program = ResolveFile(fs::path(setup).parent_path().string(), first);
    ASSERT_TRUE(program) << setup;
    EXPECT_EQ(access(program->c_str(), X_OK), 0) << *program;
  }
  EXPECT_EQ(*CercaFile(disc + "Giochi_/Labirinto_/*.exe", kAttrArchive),
            Names{disc + "Giochi_/Labirinto_/bin/gioco.exe"});
}

}  // namespace
}  // namespace zolt::catalogue
