#include "textdata/tagged_text.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

namespace vt::textdata {
namespace {

TEST(GetTagValue, ValueAndPositionAfterTheClosingTag) {
  const struct {
    const char* text;
    const char* tag;
    std::int32_t from;
    const char* value;
    std::int32_t position;  // 0: nothing found
  } cases[] = {
      {"<A>x</A>", "A", 0, "x", 9},
      {"<A></A><A>y</A>", "A", 0, "", 8},
      {"é <B>v</B>", "B", 0, "v", 12},  // positions count bytes
      {"<GROUP>5A</GROUP>", "group", 0, "5A", 18},
      {"<group>x</Group>", "GROUP", 0, "x", 17},
      {"<T>  <b>&amp;</b>\r\n </T>", "T", 0, "  <b>&amp;</b>\r\n ", 25},
      {"<A>first</A><A>second</A>", "A", 0, "first", 13},
      {"<A>first</A><A>second</A>", "A", 1, "first", 13},
      {"<A>first</A><A>second</A>", "A", 13, "second", 26},
      {"<A>x</A>", "A", 2, "", 0},
      {"<A>x</A>", "A", 50, "", 0},
      {"<CAT10>ten</CAT10><CAT1>one</CAT1>", "CAT1", 0, "one", 35},
      {"<CAT10>ten</CAT10>", "CAT1", 0, "", 0},
      {"", "A", 0, "", 0},
      {"<A>value without end", "A", 0, "", 0},
      {"</A>x<A>", "A", 0, "", 0},
      {"<A", "A", 0, "", 0},
  };
  for (const auto& c : cases) {
    std::int32_t position = c.from;
    const std::string tag(c.tag);
    EXPECT_EQ(GetTagValue(c.text, "<" + tag + ">", "</" + tag + ">", position), c.value) << c.text;
    EXPECT_EQ(position, c.position) << c.text << " from " << c.from;
  }
  // Markers that start with a letter are matched in either case too.
  std::int32_t position = 0;
  EXPECT_EQ(GetTagValue("aXbyXBzQ", "xB", "q", position), "yXBz");
  EXPECT_EQ(position, 9);
  std::int32_t negative = -1;
  EXPECT_THROW(GetTagValue("<A>x</A>", "<A>", "</A>", negative), std::invalid_argument);
}

// Searched or indexed (after many lookups), the values are those of a search from the start, for
// texts of every shape: tags inside tags, either case, closings before openings, missing ends.
TEST(TaggedText, AnswersAsTheSearchFromTheStartOverEveryShortText) {
  std::mt19937 random(7);
  constexpr std::string_view kLetters = "<>/aAbx";
  for (int n = 0; n < 5000; ++n) {
    std::string text(random() % 14, ' ');
    for (char& c : text) {
      c = kLetters[random() % kLetters.size()];
    }
    const TaggedText tagged(text);
    for (int round = 0; round < 15; ++round) {
      for (const char* name : {"a", "A", "b", "ab", "x"}) {
        ASSERT_EQ(tagged.Value(name), ElementValue(text, name))
            << text << " / " << name << ", lookup " << round * 5;
      }
    }
  }
}

}  // namespace
}  // namespace vt::textdata
