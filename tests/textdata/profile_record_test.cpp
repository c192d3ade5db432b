#include "textdata/profile_record.h"

#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vt::textdata {
namespace {

using Categories = std::vector<std::string>;

TEST(ProfileRecord, WritesElementsInOrderEachFollowedByAnEmptyLine) {
  test::TempDir dir;
  ASSERT_TRUE(WriteProfileRecord(dir / "pr.dat", {"5A", "Ann", "Lee", {"Hello"}}));
  EXPECT_EQ(test::ReadBytes(dir / "pr.dat"),
            "<GROUP>5A</GROUP>\r\n\r\n<FIRSTNAME>Ann</FIRSTNAME>\r\n\r\n"
            "<LASTNAME>Lee</LASTNAME>\r\n\r\n<CATCOUNT>1</CATCOUNT>\r\n\r\n"
            "<CAT1>Hello</CAT1>\r\n\r\n");
  EXPECT_EQ(FormatProfileRecord({"", "", "", {}}),
            "<GROUP></GROUP>\r\n\r\n<FIRSTNAME></FIRSTNAME>\r\n\r\n<LASTNAME></LASTNAME>\r\n\r\n"
            "<CATCOUNT>0</CATCOUNT>\r\n\r\n");
}

TEST(ProfileRecord, RoundTripKeepsEverythingButBlanksAtTheEnds) {
  test::TempDir dir;
  const ProfileRecord written{"  Grade 5 – Blue  ",
                              " Émile ",
                              "Zoë-Brontë ",
                              {"  Line one\r\nLine two\r\n  ", "\r\nstarts with a break", "",
                               "\ttab\xC2\xA0nbsp 日本語 <b>&amp;</b> \"q\" 'a'", "  "}};
  ASSERT_TRUE(WriteProfileRecord(dir / "pr.dat", written));
  const auto read = ReadProfileRecord(dir / "pr.dat");
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->group, "Grade 5 – Blue");
  EXPECT_EQ(read->firstName, "Émile");
  EXPECT_EQ(read->lastName, "Zoë-Brontë");
  EXPECT_EQ(read->categories, (Categories{"Line one\r\nLine two\r\n", "\r\nstarts with a break", "",
                                          "\ttab\xC2\xA0nbsp 日本語 <b>&amp;</b> \"q\" 'a'", ""}));
}

TEST(ProfileRecord, ReadsHandMadeRecordsInAnyOrderAndCase) {
  const ProfileRecord record = ParseProfileRecord(
      "junk <cat2>second</cat2> <LastName>  Lee </LastName>\n<catcount>2</catcount>"
      "<group>x</group><CAT1>first</CAT1><GROUP>ignored</GROUP><cat3>beyond</cat3>"
      "<FIRSTNAME>ann</FIRSTNAME>");
  EXPECT_EQ(record.group, "x");
  EXPECT_EQ(record.firstName, "ann");    // taken as it stands
  EXPECT_EQ(record.lastName, "  Lee ");  // the reader removes no blanks
  EXPECT_EQ(record.categories, (Categories{"first", "second"}));
}

TEST(ProfileRecord, CategoryCountRules) {
  const std::string cats = "<CAT1>a</CAT1><CAT2>b</CAT2><CAT3>c</CAT3><CAT4>d</CAT4><CAT5>e</CAT5>";
  const std::pair<const char*, Categories> cases[] = {
      {"", {}},                                // no CATCOUNT
      {"<CATCOUNT>2</CATCOUNT>", {"a", "b"}},  // CAT3 to CAT5 are not read
      {"<CATCOUNT> 2.5 </CATCOUNT>", {"a", "b"}},
      {"<CATCOUNT>3.5</CATCOUNT>", {"a", "b", "c", "d"}},
      {"<CATCOUNT>7</CATCOUNT>", {"a", "b", "c", "d", "e", "", ""}},
      {"<CATCOUNT>-1</CATCOUNT>", {}},
      {"<CATCOUNT>32767</CATCOUNT>", {}},
      {"<CATCOUNT>40000</CATCOUNT>", {}},
      {"<CATCOUNT>1e9</CATCOUNT>", {"a"}},
      {"<CATCOUNT>many</CATCOUNT>", {}},
  };
  for (const auto& [count, expected] : cases) {
    const ProfileRecord record = ParseProfileRecord(std::string(count) + "<GROUP>g</GROUP>" + cats);
    EXPECT_EQ(record.categories, expected) << count;
    EXPECT_EQ(record.group, "g") << count;
  }
  EXPECT_EQ(ParseProfileRecord("<CATCOUNT>32766</CATCOUNT>").categories.size(), 32766u);
}

TEST(ProfileRecord, ReadsAWindows1252RecordFromAnExistingInstallation) {
  test::TempDir dir;
  test::WriteBytes(
      dir / "pr.dat",
      "<GROUP>Cours \xE9l\xE9mentaire</GROUP>\r\n\r\n<FIRSTNAME>Fran\xE7oise</FIRSTNAME>"
      "\r\n\r\n<LASTNAME>M\xFCller</LASTNAME>\r\n\r\n<CATCOUNT>1</CATCOUNT>\r\n\r\n"
      "<CAT1>\x93Quoted\x94 \x80 5\r\nna\xEFve</CAT1>\r\n\r\n");
  const auto record = ReadProfileRecord(dir / "pr.dat");
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->group, "Cours élémentaire");
  EXPECT_EQ(record->firstName, "Françoise");
  EXPECT_EQ(record->lastName, "Müller");
  EXPECT_EQ(record->categories, (Categories{"“Quoted” € 5\r\nnaïve"}));
}

TEST(ProfileRecord, MissingFileOrFolder) {
  test::TempDir dir;
  EXPECT_EQ(ReadProfileRecord(dir / "pr.dat"), std::nullopt);
  EXPECT_FALSE(WriteProfileRecord(dir / "no-such-profile" / "pr.dat", {"g", "a", "b", {}}));
  EXPECT_FALSE(std::filesystem::exists(dir / "no-such-profile"));
  test::WriteBytes(dir / "empty" / "pr.dat", "");
  const auto empty = ReadProfileRecord(dir / "empty" / "pr.dat");
  ASSERT_TRUE(empty.has_value());
  EXPECT_EQ(empty->group, "");
  EXPECT_TRUE(empty->categories.empty());
}

}  // namespace
}  // namespace vt::textdata
