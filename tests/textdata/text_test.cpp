#include "textdata/text.h"

#include <gtest/gtest.h>

namespace vt::textdata {
namespace {

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

TEST(LenientNumber, RoundsHalvesToEven) {
  const std::pair<double, double> cases[] = {{0.5, 0},    {1.5, 2},   {2.5, 2},   {3.5, 4},
                                             {-0.5, 0},   {-1.5, -2}, {-2.5, -2}, {2.4999, 2},
                                             {2.5001, 3}, {-2.6, -3}};
  for (const auto& [value, expected] : cases) {
    EXPECT_DOUBLE_EQ(RoundHalfEven(value), expected) << value;
  }
}

TEST(LenientNumber, SixteenBitRange) {
  EXPECT_EQ(ReadLenientInt16("32767"), 32767);
  EXPECT_EQ(ReadLenientInt16("-32768"), -32768);
  EXPECT_EQ(ReadLenientInt16("32766.5"), 32766);
  EXPECT_EQ(ReadLenientInt16("32767.5"), std::nullopt);
  EXPECT_EQ(ReadLenientInt16("32768"), std::nullopt);
  EXPECT_EQ(ReadLenientInt16("-32769"), std::nullopt);
  EXPECT_EQ(ReadLenientInt16("99999999999999999999999999"), std::nullopt);
  EXPECT_EQ(ReadLenientInt16("none"), 0);
}

TEST(TrimBlanks, RemovesOnlyTheBlankCharacter) {
  EXPECT_EQ(TrimBlanks("  a b  "), "a b");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimBlanks(""), "");
  EXPECT_EQ(TrimBlanks("\ta\r\n "), "\ta\r\n");
  EXPECT_EQ(TrimBlanks(" \xC2\xA0x\xC2\xA0 "), "\xC2\xA0x\xC2\xA0");  // no-break spaces stay
}

TEST(ProperCase, CapitalisesTheFirstLetterOfEachWordOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"mary-jane o'NEIL", "Mary-jane O'neil"},
      {"o'brien", "O'brien"},
      {"MCDONALD", "Mcdonald"},
      {"ann\tlee\njo\rbo\vx\fy", "Ann\tLee\nJo\rBo\vX\fY"},
      {"  two  blanks ", "  Two  Blanks "},
      {"5a class", "5a Class"},
      {"", ""},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(ProperCase(text), expected) << text;
  }
  EXPECT_EQ(ProperCase(std::string("a\0b", 3)), std::string("A\0B", 3));
}

TEST(ProperCase, CasesLettersBeyondAscii) {
  EXPECT_EQ(ProperCase("ÉMILE"), "Émile");
  EXPECT_EQ(ProperCase("zoë BRONTË"), "Zoë Brontë");
  EXPECT_EQ(ProperCase("ΑΘΉΝΑ"), "Αθήνα");
  EXPECT_EQ(ProperCase("иван петров"), "Иван Петров");
  EXPECT_EQ(ProperCase("ǆemal"), "ǅemal");  // title case, not upper case
  // A byte that is not UTF-8 is kept, and the letters around it are still cased.
  EXPECT_EQ(ProperCase("caf\xE9 NOIR"), "Caf\xE9 Noir");
}

TEST(EqualsIgnoringAsciiCase, FoldsAsciiOnly) {
  EXPECT_TRUE(EqualsIgnoringAsciiCase("Slides", "sLIDES"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("É", "é"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("ab", "abc"));
}

}  // namespace
}  // namespace vt::textdata
