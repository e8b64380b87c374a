// The disc launcher's choice of loader and C++ runtime, and what it reads the
// reader's versions from.
#include <gtest/gtest.h>

#include <string>

#include "cmake/disc/launch_choice.h"

namespace {

TEST(LaunchChoice, ReadsVersionsFromLoadersAndLibraryNames) {
  struct Case {
    std::string text;
    int version;
  };
  for (const Case& c : {Case{std::string("\0ld.so (Debian GLIBC 2.36-9+deb12u4) stable release version 2.36.\0", 66), 2036},
                        Case{"ld.so (GNU libc) stable release version 2.41.", 2041},
                        Case{"release version 2.", 0}, Case{"release version .28", 0},
                        Case{"no version here", 0}, Case{"", 0}}) {
    EXPECT_EQ(zolt_glibc_in_loader(c.text.data(), c.text.size()), c.version) << c.text;
  }
  struct Name {
    const char* name;
    int glibc;
    int cxx;
  };
  for (const Name& n : {Name{"ld-2.31.so", 2031, -1}, Name{"ld-2.28.so", 2028, -1},
                        Name{"ld-linux-x86-64.so.2", 0, -1}, Name{"ld-2.31.so.bak", 0, -1},
                        Name{"libstdc++.so.6.0.28", 0, 28}, Name{"libstdc++.so.6.0.33", 0, 33},
                        Name{"libstdc++.so.6", 0, -1}, Name{"libstdc++.so.6.0.30x", 0, -1}}) {
    EXPECT_EQ(zolt_glibc_in_loader_name(n.name), n.glibc) << n.name;
    EXPECT_EQ(zolt_cxx_in_name(n.name), n.cxx) << n.name;
  }
}

TEST(LaunchChoice, TakesTheNewerCLibraryAndCxxRuntimeAndRefusesBelowTheFloor) {
  struct Case {
    int readerGlibc, readerCxx;
    zolt_choice expected;
  };
  // The disc's: the C library 2.36, libstdc++ 30.
  for (const Case& c : {Case{2041, 33, {0, 0, 0}},  // newer system: all the reader's
                        Case{2036, 30, {0, 0, 0}},  // the same: the reader's
                        Case{2036, 28, {0, 0, 1}},  // an older libstdc++ only
                        Case{2031, 28, {0, 1, 1}},  // Debian 11
                        Case{2035, 30, {0, 1, 0}},  // older C library, libstdc++ as new
                        Case{2028, 25, {0, 1, 1}},  // the floor
                        Case{2027, 24, {1, 0, 0}},  // below it
                        Case{0, -1, {0, 1, 1}}}) {  // no GNU C library, no libstdc++
    const zolt_choice got = zolt_choose(c.readerGlibc, 2036, c.readerCxx, 30);
    EXPECT_EQ(got.refuse, c.expected.refuse) << c.readerGlibc << " " << c.readerCxx;
    EXPECT_EQ(got.disc_c, c.expected.disc_c) << c.readerGlibc << " " << c.readerCxx;
    EXPECT_EQ(got.disc_cxx, c.expected.disc_cxx) << c.readerGlibc << " " << c.readerCxx;
  }
}

}  // namespace
