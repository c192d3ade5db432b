#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vt::textdata {

// Finds the first `openingTag` at or after the 1-based byte `position` (0 means from the start),
// ignoring ASCII letter case, and returns the text up to the next `closingTag`. On return
// `position` is the position just after the closing tag, or 0 when nothing was found (the result
// is then empty). A negative position throws std::invalid_argument.
std::string GetTagValue(std::string_view text, std::string_view openingTag,
                        std::string_view closingTag, std::int32_t& position);

// "<" + name + ">" and "</" + name + ">".
std::string OpeningTag(std::string_view name);
std::string ClosingTag(std::string_view name);

// The value of the first element `name` in the whole text; empty when there is none.
std::string ElementValue(std::string_view text, std::string_view name);

// A tagged text whose elements are found as ElementValue finds them. The first lookups search the
// text; once it is asked for many elements, they are all found in one pass, so that reading every
// element of a text takes time in proportion to its length, whatever their number.
class TaggedText {
 public:
  TaggedText() = default;
  explicit TaggedText(std::string text) : text_(std::move(text)) {}
  TaggedText(const TaggedText& other) : text_(other.text_) {}
  TaggedText& operator=(const TaggedText& other);

  const std::string& text() const { return text_; }
  std::string Value(std::string_view name) const;

 private:
  // Where the value of the first element of a name lies; the end is npos while no closing tag
  // follows it.
  struct Span {
    std::size_t start;
    std::size_t end;
  };
  // Names compared and hashed in ASCII lower case, viewed in the text itself.
  struct NameHash {
    std::size_t operator()(std::string_view name) const;
  };
  struct NameEqual {
    bool operator()(std::string_view a, std::string_view b) const;
  };
  void Index() const;

  std::string text_;
  mutable int lookups_ = 0;
  mutable std::unordered_map<std::string_view, Span, NameHash, NameEqual> elements_;
};

// How many bytes of text the element searches of this thread have looked at so far: reading a
// text's elements looks at each byte a bounded number of times, however many it reads.
std::uint64_t BytesSearched();

// A numbered tag name: the stem followed by n in plain decimal ("CAT" and 3 give "CAT3").
std::string NumberedName(std::string_view stem, long n);

}  // namespace vt::textdata
