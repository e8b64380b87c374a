// The disc check against discs laid out in temporary folders: one planted
// problem of each code, the demo disc, the exit statuses.

#include "look/tabmetrics.h"
#include "biffbuilder.h"
#include "tools/zolt-check/authorrules.h"
#include "tools/zolt-check/checker.h"
#include "tools/zolt-check/homepage.h"
#include "tools/zolt-check/report.h"
#include "platform/jpeg/jpegdecoder.h"
#include "platform/rtf/rtfreader.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zolt::check {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The offscreen application of the whole run, gone before the process ends.
class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    UseOffscreenPlatform();
    application_ = std::make_unique<QGuiApplication>(argc_, argv_);
  }
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;
  char name_[11] = "check_test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QGuiApplication> application_;
};
const ::testing::Environment* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

const fs::path kDemo = ZOLT_DEMO_DISC;
const std::string kRtf = "{\\rtf1\\ansi {\\b Titolo}\\par Testo.\\par}";
const std::string kAddress = "http://www.esempio.it/";

class TempDisc {
 public:
  TempDisc() {
    std::string pattern = (fs::temp_directory_path() / "zolt-check-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    chmod(root_.c_str(), 0755);  // readable by the unprivileged check too
  }
  ~TempDisc() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  TempDisc(const TempDisc&) = delete;
  TempDisc& operator=(const TempDisc&) = delete;

  const std::string& Root() const { return root_; }
  std::string Path(const std::string& relative) const { return root_ + "/" + relative; }
  void Folder(const std::string& relative) const { fs::create_directories(Path(relative)); }
  void File(const std::string& relative, const std::string& content) const {
    fs::create_directories(fs::path(Path(relative)).parent_path());
    std::ofstream(Path(relative), std::ios::binary) << content;
  }
  // A clean item: a description, and a picture, a banner and its address when asked.
  void Item(const std::string& relative, bool pictures = false) const {
    File(relative + "/testo.txt", kRtf);
    if (!pictures) return;
    File(relative + "/img.jpg", Slurp(kDemo / "Giochi_/Labirinto_/img.jpg"));
    File(relative + "/banner.gif", Slurp(kDemo / "Home/banner.gif"));
    File(relative + "/banner.txt", kAddress);
  }

 private:
  std::string root_;
};

std::string Bytes(const biffbuild::Bytes& bytes) { return {bytes.begin(), bytes.end()}; }

// A Home folder with a page and an archive of one filled sheet.
void CleanHome(const TempDisc& disc) {
  disc.File("Home/scheda.htm", Slurp(kDemo / "Home/scheda.htm"));
  for (const char* file : {"copertina.jpg", "cd.png", "banner.gif", "banner.txt", "Archivio.xls"}) {
    disc.File(std::string("Home/") + file, Slurp(kDemo / "Home" / file));
  }
}

// Twelve tabs' worth of sections and more: every planted problem below.
void PlantEverything(const TempDisc& disc) {
  for (const char* section : {"B_", "C_", "D_", "E_", "F_", "G_", "I_", "J_", "Home_", "Z_"}) {
    disc.Item(std::string(section) + "/x_");
  }
  disc.Folder("K_");  // no entries
  disc.Item("LUNGHISSIMO NOME DI SEZIONE CHE NON ENTRA NELLA SECONDA RIGA_/x_");

  disc.Item("A_/ok_", true);
  disc.File("A_/ok_/Extra.dat", "1");
  disc.File("A_/ok_/extra.dat", "2");
  disc.File("A_/ok_/caff\xe8.dat", "3");
  disc.File("A_/ok_/" + std::string(70, 'n'), "4");
  disc.File("A_/ok_/a?b.dat", "5");
  disc.Folder("A_/ok_/dati");
  fs::create_directory_symlink(".", disc.Path("A_/ok_/dati/giro"));

  disc.File("A_/Non elencata/testo.txt", kRtf);
  disc.File("A_/.nascosta/img.jpg", "x");
  disc.Item("A_/g_/s_");
  disc.Folder("A_/g_/t_");
  disc.Item("A_/g_/s_/profondo_");
  disc.Folder("A_/vuota_");
  disc.Item("A_/Home");

  disc.Item("A_/fifo_");
  mkfifo(disc.Path("A_/fifo_/img.jpg").c_str(), 0644);
  disc.Item("A_/esce_");
  fs::create_symlink("/bin/sh", disc.Path("A_/esce_/img.jpg"));  // a file of the machine, not of the disc
  disc.Folder("A_/grande_");
  fs::resize_file((std::ofstream(disc.Path("A_/grande_/testo.txt")), disc.Path("A_/grande_/testo.txt")),
                  200u << 20);
  disc.File("A_/piano_/testo.txt", "solo testo");
  disc.File("A_/rotto_/testo.txt", "{\\rtf1 {\\b ciao");
  std::string formatted = "{\\rtf1 ";
  for (int i = 0; i < 300; ++i) formatted += "{\\b x}{\\i y}";  // 600 runs in one paragraph
  disc.File("A_/formati_/testo.txt", formatted + "}");

  const std::string jpeg = Slurp(kDemo / "Giochi_/Labirinto_/img.jpg");
  disc.Item("A_/foto_");
  disc.File("A_/foto_/img.jpg", jpeg.substr(0, jpeg.size() / 2));
  disc.Item("A_/png_");
  disc.File("A_/png_/img.jpg", Slurp(kDemo / "Home/cd.png"));
  disc.Item("A_/enorme_");
  // SOF0 claiming 60,000 x 60,000 pixels in a few bytes.
  disc.File("A_/enorme_/img.jpg", std::string("\xFF\xD8\xFF\xC0\x00\x11\x08\xEA\x60\xEA\x60\x03\x01\x22\x00\x02"
                                              "\x11\x01\x03\x11\x01\xFF\xD9", 23));
  // A picture whose scans come to more work than the decoder takes: the
  // demo picture's scan 64 times over, its header claiming 5,000 x 5,000.
  std::string slow = jpeg.substr(0, jpeg.size() - 2);
  const std::size_t scan = jpeg.rfind("\xFF\xDA");
  for (int i = 1; i < 64; ++i) slow += jpeg.substr(scan, jpeg.size() - 2 - scan);
  const std::size_t frame = slow.find("\xFF\xC0") + 5;
  slow.replace(frame, 4, "\x13\x88\x13\x88");
  disc.Item("A_/lento_");
  disc.File("A_/lento_/img.jpg", slow + "\xFF\xD9");

  disc.Item("A_/gif_");
  disc.File("A_/gif_/banner.gif", "GIF89a\x10\x00\x10\x00 rotta");
  disc.File("A_/gif_/banner.txt", kAddress);
  disc.Item("A_/senza_");
  disc.File("A_/senza_/banner.gif", Slurp(kDemo / "Home/banner.gif"));
  disc.Item("A_/indirizzo_");
  disc.File("A_/indirizzo_/banner.txt", kAddress);
  disc.Item("A_/web_");
  disc.File("A_/web_/banner.gif", Slurp(kDemo / "Home/banner.gif"));
  disc.File("A_/web_/banner.txt", "non un indirizzo");

  disc.Item("A_/manca_");
  disc.File("A_/manca_/setup.txt", "bin\\setup.exe\r\n");
  disc.Item("A_/riga_");
  disc.File("A_/riga_/setup.txt", "\r\nsetup.exe\r\n");
  disc.Item("A_/arg_");
  disc.File("A_/arg_/setup.txt", "Setup.sh /S\r\n");
  disc.File("A_/arg_/setup.sh", "#!/bin/sh\n");
  disc.Item("A_/fuori_");
  disc.File("A_/fuori_/setup.txt", "..\\..\\..\\etc\\passwd");
  disc.Item("A_/fuori2_");
  disc.File("A_/fuori2_/copia.txt", "../ok_/img.jpg");
  disc.Item("A_/fuori3_");
  disc.File("A_/fuori3_/copia.txt", "leggimi.txt");
  disc.File("A_/fuori3_/setup.txt", "Leggimi.txt");
  fs::create_symlink("../ok_/img.jpg", disc.Path("A_/fuori3_/leggimi.txt"));  // on the disc, not in the item
  disc.Item("A_/fuori4_");
  disc.File("A_/fuori4_/setup.txt", "setup.sh");
  fs::create_symlink("/bin/sh", disc.Path("A_/fuori4_/setup.sh"));
  disc.Item("A_/win_");
  std::string program(128, '\0');
  program[0] = 'M';
  program[1] = 'Z';
  program[0x3c] = 64;
  program.replace(64, 4, std::string("PE\0\0", 4));
  disc.File("A_/win_/setup.txt", "SETUP.EXE");
  disc.File("A_/win_/setup.exe", program);
  disc.Item("A_/copia_");
  disc.File("A_/copia_/copia.txt", "manca.zip");
  disc.Item("A_/cartella_");
  disc.File("A_/cartella_/copia.txt", "dati\\file.zip");
  disc.File("A_/cartella_/dati/file.zip", "z");
  // The execute bit and the mode of what "  Installa  " starts.
  for (const auto& [item, program, content, mode] :
       {std::tuple{"nonx_", "setup.sh", "#!/bin/sh\n", 0644}, std::tuple{"suid_", "setup", "\x7f" "ELF", 04755},
        std::tuple{"scrivibile_", "setup.sh", "#!/bin/sh\n", 0777}}) {
    disc.Item(std::string("A_/") + item);
    disc.File(std::string("A_/") + item + "/setup.txt", program);
    disc.File(std::string("A_/") + item + "/" + program, content);
    chmod(disc.Path(std::string("A_/") + item + "/" + program).c_str(), static_cast<mode_t>(mode));
  }
  // Accents a search misses; raw UTF-8 that shows as two characters each.
  disc.File("A_/accenti_/testo.txt", "{\\rtf1\\ansi {\\fonttbl{\\f0 Caf\\'e8;}}Il pi\\'f9 bello\\par}");
  disc.File("A_/utf8_/testo.txt", "{\\rtf1\\ansi Il pi\xc3\xb9 bello\\par}");
  disc.File("autorun.sh", "#!/bin/sh\n");  // the disc's own name at the root

  CleanHome(disc);
  disc.File("Home/scheda.htm", "<html><body><img src=\"Copertina.jpg\"><a href=\"manca.htm\">x</a>"
                               "<a href=\"http://www.esempio.it/\">y</a><img src=\"cd.png\"></body></html>");
  using namespace biffbuild;
  disc.File("Home/Archivio.xls",
            Bytes(CompoundFile({{"Workbook", Workbook({{"Vuoto", {}}, {"Dati", {Label8(0, 0, "x")}}})}})));
}

// Root reads every folder whatever its permissions: the check of the
// planted disc runs as "nobody" for its duration, where the system allows.
class AsNobody {
 public:
  AsNobody() {
    if (geteuid() == 0) switched_ = seteuid(65534) == 0;
  }
  ~AsNobody() {
    if (switched_) (void)seteuid(0);
  }
  AsNobody(const AsNobody&) = delete;
  AsNobody& operator=(const AsNobody&) = delete;
  bool Works() const { return switched_ || geteuid() != 0; }

 private:
  bool switched_ = false;
};

struct Expected {
  int disc;  // 0 everything, 1 no Home, 2 Home without page and a damaged archive, 3 a wide archive
  const char* code;
  const char* path;
};

const Expected kPlanted[] = {
    {0, "section-over-twelve", "Z_"},
    {0, "folder-unreadable", "A_/chiuso_"},
    {0, "section-home", "Home_"},
    {0, "tabs-too-wide", ""},
    {0, "section-empty", "K_"},
    {0, "name-case-clash", "A_/ok_/extra.dat"},
    {0, "name-not-utf8", "A_/ok_/caff\xc3\xa8.dat"},
    {0, "name-too-long-for-disc", "A_/ok_/nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn"},
    {0, "name-not-for-disc", "A_/ok_/a?b.dat"},
    {0, "folder-link-loop", "A_/ok_/dati/giro"},
    {0, "folder-not-listed", "A_/Non elencata"},
    {0, "hidden-folder", "A_/.nascosta"},
    {0, "folder-too-deep", "A_/g_/s_/profondo_"},
    {0, "group-without-entries", "A_/vuota_"},
    {0, "description-missing", "A_/g_/t_"},
    {0, "search-skips-home", "A_/Home"},
    {0, "file-unreadable", "A_/fifo_/img.jpg"},
    {0, "path-escapes-disc", "A_/esce_/img.jpg"},
    {0, "file-too-large", "A_/grande_/testo.txt"},
    {0, "description-not-rtf", "A_/piano_/testo.txt"},
    {0, "description-damaged", "A_/rotto_/testo.txt"},
    {0, "file-too-large", "A_/formati_/testo.txt"},
    {0, "picture-damaged", "A_/foto_/img.jpg"},
    {0, "picture-damaged", "A_/enorme_/img.jpg"},
    {0, "picture-not-jpeg", "A_/png_/img.jpg"},
    {0, "file-too-large", "A_/lento_/img.jpg"},
    {0, "banner-damaged", "A_/gif_/banner.gif"},
    {0, "banner-without-address", "A_/senza_/banner.gif"},
    {0, "address-without-banner", "A_/indirizzo_/banner.txt"},
    {0, "banner-address-invalid", "A_/web_/banner.txt"},
    {0, "installer-missing", "A_/manca_/setup.txt"},
    {0, "installer-empty-line", "A_/riga_/setup.txt"},
    {0, "installer-has-arguments", "A_/arg_/setup.txt"},
    {0, "path-escapes-item", "A_/fuori_/setup.txt"},
    {0, "path-escapes-item", "A_/fuori2_/copia.txt"},
    {0, "path-escapes-item", "A_/fuori3_/copia.txt"},
    {0, "path-escapes-item", "A_/fuori4_/setup.txt"},
    {0, "installer-windows-only", "A_/win_/setup.exe"},
    {0, "copy-file-missing", "A_/copia_/copia.txt"},
    {0, "copy-needs-folder", "A_/cartella_/copia.txt"},
    {0, "home-page-broken-link", "Home/Copertina.jpg"},
    {0, "home-page-broken-link", "Home/manca.htm"},
    {0, "archive-empty", "Home/Archivio.xls"},
    {0, "archive-several-sheets", "Home/Archivio.xls"},
    {0, "name-reserved-at-root", "autorun.sh"},
    {0, "installer-not-executable", "A_/nonx_/setup.sh"},
    {0, "installer-unsafe-mode", "A_/suid_/setup"},
    {0, "installer-unsafe-mode", "A_/scrivibile_/setup.sh"},
    {0, "description-accents-unsearchable", "A_/accenti_/testo.txt"},
    {0, "description-raw-utf8", "A_/utf8_/testo.txt"},
    {3, "archive-outside-columns", "Home/Archivio.xls"},
    {3, "archive-several-sheets", "Home/Archivio.xls"},
    {1, "home-missing", "Home"},
    {1, "archive-missing", "home/Archivio.xls"},
    {2, "home-page-missing", "Home/scheda.htm"},
    {2, "archive-unreadable", "Home/Archivio.xls"},
};

using Found = std::multiset<std::pair<std::string, std::string>>;

Found Problems(const CheckResult& result) {
  Found found;
  for (const Problem& problem : result.problems) {
    found.emplace(problem.code, problem.path);
    EXPECT_EQ(SeverityOf(problem.code), problem.severity) << problem.code;
    EXPECT_FALSE(problem.message.empty()) << problem.code;
  }
  return found;
}

// Every code is planted, each is found exactly where it was planted and
// nothing else is reported; the problems come in path order.
TEST(DiscCheck, FindsEachPlantedProblemOnceWhereItIs) {
  TempDisc everything, noHome, noPage, wide;
  PlantEverything(everything);
  everything.Item("A_/chiuso_");
  chmod(everything.Path("A_/chiuso_").c_str(), 0);
  noHome.Item("A_/x_");
  noPage.Item("A_/x_");
  noPage.File("Home/Archivio.xls", std::string(4096, 'x'));
  // 255 columns in the first of 30 sheets.
  wide.Item("A_/x_");
  CleanHome(wide);
  {
    using namespace biffbuild;
    std::vector<Sheet> sheets(30, Sheet{"Altro", {Label8(0, 0, "y")}});
    sheets[0].name = "Dati";
    for (unsigned column = 0; column < 255; ++column) sheets[0].records.push_back(Label8(1, column, "x"));
    wide.File("Home/Archivio.xls", Bytes(CompoundFile({{"Workbook", Workbook(sheets)}})));
  }
  bool unprivileged = false;
  EnsureGuiApplication();  // the toolkit refuses to start with a switched user
  const CheckResult planted0 = [&] {
    const AsNobody nobody;
    unprivileged = nobody.Works();
    return CheckDisc(everything.Root());
  }();
  const CheckResult results[] = {planted0, CheckDisc(noHome.Root()), CheckDisc(noPage.Root()), CheckDisc(wide.Root())};

  std::set<std::string> planted;
  Found expected[4];
  for (const Expected& row : kPlanted) {
    if (!unprivileged && row.code == std::string("folder-unreadable")) continue;
    planted.insert(row.code);
    expected[row.disc].emplace(row.code, row.path);
  }
  for (const CodeInfo& info : Codes()) {
    if (info.code == "folder-unreadable" && !unprivileged) continue;
    EXPECT_TRUE(planted.count(std::string(info.code)) != 0) << "not planted: " << info.code;
  }
  for (int disc = 0; disc < 4; ++disc) {
    ASSERT_EQ(results[disc].status, CheckResult::Status::kChecked) << results[disc].failure;
    const Found found = Problems(results[disc]);
    std::string extra, missing;
    for (const auto& [code, path] : found)
      if (found.count({code, path}) != expected[disc].count({code, path})) extra += " " + code + ":" + path;
    for (const auto& [code, path] : expected[disc])
      if (found.count({code, path}) == 0) missing += " " + code + ":" + path;
    EXPECT_TRUE(extra.empty() && missing.empty()) << "disc " << disc << "\n unexpected:" << extra
                                                  << "\n missing:" << missing;
    const auto& problems = results[disc].problems;
    for (std::size_t i = 1; i < problems.size(); ++i) {
      EXPECT_FALSE(PathBefore(problems[i].path, problems[i - 1].path)) << problems[i].path;
    }
  }
  // The tabs of A..G, I..L: 32 entries and two sub-entries in A, one entry in each other but K.
  EXPECT_EQ(results[0].items, 43u);
}

TEST(DiscCheck, DemoDiscHasNoErrorOrWarning) {
  const CheckResult result = CheckDisc(kDemo.string());
  ASSERT_EQ(result.status, CheckResult::Status::kChecked);
  for (const Problem& problem : result.problems) {
    EXPECT_EQ(problem.severity, Severity::kInfo) << problem.code << " " << problem.path << ": " << problem.message;
  }
  EXPECT_GT(result.items, 15u);
}

TEST(DiscCheck, TabsStartEachRowAt221AndFollowOnePixelApart) {
  EnsureGuiApplication();
  const std::vector<QString> names(8, QStringLiteral("Giochi"));
  const QFontMetrics metrics(TabFont());
  const std::vector<TabPlace> places = PlaceTabs(names, metrics);
  ASSERT_EQ(places.size(), 8u);
  for (std::size_t k = 0; k < places.size(); ++k) {
    EXPECT_EQ(places[k].width, metrics.horizontalAdvance(QStringLiteral("  Giochi  ")));
    EXPECT_EQ(places[k].left, k % 6 == 0 ? kTabLeft : places[k - 1].right() + 1) << k;
  }
}

TEST(DiscCheck, RtfReaderTellsADamagedDescription) {
  EnsureGuiApplication();
  const struct {
    const char* text;
    bool rtf;
    std::size_t unclosed;
    bool after;
  } cases[] = {
      {"{\\rtf1 {\\b a}\\par b}", true, 0, false},
      {"{\\rtf1 {\\b a}\\par b}\r\n\x1a", true, 0, false},  // padding after the end
      {"{\\rtf1 {\\b a\\par b", true, 2, false},               // cut short
      {"{\\rtf1 a}} testo perso", true, 0, true},
      {"testo semplice {", false, 0, false},
  };
  QTextDocument document;
  for (const auto& c : cases) {
    rtf::RtfDiagnostics found;
    rtf::ReadRtf(c.text, document, &found);
    EXPECT_EQ(found.rtf, c.rtf) << c.text;
    EXPECT_EQ(found.unclosedGroups, c.unclosed) << c.text;
    EXPECT_EQ(found.textAfterEnd, c.after) << c.text;
    EXPECT_EQ(found.damaged(), c.unclosed > 0 || c.after) << c.text;
  }
}

// A picture cut short is found at every scale; one that decodes whole is not
// called damaged, not even with extra bytes between its markers.
TEST(DiscCheck, JpegCheckFindsAPictureDecodedOnlyInPart) {
  const std::string whole = Slurp(kDemo / "Giochi_/Labirinto_/img.jpg");
  const std::string shared = std::string(ZOLT_SHARED_DIR) + "/testdata/jpeg/jpeg-decoder/extraneous-bytes-after-sos.jpg";
  for (const int scale : {1, 8}) {
    const JpegCheck full = CheckJpeg(whole, scale);
    EXPECT_TRUE(full.jpeg && full.decoded && !full.partial) << scale << full.message;
    EXPECT_GT(full.width, 0);
    const JpegCheck cut = CheckJpeg(whole.substr(0, whole.size() * 3 / 4), scale);
    EXPECT_TRUE(cut.decoded && cut.partial) << scale;
    EXPECT_FALSE(CheckJpeg(whole.substr(0, 200), scale).decoded) << scale;
    if (fs::exists(shared)) {
      const JpegCheck extra = CheckJpeg(Slurp(shared), scale);
      EXPECT_TRUE(extra.decoded && !extra.partial) << extra.message;
    }
  }
  const JpegCheck png = CheckJpeg(Slurp(kDemo / "Home/cd.png"));
  EXPECT_TRUE(!png.jpeg && png.decoded && png.format == "png");
}

TEST(DiscCheck, JsonIsTheDocumentAsSpecified) {
  CheckResult result;
  result.items = 3;
  result.problems.push_back({Severity::kWarning, "hidden-folder", "A_/.x", "Dice \"no\"\n", "A_"});
  EXPECT_EQ(ToJson("disco\\1", result),
            "{\"disc\": \"disco\\\\1\", \"items\": 3, \"problems\": [\n"
            "  {\"severity\": \"warning\", \"code\": \"hidden-folder\", \"path\": \"A_/.x\", "
            "\"message\": \"Dice \\\"no\\\"\\n\"}\n]}\n");
  EXPECT_EQ(ToJson("d", CheckResult{}), "{\"disc\": \"d\", \"items\": 0, \"problems\": []}\n");
}

TEST(DiscCheck, HomePageReferencesAreTheLocalOnes) {
  const auto references = LocalReferences(
      "<html><head><link rel=stylesheet href='stile.css?v=2'><base target=_self></head><body "
      "background=\"fondo%20blu.gif\"><a href=\"#su\">a</a><a href=\"mailto:x@y.it\">b</a>"
      "<script src=\"//cdn.esempio.it/x.js\"></script><img SRC=\"img\\logo.png#x\"></body></html>");
  std::vector<std::string> paths;
  for (const PageReference& reference : references) paths.push_back(reference.path);
  EXPECT_EQ(paths, (std::vector<std::string>{"stile.css", "fondo blu.gif", "img/logo.png"}));
}

// The words of a description whose letters are escapes, or raw UTF-8.
TEST(DiscCheck, DescriptionLettersAsStored) {
  using Words = std::vector<std::string>;
  const struct {
    std::string rtf;
    Words escaped;
    Words raw;
  } cases[] = {
      {"{\\rtf1\\ansi pi\\'f9 e citt\\'e0, pi\\'f9\\par}", {"pi\xc3\xb9", "citt\xc3\xa0"}, {}},
      // \uN with its fallback skipped: one by default, as \ucN says, none with \uc0.
      {"{\\rtf1 pi\\u249?, {\\uc2 caff\\u232\\'e8\\'e8} qualit\\uc0\\u224}", {"pi\xc3\xb9", "caff\xc3\xa8", "qualit\xc3\xa0"}, {}},
      // Raw Windows-1252 bytes are found as stored; raw UTF-8 is not the code page's.
      {"{\\rtf1 pi\xf9 e pi\xc3\xb9 e citt\\'e0\xe0}", {"citt\xc3\xa0\xc3\xa0"}, {"pi\xc3\xb9"}},
      {"{\\rtf1\\ansicpg65001 pi\xc3\xb9}", {}, {}},
      // Fonts, pictures and {\\* ...} are never shown; punctuation is no letter; \\bin data is skipped.
      {"{\\rtf1{\\fonttbl{\\f0 Caf\\'e8;}}{\\*\\x \\'e8}\\'ab{\\b a}\\'bb \\bin2 \xc3\xb9 \\u-10187?\\u-9216?}",
       {"\xf0\x9d\x90\x80"}, {}},
      {"{\\rtf1 fine\\", {}, {}},
      // Nesting beyond any real file, a word longer than a name needs.
      {std::string(3000, '{') + "pi\\'f9" + std::string(100, 'a') + std::string(3000, '}') + " \\'e8",
       {"pi\xc3\xb9" + std::string(60, 'a'), "\xc3\xa8"}, {}},
  };
  for (const auto& c : cases) {
    const DescriptionLetters letters = ScanDescriptionLetters(c.rtf, 8, 8);
    EXPECT_EQ(letters.escaped, c.escaped) << c.rtf;
    EXPECT_EQ(letters.rawUtf8, c.raw) << c.rtf;
  }
}

// The program's exit statuses: 0 clean, 1 errors, 2 no disc or a wrong command.
// A disc the build assembled keeps its own names at the root; a catalogue may not.
TEST(DiscCheck, ExitStatuses) {
  TempDisc broken, empty, assembled, reserved, loop;
  broken.File("A_/x_/img.jpg", "niente");
  for (const TempDisc* disc : {&assembled, &reserved}) {
    disc->Item("A_/x_");
    disc->File("zolt", "\x7f" "ELF");
  }
  assembled.File("autorun.sh", "#!/bin/sh\n");
  assembled.Folder(".zolt/lib");
  fs::create_symlink("anello", loop.Path("anello"));
  const std::string program = ZOLT_CHECK_PROGRAM;
  const struct {
    std::string arguments;
    int status;
  } runs[] = {
      {"--help", 0},
      {"--json " + kDemo.string(), 0},
      {broken.Root(), 1},
      {"--json " + broken.Root(), 1},
      {empty.Root(), 2},
      {assembled.Root(), 0},
      {fs::relative(kDemo).string(), 0},  // a folder named from here
      {reserved.Root(), 1},
      {reserved.Path("zolt"), 2},    // a file
      {loop.Path("anello"), 2},      // a link to itself
      {"/nonexistent/disc", 2},
      {"", 2},
      {"--colore " + kDemo.string(), 2},
  };
  for (const auto& run : runs) {
    const std::string command = "'" + program + "' " + run.arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << command;
    EXPECT_EQ(WEXITSTATUS(status), run.status) << command;
  }
}

}  // namespace
}  // namespace zolt::check
