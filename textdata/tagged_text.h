#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

// A numbered tag name: the stem followed by n in plain decimal ("CAT" and 3 give "CAT3").
std::string NumberedName(std::string_view stem, long n);

}  // namespace vt::textdata
