#include "tests/fuzz/fuzz_support.h"
#include "textdata/tagged_text.h"

using namespace vt::textdata;

VT_FUZZ_TARGET(text) {
  // Past its first 64 lookups the text is indexed: from then on it must answer as the search.
  const TaggedText tagged{std::string(text)};
  for (int i = 0; i < 64; ++i) {
    tagged.Value("GROUP");
  }
  // Every name in a tag of the text ("/" starts no name).
  for (auto open = text.find('<'), close = text.find('>', open); close != text.npos;
       open = text.find('<', open + 1), close = text.find('>', open)) {
    const std::string_view tag = text.substr(open + 1, close - open - 1);
    const std::string name(tag.substr(tag.starts_with('/') ? 1 : 0));
    VT_FUZZ_CHECK(tag.find('<') != tag.npos || name.starts_with('/') ||
                  tagged.Value(name) == ElementValue(text, name));
  }
}
