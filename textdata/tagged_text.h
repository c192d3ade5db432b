#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

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

// A tagged text with its elements found in one pass: the first opening tag of each name and every
// closing tag, so that any element's value is found without reading the text again, and reading
// all elements of a text takes time in proportion to its length. Value answers as ElementValue.
class TaggedText {
 public:
  TaggedText() = default;
  explicit TaggedText(std::string text);

  const std::string& text() const { return text_; }
  std::string Value(std::string_view name) const;

 private:
  std::string text_;
  // By name in lower case: where the first opening tag's value starts, and where each closing tag
  // starts, in order.
  std::unordered_map<std::string, std::size_t> firstValue_;
  std::unordered_map<std::string, std::vector<std::size_t>> closings_;
};

// A numbered tag name: the stem followed by n in plain decimal ("CAT" and 3 give "CAT3").
std::string NumberedName(std::string_view stem, long n);

}  // namespace vt::textdata
