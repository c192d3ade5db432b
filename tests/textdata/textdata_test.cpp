#include <gtest/gtest.h>

#include <numeric>

#include "textdata/encoding.h"
#include "textdata/profile_record.h"
#include "textdata/setup_data.h"

namespace vt::textdata {
namespace {

using Strings = std::vector<std::string>;
constexpr auto kRowName = [](const auto& info) { return std::string(std::get<0>(info.param)); };

// Name, text, opening and closing marker, position given, value, position given back (0: none).
using Search =
    std::tuple<const char*, std::string_view, const char*, const char*, int, const char*, int>;
class GetTagValueTest : public ::testing::TestWithParam<Search> {};

TEST_P(GetTagValueTest, GivesTheValueAndThePositionAfterTheClosingMarker) {
  auto [name, text, open, close, position, value, after] = GetParam();
  EXPECT_EQ(GetTagValue(text, open, close, position), value);
  EXPECT_EQ(position, after);
}

const Search kSearches[] = {
    {"EitherCase", "é <gaz> <b>&amp;</b>\r\n</GAZ>", "<GAz>", "</GAz>", 0, " <b>&amp;</b>\r\n", 30},
    {"FirstOfTwo", "<CAT10>t</CAT10><CAT1></CAT1><CAT1>y</CAT1>", "<CAT1>", "</CAT1>", 0, "", 30},
    {"LetterMarkers", "aZbyZAzQ", "za", "q", 0, "z", 9},
    {"FromAfterTheFirst", "<A>1</A><A>2</A>", "<A>", "</A>", 9, "2", 17},
    {"FromInsideTheOnlyOne", "<A>x</A>", "<A>", "</A>", 2, "", 0},
    {"NoClosingAfterTheOpening", "</A>x<A>value", "<A>", "</A>", 1, "", 0},
    {"CutShort", std::string_view("<A>x</A>", 7), "<A>", "</A>", 0, "", 0}};
INSTANTIATE_TEST_SUITE_P(Texts, GetTagValueTest, ::testing::ValuesIn(kSearches), kRowName);

// Name, bytes, the UTF-8 text they are read as.
using Decoding = std::tuple<const char*, std::string_view, const char*>;
class DecodeTextTest : public ::testing::TestWithParam<Decoding> {};

TEST_P(DecodeTextTest, KeepsValidUtf8AndReadsAnythingElseAsWindows1252) {
  EXPECT_EQ(DecodeText(std::get<1>(GetParam())), std::get<2>(GetParam()));
}

const Decoding kDecodings[] = {{"OtherLengths", "é \xE0\xA0\x80 😀", "é \xE0\xA0\x80 😀"},
                               {"AfterEightAsciiBytes", "Bonjour \xE9", "Bonjour é"},
                               {"CutShort", std::string_view("caf\xC3\xA9", 4), "cafÃ"},
                               {"NoContinuation", "\xC3(", "Ã("},
                               {"OverlongThreeBytes", "\xE0\x9F\xBF", "àŸ¿"},
                               {"Surrogate", "\xED\xA0\x80", "í\xC2\xA0€"},
                               {"BeyondUnicode", "\xF4\x90\x80\x80", "ô\xC2\x90€€"}};
INSTANTIATE_TEST_SUITE_P(Bytes, DecodeTextTest, ::testing::ValuesIn(kDecodings), kRowName);

TEST(Windows1252, MapsEveryByteBothWaysAndWhatItLacksToAQuestionMark) {
  std::string all(255, '\0');
  std::iota(all.begin(), all.end(), '\x01');
  EXPECT_EQ(EncodeWindows1252(DecodeWindows1252(all)), all);
  // The bytes it leaves undefined become the C1 control of the same number.
  EXPECT_EQ(DecodeWindows1252(all.substr(0x7E, 34)),
            "\x7F€\xC2\x81‚ƒ„…†‡ˆ‰Š‹Œ\xC2\x8DŽ\xC2\x8F\xC2\x90‘’“”•–—˜™š›œ\xC2\x9DžŸ\xC2\xA0");
  EXPECT_EQ(EncodeWindows1252("é 日本 😀 ǅ"), "\xE9 ?? ? ?");
}

TEST(ProfileRecord, IsWrittenInOrderWithoutEndBlanksAndReadInAnyOrderAndCaseAsItStands) {
  EXPECT_EQ(FormatProfileRecord({" 5A ", "Ann", "Lee", {"  Hi\r\n  ", "  "}}),
            "<GROUP>5A</GROUP>\r\n\r\n<FIRSTNAME>Ann</FIRSTNAME>\r\n\r\n"
            "<LASTNAME>Lee</LASTNAME>\r\n\r\n<CATCOUNT>2</CATCOUNT>\r\n\r\n"
            "<CAT1>Hi\r\n</CAT1>\r\n\r\n<CAT2></CAT2>\r\n\r\n");
  // The first of each element; no blanks removed; CAT3 missing, CAT4 beyond the count.
  const ProfileRecord read = ParseProfileRecord(
      "junk <cat2>\r\n<b>&amp;</b></cat2> <LastName> Lee </LastName>\n<catcount>3</catcount>"
      "<group>x</group><CAT1>1</CAT1><GROUP>ignored</GROUP><cat4>beyond</cat4><FIRSTNAME>ann");
  EXPECT_EQ((Strings{read.group, read.firstName, read.lastName}), (Strings{"x", "", " Lee "}));
  EXPECT_EQ(read.categories, (Strings{"1", "\r\n<b>&amp;</b>", ""}));
}

// A record that names 32,766 categories and holds none in 1 MB of text is read in one pass.
TEST(ProfileRecord, ReadingIsLinearInTheRecordsLength) {
  const std::string record = "<CATCOUNT>32766</CATCOUNT>" + std::string(1 << 20, 'x');
  const std::uint64_t before = BytesSearched();
  EXPECT_EQ(ParseProfileRecord(record).categories, Strings(32766));
  EXPECT_LE(BytesSearched() - before, 80 * record.size());
}

// Name, element text, and what the three readers of numbers make of it: the size limit of a
// group's size class, the category count of a record, whether a kind of file is allowed.
using Number = std::tuple<const char*, std::string, std::optional<std::int16_t>, std::size_t, bool>;
class NumberTest : public ::testing::TestWithParam<Number> {};

TEST_P(NumberTest, IsReadLenientlyRoundedHalfToEvenButAllowsOnlyWhenExactlyOne) {
  const auto& [name, text, megabytes, categories, allowed] = GetParam();
  const TaggedText setup("<MOVIESFS_2>" + text + "</MOVIESFS_2><MOVIES_2>" + text + "</MOVIES_2>");
  EXPECT_EQ(GetMaxFileSize(setup, "MOVIESFS", 2, kMaxFileSizes), megabytes);
  EXPECT_EQ(ParseProfileRecord("<CATCOUNT>" + text + "</CATCOUNT>").categories.size(), categories);
  EXPECT_EQ(IsKindAllowed(setup, "MOVIES", 2), allowed);
}

const Number kNumbers[] = {{"One", "1", 2, 1, true},
                           {"BlanksAndSign", " +1 ", 2, 1, false},
                           {"Empty", "", 1, 0, false},
                           {"HalfDownToEven", "2.5", 5, 2, false},
                           {"HalfUpToEven", "3.5", 0, 4, false},
                           {"NoCommaOrExponent", "3,9e1", 10, 3, false},
                           {"Negative", "-1", {}, 0, false},
                           {"BeyondTheTable", "4.51", {}, 5, false},
                           {"NoRoomForOneMore", "32767", {}, 0, false},
                           {"BeyondSixteenBits", "65539", {}, 0, false}};
INSTANTIATE_TEST_SUITE_P(Texts, NumberTest, ::testing::ValuesIn(kNumbers), kRowName);

}  // namespace
}  // namespace vt::textdata
