#include "textdata/profile_record.h"

#include <gtest/gtest.h>

#include "textdata/encoding.h"
#include "textdata/tagged_text.h"

namespace vt::textdata {
namespace {

using Categories = std::vector<std::string>;
using Fields = std::tuple<std::string, std::string, std::string, Categories>;

Fields Of(const ProfileRecord& record) {
  return Fields{record.group, record.firstName, record.lastName, record.categories};
}

TEST(ProfileRecord, WritesElementsInOrderAndReadsThemBackWithoutEndBlanks) {
  EXPECT_EQ(FormatProfileRecord({"5A", "Ann", "Lee", {"Hello"}}),
            "<GROUP>5A</GROUP>\r\n\r\n<FIRSTNAME>Ann</FIRSTNAME>\r\n\r\n"
            "<LASTNAME>Lee</LASTNAME>\r\n\r\n<CATCOUNT>1</CATCOUNT>\r\n\r\n"
            "<CAT1>Hello</CAT1>\r\n\r\n");

  const std::string odd = "\ttab\xC2\xA0nbsp 日本語 <b>&amp;</b> \"q\" 'a'";
  const Categories texts = {"  Line one\r\nLine two\r\n  ", "\r\nstarts with a break", "", odd,
                            "  "};
  const Categories trimmed = {"Line one\r\nLine two\r\n", "\r\nstarts with a break", "", odd, ""};
  EXPECT_EQ(Of(ParseProfileRecord(
                FormatProfileRecord({"  Grade 5 – Blue  ", " Émile ", "Zoë-Brontë ", texts}))),
            (Fields{"Grade 5 – Blue", "Émile", "Zoë-Brontë", trimmed}));
}

// Each byte of a record is looked at a bounded number of times, however many categories it
// names: all 32,766 present in 1 MB, or named by CATCOUNT and missing from 1 MB of text.
TEST(ProfileRecord, ReadingIsLinearInTheRecordsLength) {
  constexpr long kMost = 32766;
  Categories texts;
  for (long k = 1; k <= kMost; ++k) {
    texts.push_back(std::string(16, static_cast<char>('a' + k % 26)));
  }
  const std::string full = FormatProfileRecord({"G", "Ann", "Lee", texts});
  const std::string missing =
      "<CATCOUNT>32766</CATCOUNT>" + std::string(1 << 20, 'x') + "<CAT1>only</CAT1>";
  for (const std::string* record : {&full, &missing}) {
    ASSERT_GE(record->size(), 1u << 20);
    const std::uint64_t before = BytesSearched();
    const ProfileRecord read = ParseProfileRecord(*record);
    EXPECT_LE(BytesSearched() - before, 80 * record->size());
    ASSERT_EQ(read.categories.size(), static_cast<std::size_t>(kMost));
    EXPECT_EQ(read.categories.back(), record == &full ? texts.back() : "");
  }
}

TEST(ProfileRecord, ReadsHandMadeRecordsInAnyOrderAndCase) {
  // Values are taken as they stand; the reader removes no blanks.
  EXPECT_EQ(Of(ParseProfileRecord(
                "junk <cat2>second</cat2> <LastName>  Lee </LastName>\n<catcount>2</catcount>"
                "<group>x</group><CAT1>first</CAT1><GROUP>ignored</GROUP><cat3>beyond</cat3>"
                "<FIRSTNAME>ann</FIRSTNAME>")),
            (Fields{"x", "ann", "  Lee ", {"first", "second"}}));
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
    EXPECT_EQ(ParseProfileRecord(std::string(count) + cats).categories, expected) << count;
  }
  EXPECT_EQ(ParseProfileRecord("<CATCOUNT>32766</CATCOUNT>").categories.size(), 32766u);
}

TEST(ProfileRecord, ReadsAWindows1252RecordFromAnExistingInstallation) {
  const std::string bytes =
      "<GROUP>Cours \xE9l\xE9mentaire</GROUP>\r\n\r\n<FIRSTNAME>Fran\xE7oise</FIRSTNAME>"
      "\r\n\r\n<LASTNAME>M\xFCller</LASTNAME>\r\n\r\n<CATCOUNT>1</CATCOUNT>\r\n\r\n"
      "<CAT1>\x93Quoted\x94 \x80 5\r\nna\xEFve</CAT1>\r\n\r\n";
  EXPECT_EQ(Of(ParseProfileRecord(DecodeText(bytes))),
            (Fields{"Cours élémentaire", "Françoise", "Müller", {"“Quoted” € 5\r\nnaïve"}}));
}

}  // namespace
}  // namespace vt::textdata
