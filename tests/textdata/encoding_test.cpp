#include "textdata/encoding.h"

#include <gtest/gtest.h>

namespace vt::textdata {
namespace {

TEST(TextEncoding, ValidUtf8IsKeptAndAnythingElseIsWindows1252) {
  EXPECT_EQ(DecodeText("caf\xC3\xA9"), "café");
  EXPECT_EQ(DecodeText("caf\xE9 \x80 \x9C"), "café € œ");
  // Bytes that code page leaves undefined become the C1 control of the same number.
  EXPECT_EQ(DecodeWindows1252("\x81\x8D"), "\xC2\x81\xC2\x8D");
  // Cut short, overlong, a surrogate, beyond U+10FFFF.
  for (const char* bytes : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
    EXPECT_FALSE(IsValidUtf8(bytes)) << bytes;
  }
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80 \xE2\x82\xAC"));
  // A letter beyond ASCII at every place of a long ASCII run is seen.
  for (std::size_t at = 0; at < 20; ++at) {
    const std::string before(at, 'a');
    const std::string after(13, 'b');
    EXPECT_TRUE(IsValidUtf8(before + "\xC3\xA9" + after)) << at;
    EXPECT_FALSE(IsValidUtf8(before + "\xE9" + after)) << at;
    EXPECT_FALSE(IsValidUtf8(before + after + "\xC3")) << at;
  }

  EXPECT_EQ(EncodeWindows1252("café € œ 日本"), "caf\xE9 \x80 \x9C ??");
  std::string all;
  for (int b = 1; b < 256; ++b) {
    all += static_cast<char>(b);
  }
  EXPECT_EQ(EncodeWindows1252(DecodeWindows1252(all)), all);
}

}  // namespace
}  // namespace vt::textdata
