#include "textdata/setup_data.h"

#include <gtest/gtest.h>

namespace vt::textdata {
namespace {

std::optional<std::int16_t> MovieLimit(const std::string& sizeClass, long group = 1) {
  const std::string setup = "<MOVIESFS_1>" + sizeClass + "</MOVIESFS_1>";
  return GetMaxFileSize(setup, "MOVIESFS", group, kMaxFileSizes);
}

TEST(GetMaxFileSize, MapsSizeClassesThroughTheTable) {
  EXPECT_EQ(MovieLimit("0"), 1);
  EXPECT_EQ(MovieLimit("1"), 2);
  EXPECT_EQ(MovieLimit("2"), 5);
  EXPECT_EQ(MovieLimit("3"), 10);
  EXPECT_EQ(MovieLimit("4"), 0);
  EXPECT_EQ(MovieLimit(" 3 "), 10);
  EXPECT_EQ(MovieLimit("2.5"), 5);  // halves go to the even class
  EXPECT_EQ(MovieLimit("3.5"), 0);  // class 4
  EXPECT_EQ(MovieLimit("1.49"), 2);
  EXPECT_EQ(MovieLimit("large"), 1);  // no number reads as class 0
}

TEST(GetMaxFileSize, ClassOutsideTheTableHasNoValue) {
  EXPECT_EQ(MovieLimit("7"), std::nullopt);
  EXPECT_EQ(MovieLimit("-1"), std::nullopt);
  EXPECT_EQ(MovieLimit("4.5"), 0);  // class 4
  EXPECT_EQ(MovieLimit("4.51"), std::nullopt);
  EXPECT_EQ(MovieLimit("70000"), std::nullopt);
}

TEST(GetMaxFileSize, MissingElementIsClassZero) {
  EXPECT_EQ(MovieLimit("3", 2), 1);
  EXPECT_EQ(GetMaxFileSize("", "PRESENTATIONSFS", 0, kMaxFileSizes), 1);
  // The lookup uses the group index given, including the placeholder's 0 and nothing selected.
  const std::string setup =
      "<NARRATIONSFS_0>3</NARRATIONSFS_0><NARRATIONSFS_-1>2</NARRATIONSFS_-1>";
  EXPECT_EQ(GetMaxFileSize(setup, "NARRATIONSFS", 0, kMaxFileSizes), 10);
  EXPECT_EQ(GetMaxFileSize(setup, "NARRATIONSFS", -1, kMaxFileSizes), 5);
}

TEST(IsKindAllowed, OnlyExactlyOneAllows) {
  const std::string setup =
      "<PRESENTATIONS_1>1</PRESENTATIONS_1><MOVIES_1> 1</MOVIES_1><NARRATIONS_1>1 </NARRATIONS_1>"
      "<movies_2>1</movies_2><NARRATIONS_2>yes</NARRATIONS_2><PRESENTATIONS_0>1</PRESENTATIONS_0>";
  EXPECT_TRUE(IsKindAllowed(setup, "PRESENTATIONS", 1));
  EXPECT_FALSE(IsKindAllowed(setup, "MOVIES", 1));
  EXPECT_FALSE(IsKindAllowed(setup, "NARRATIONS", 1));
  EXPECT_TRUE(IsKindAllowed(setup, "MOVIES", 2));  // tag letter case does not matter
  EXPECT_FALSE(IsKindAllowed(setup, "NARRATIONS", 2));
  EXPECT_FALSE(IsKindAllowed(setup, "PRESENTATIONS", 2));
  EXPECT_TRUE(IsKindAllowed(setup, "PRESENTATIONS", 0));
  // PRESENTATIONS_1 must not be read from PRESENTATIONS_10.
  EXPECT_FALSE(IsKindAllowed("<PRESENTATIONS_10>1</PRESENTATIONS_10>", "PRESENTATIONS", 1));
}

TEST(CategoryCaption, KeepsMarkupAndMissingIsEmpty) {
  const std::string setup =
      "<CATEGORIES_1><b>Hobbies</b> &amp; pastimes</CATEGORIES_1>\r\n"
      "<CATEGORIES_2>Goals\r\nfor next year</CATEGORIES_2>";
  EXPECT_EQ(CategoryCaption(setup, 1), "<b>Hobbies</b> &amp; pastimes");
  EXPECT_EQ(CategoryCaption(setup, 2), "Goals\r\nfor next year");
  EXPECT_EQ(CategoryCaption(setup, 3), "");
}

}  // namespace
}  // namespace vt::textdata
