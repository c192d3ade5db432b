#include "textdata/tagged_text.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace vt::textdata {
namespace {

struct Lookup {
  std::string value;
  std::int32_t position;
};

Lookup Get(std::string_view text, std::string_view open, std::string_view close,
           std::int32_t from = 0) {
  std::int32_t position = from;
  std::string value = GetTagValue(text, open, close, position);
  return {value, position};
}

TEST(GetTagValue, ReturnsValueAndPositionAfterClosingTag) {
  const Lookup found = Get("<A>x</A>", "<A>", "</A>");
  EXPECT_EQ(found.value, "x");
  EXPECT_EQ(found.position, 9);

  const Lookup empty = Get("<A></A><A>y</A>", "<A>", "</A>");
  EXPECT_EQ(empty.value, "");
  EXPECT_EQ(empty.position, 8);

  // Positions count bytes, and text before the element is skipped.
  const Lookup later = Get("é <B>v</B>", "<B>", "</B>");
  EXPECT_EQ(later.value, "v");
  EXPECT_EQ(later.position, 12);
}

TEST(GetTagValue, IgnoresAsciiLetterCaseOfBothTags) {
  EXPECT_EQ(Get("<GROUP>5A</GROUP>", "<group>", "</group>").value, "5A");
  EXPECT_EQ(Get("<group>x</Group>", "<GROUP>", "</GROUP>").value, "x");
}

TEST(GetTagValue, KeepsValueAsItStands) {
  EXPECT_EQ(Get("<T>line 1\r\nline 2</T>", "<T>", "</T>").value, "line 1\r\nline 2");
  EXPECT_EQ(Get("<T>  <b>&amp;</b>  </T>", "<T>", "</T>").value, "  <b>&amp;</b>  ");
}

TEST(GetTagValue, FirstOccurrenceWinsAndSearchStartsAtPosition) {
  const std::string text = "<A>first</A><A>second</A>";
  const Lookup first = Get(text, "<A>", "</A>");
  EXPECT_EQ(first.value, "first");
  const Lookup second = Get(text, "<A>", "</A>", first.position);
  EXPECT_EQ(second.value, "second");
  EXPECT_EQ(second.position, static_cast<std::int32_t>(text.size()) + 1);
  // Position 1 and 0 both search from the start.
  EXPECT_EQ(Get(text, "<A>", "</A>", 1).value, "first");
}

TEST(GetTagValue, TagIncludesItsClosingBracket) {
  EXPECT_EQ(Get("<CAT10>ten</CAT10><CAT1>one</CAT1>", "<CAT1>", "</CAT1>").value, "one");
  EXPECT_EQ(Get("<CAT10>ten</CAT10>", "<CAT1>", "</CAT1>").value, "");
}

TEST(GetTagValue, MissingTagGivesEmptyValueAndPositionZero) {
  for (const char* text : {"", "no tags here", "<A>value without end", "</A>x<A>", "<A"}) {
    const Lookup lookup = Get(text, "<A>", "</A>", 0);
    EXPECT_EQ(lookup.value, "") << text;
    EXPECT_EQ(lookup.position, 0) << text;
  }
  // The closing tag is searched only after the opening one.
  EXPECT_EQ(Get("</A><A>x", "<A>", "</A>").position, 0);
  // A start beyond the text finds nothing.
  EXPECT_EQ(Get("<A>x</A>", "<A>", "</A>", 50).position, 0);
  EXPECT_EQ(Get("<A>x</A>", "<A>", "</A>", 2).position, 0);
}

TEST(GetTagValue, NegativePositionIsAnError) {
  std::int32_t position = -1;
  EXPECT_THROW(GetTagValue("<A>x</A>", "<A>", "</A>", position), std::invalid_argument);
}

TEST(ElementValue, BuildsTagsFromTheName) {
  EXPECT_EQ(ElementValue("<CATEGORIES_3><i>Goals</i></CATEGORIES_3>", "CATEGORIES_3"),
            "<i>Goals</i>");
  EXPECT_EQ(NumberedName("CAT", 12), "CAT12");
  EXPECT_EQ(NumberedName("MOVIES_", -1), "MOVIES_-1");
}

}  // namespace
}  // namespace vt::textdata
