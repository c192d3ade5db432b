#include "textdata/text.h"

#include <gtest/gtest.h>

namespace vt::textdata {
namespace {

using namespace std::string_literals;

TEST(LenientNumber, ReadsTheLeadingDecimalNumber) {
  const std::pair<const char*, double> cases[] = {
      {"7", 7},     {"  7", 7},  {"12abc", 12}, {"+3", 3},      {"-1", -1},
      {"2.5", 2.5}, {".5", 0.5}, {"5.", 5},     {"3,5", 3},     {"1e3", 1},
      {"", 0},      {"abc", 0},  {"-", 0},      {".", 0},       {"- 3", 0},
      {"\t5", 0},   {"0x10", 0}, {"007", 7},    {"1.2.3", 1.2}, {"  -0.75x", -0.75},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_DOUBLE_EQ(ReadLenientNumber(text), expected) << '"' << text << '"';
  }
}

TEST(LenientNumber, RoundsHalvesToEvenWithinSixteenBits) {
  const std::pair<const char*, std::optional<std::int16_t>> cases[] = {
      {"0.5", 0},         {"1.5", 2},           {"2.5", 2},      {"3.5", 4},
      {"-0.5", 0},        {"-1.5", -2},         {"-2.5", -2},    {"2.4999", 2},
      {"2.5001", 3},      {"-2.6", -3},         {"none", 0},     {"32767", 32767},
      {"-32768", -32768}, {"32766.5", 32766},   {"32767.5", {}}, {"32768", {}},
      {"-32769", {}},     {"-32768.5", -32768}, {"1e99999", 1},  {"99999999999999999999", {}},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(ReadLenientInt16(text), expected) << text;
  }
}

TEST(TrimBlanks, RemovesOnlyTheBlankCharacter) {
  EXPECT_EQ(TrimBlanks("  a b  "), "a b");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimBlanks("\ta\r\n "), "\ta\r\n");
  EXPECT_EQ(TrimBlanks(" \xC2\xA0x\xC2\xA0 "), "\xC2\xA0x\xC2\xA0");  // no-break spaces stay
}

TEST(ProperCase, CapitalisesTheFirstLetterOfEachWordOnly) {
  const std::pair<std::string, std::string> cases[] = {
      {"mary-jane o'NEIL", "Mary-jane O'neil"},
      {"o'brien", "O'brien"},
      {"MCDONALD", "Mcdonald"},
      {"ann\tlee\njo\rbo\vx\fy a\0b"s, "Ann\tLee\nJo\rBo\vX\fY A\0B"s},
      {"  two  blanks ", "  Two  Blanks "},
      {"5a class", "5a Class"},
      {"", ""},
      {"ÉMILE", "Émile"},
      {"zoë BRONTË", "Zoë Brontë"},
      {"ΑΘΉΝΑ", "Αθήνα"},
      {"иван петров", "Иван Петров"},
      {"ǆemal", "ǅemal"},  // title case, not upper case
      // A byte that is not UTF-8 is kept, and the letters around it are still cased.
      {"caf\xE9 NOIR", "Caf\xE9 Noir"}};
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(ProperCase(text), expected) << text;
  }
}

TEST(EqualsIgnoringAsciiCase, FoldsAsciiOnly) {
  EXPECT_TRUE(EqualsIgnoringAsciiCase("Slides", "sLIDES"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("É", "é"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("ab", "abc"));
}

}  // namespace
}  // namespace vt::textdata
