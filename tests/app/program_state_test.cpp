#include "app/program_state.h"

#include <gtest/gtest.h>

#include "app/paths.h"

namespace vt::app {
namespace {

using Strings = std::vector<std::string>;

TEST(ApplyProfileRecord, TakesTheOriginalGroupOnlyWhileItIsEmpty) {
  ProgramState state;
  ApplyProfileRecord(state, {"", "Ann", "Lee", {}});
  EXPECT_EQ(state.sOriginalGroup, "");  // a record without a group leaves it open

  ApplyProfileRecord(state, {"5A", "Ann", "Lee", {"one", "two"}});
  EXPECT_EQ(state.sOriginalGroup, "5A");
  EXPECT_EQ(state.sCategories, (Strings{"", "one", "two", ""}));

  ApplyProfileRecord(state, {"6B", "Bo", "Ng", {}});
  EXPECT_EQ(state.sGroupName, "6B");
  EXPECT_EQ(state.sOriginalGroup, "5A");
  EXPECT_EQ(state.iCatCount, 0);
  EXPECT_EQ(state.sCategories, (Strings{"", ""}));
}

TEST(ProfileFolder, OnlyPlainNamesBelowTheProfilesFolder) {
  const std::filesystem::path home = "/opt/vt";
  EXPECT_EQ(ProfileFolder(home, "42"), home / "Profile" / "42");
  EXPECT_EQ(ProfileFolder(home, std::string("  4\0"
                                            "2 ",
                                            6)),
            home / "Profile" / "42");
  EXPECT_EQ(ProfileFolder(home, "Ann Lee"), home / "Profile" / "Ann Lee");
  const Strings notPlain = {"",    "   ",  ".",    "..",   " .. ",
                            "a/b", "../x", "/etc", "a\\b", std::string("\0", 1)};
  for (const std::string& id : notPlain) {
    EXPECT_EQ(ProfileFolder(home, id), std::nullopt) << id;
  }
}

}  // namespace
}  // namespace vt::app
