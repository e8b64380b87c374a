// The start-up's choices that do not need a disc: which requested platforms
// survive, the sandbox probe, the keyboard descriptions outside a disc.
#include <gtest/gtest.h>
#include <unistd.h>

#include <set>
#include <string>

#include "app/zoltapplication.h"

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
    EXPECT_EQ(reason, "the program runs as root");
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

}  // namespace
