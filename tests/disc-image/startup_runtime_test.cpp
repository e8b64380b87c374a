// The start-up's choices that do not need a disc: which requested platforms
// survive, the sandbox probe, the keyboard descriptions outside a disc, what
// the launcher hands on, and the environment of the programs the shell starts.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/startup.h"
#include "app/zoltapplication.h"
#include "platform/shell.h"

namespace {

TEST(ShippedPlatforms, KeepsOnlyShippedEntriesInOrderWithTheirOptions) {
  const std::set<std::string> shipped = {"xcb", "offscreen"};
  const auto isShipped = [&](const std::string& name) { return shipped.count(name) > 0; };
  struct Case {
    const char* requested;
    const char* kept;
  };
  for (const Case& c : {Case{"", ""}, Case{"wayland", ""}, Case{"wayland;xcb", "xcb"},
                        Case{"xcb:nograb;wayland-egl;offscreen", "xcb:nograb;offscreen"},
                        Case{";;xcb;", "xcb"}, Case{"XCB", ""}}) {
    EXPECT_EQ(zolt::ShippedPlatforms(c.requested, isShipped), c.kept) << c.requested;
  }
}

TEST(SandboxProbe, GivesAReasonOrNone) {
  const std::string reason = zolt::SandboxUnavailableReason();
  if (geteuid() == 0) {
    EXPECT_EQ(reason, "il programma gira come root");
  } else {
    // Either the probe child made and mapped a namespace, or it says why not.
    EXPECT_TRUE(reason.empty() || reason.find("namespace") != std::string::npos) << reason;
  }
}

TEST(KeyboardDescriptions, OutsideADiscTheRequestedFolderStands) {
  ASSERT_TRUE(zolt::RuntimeFolder().empty());
  EXPECT_EQ(zolt::KeyboardDescriptionsFolder("/no/such/xkb"), "/no/such/xkb");
  EXPECT_EQ(zolt::KeyboardDescriptionsFolder(nullptr), "");
}

TEST(Launcher, TheReaderGetsItsOwnEnvironmentAndTheDiscRootComesFromWhereTheProgramIs) {
  using Entries = std::vector<std::string>;
  struct Case {
    Entries given, reader;
  };
  for (const Case& c : {Case{{"HOME=/h", "PATH=/bin"}, {"HOME=/h", "PATH=/bin"}},
                        Case{{"HOME=/h", "ZOLT_DISC_ROOT=/media/d", "ZOLT_LOADER=/media/d/.zolt/lib/glibc/ld",
                              "ZOLT_LIBRARY_PATH=/media/d/.zolt/lib/glibc", "ZOLT_READER_LD_PRELOAD=/x/a.so",
                              "ZOLT_READER_LD_LIBRARY_PATH=", "LANG=it_IT.UTF-8"},
                             {"HOME=/h", "LD_PRELOAD=/x/a.so", "LD_LIBRARY_PATH=", "LANG=it_IT.UTF-8"}}}) {
    EXPECT_EQ(zolt::ReaderEnvironment(c.given), c.reader);
  }
  struct Root {
    const char* program;
    const char* root;
  };
  for (const Root& r : {Root{"/media/lettore/ZOLT CD àè/.zolt/bin/zolt", "/media/lettore/ZOLT CD àè/"},
                        Root{"/work/build/bin/zolt", "/work/build/bin/"}, Root{"/.zolt/bin/zolt", "/"},
                        Root{"/media/cd/zolt", "/media/cd/"}, Root{"/x/.zolt/lib/glibc/ld-linux-x86-64.so.2", "/x/.zolt/lib/glibc/"},
                        Root{"zolt", "./"}}) {
    EXPECT_EQ(zolt::DiscRootOfProgram(r.program), r.root) << r.program;
  }
}

TEST(StartedPrograms, GetTheReadersEnvironmentNotTheProgramsOwn) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("zolt-env-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::filesystem::path script = folder / "installa.sh";
  std::ofstream(script) << "#!/bin/sh\nenv > \"$0.env\"\n";
  chmod(script.c_str(), 0755);
  setenv("FONTCONFIG_FILE", "/disc/.zolt/fonts/fonts.conf", 1);
  zolt::platform::SetStartedProgramsEnvironment({"PATH=/usr/bin:/bin", "ZOLT_TEST_READER=1"});
  zolt::platform::CurrentShell().OpenTarget(script.string());
  zolt::platform::SetStartedProgramsEnvironment({});
  const std::filesystem::path written = script.string() + ".env";
  std::error_code error;
  for (int i = 0; i < 100 && !std::filesystem::exists(written, error); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the script's writing ends
  std::stringstream text;
  text << std::ifstream(written).rdbuf();
  EXPECT_NE(text.str().find("ZOLT_TEST_READER=1"), std::string::npos) << text.str();
  EXPECT_EQ(text.str().find("FONTCONFIG_FILE"), std::string::npos) << text.str();
  EXPECT_NE(std::getenv("FONTCONFIG_FILE"), nullptr);  // the program's own stays
  unsetenv("FONTCONFIG_FILE");
  std::filesystem::remove_all(folder);
}

}  // namespace
