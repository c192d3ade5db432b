#include "textdata/setup_data.h"

#include <gtest/gtest.h>

namespace vt::textdata {
namespace {

TEST(GetMaxFileSize, MapsSizeClassesThroughTheTable) {
  const std::pair<const char*, std::optional<std::int16_t>> cases[] = {
      {"0", 1},    {"1", 2},     {"2", 5},   {"3", 10},    {"4", 0},  {" 3 ", 10}, {"2.5", 5},
      {"3.5", 0},  // halves go to the even class
      {"1.49", 2}, {"large", 1}, {"4.5", 0}, {"4.51", {}}, {"7", {}}, {"-1", {}},  {"70000", {}},
  };
  for (const auto& [sizeClass, expected] : cases) {
    const TaggedText setup("<MOVIESFS_1>" + std::string(sizeClass) + "</MOVIESFS_1>");
    EXPECT_EQ(GetMaxFileSize(setup, "MOVIESFS", 1, kMaxFileSizes), expected) << sizeClass;
    EXPECT_EQ(GetMaxFileSize(setup, "MOVIESFS", 2, kMaxFileSizes), 1);  // missing: class 0
  }
  // The group index given is used as it stands, including the placeholder's 0 and -1.
  const TaggedText setup("<NARRATIONSFS_0>3</NARRATIONSFS_0><NARRATIONSFS_-1>2</NARRATIONSFS_-1>");
  EXPECT_EQ(GetMaxFileSize(setup, "NARRATIONSFS", 0, kMaxFileSizes), 10);
  EXPECT_EQ(GetMaxFileSize(setup, "NARRATIONSFS", -1, kMaxFileSizes), 5);
}

TEST(IsKindAllowed, OnlyExactlyOneAllows) {
  const TaggedText setup(
      "<PRESENTATIONS_1>1</PRESENTATIONS_1><MOVIES_1> 1</MOVIES_1><NARRATIONS_1>1 </NARRATIONS_1>"
      "<movies_2>1</movies_2><NARRATIONS_2>yes</NARRATIONS_2><PRESENTATIONS_0>1</PRESENTATIONS_0>"
      "<NARRATIONS_30>1</NARRATIONS_30>");
  const std::tuple<const char*, long, bool> cases[] = {
      {"PRESENTATIONS", 1, true}, {"MOVIES", 1, false},     {"NARRATIONS", 1, false},
      {"MOVIES", 2, true},        {"NARRATIONS", 2, false}, {"PRESENTATIONS", 2, false},
      {"PRESENTATIONS", 0, true}, {"NARRATIONS", 3, false},  // not read from NARRATIONS_30
  };
  for (const auto& [kind, group, allowed] : cases) {
    EXPECT_EQ(IsKindAllowed(setup, kind, group), allowed) << kind << group;
  }
}

}  // namespace
}  // namespace vt::textdata
