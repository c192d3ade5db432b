#include "textdata/tagged_text.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "textdata/text.h"

namespace vt::textdata {
namespace {

// The first place at or after `from` where `c` stands in either case. A character without case
// (the "<" every tag starts with) is found by the library's fast byte search.
std::size_t FindCharIgnoringCase(std::string_view text, char c, std::size_t from) {
  const std::array<char, 2> cases = {AsciiLower(c), AsciiUpper(c)};
  return cases[0] == cases[1] ? text.find(c, from)
                              : text.find_first_of(std::string_view(cases.data(), 2), from);
}

// 0-based index of the first occurrence of `needle` at or after `from`, ignoring ASCII case.
std::size_t FindIgnoringCase(std::string_view text, std::string_view needle, std::size_t from) {
  if (from > text.size()) {
    return std::string_view::npos;
  }
  if (needle.empty()) {
    return from;
  }
  const auto same = [](char a, char b) { return AsciiLower(a) == AsciiLower(b); };
  for (std::size_t at = FindCharIgnoringCase(text, needle.front(), from);
       at != std::string_view::npos && text.size() - at >= needle.size();
       at = FindCharIgnoringCase(text, needle.front(), at + 1)) {
    if (std::equal(needle.begin() + 1, needle.end(),
                   text.begin() + static_cast<std::ptrdiff_t>(at) + 1, same)) {
      return at;
    }
  }
  return std::string_view::npos;
}

}  // namespace

std::string GetTagValue(std::string_view text, std::string_view openingTag,
                        std::string_view closingTag, std::int32_t& position) {
  if (position < 0) {
    throw std::invalid_argument("GetTagValue: negative position");
  }
  const std::size_t from = position == 0 ? 0 : static_cast<std::size_t>(position) - 1;
  const std::size_t open = FindIgnoringCase(text, openingTag, from);
  if (open == std::string_view::npos) {
    position = 0;
    return {};
  }
  const std::size_t start = open + openingTag.size();
  const std::size_t close = FindIgnoringCase(text, closingTag, start);
  if (close == std::string_view::npos) {
    position = 0;
    return {};
  }
  position = static_cast<std::int32_t>(close + closingTag.size() + 1);
  return std::string(text.substr(start, close - start));
}

std::string OpeningTag(std::string_view name) {
  return "<" + std::string(name) + ">";
}

std::string ClosingTag(std::string_view name) {
  return "</" + std::string(name) + ">";
}

std::string ElementValue(std::string_view text, std::string_view name) {
  std::int32_t position = 0;
  return GetTagValue(text, OpeningTag(name), ClosingTag(name), position);
}

TaggedText::TaggedText(std::string text) : text_(std::move(text)) {
  const std::string_view all = text_;
  // Every "<name>" starts at a "<" and ends at the first ">" after it, with no "<" between: the
  // stretches looked at never overlap, so the pass is linear.
  for (std::size_t open = all.find('<'); open != std::string_view::npos;) {
    const std::size_t close = all.find('>', open + 1);
    if (close == std::string_view::npos) {
      break;
    }
    const std::size_t inner = all.find('<', open + 1);
    if (inner < close) {
      open = inner;
      continue;
    }
    const bool closing = close > open + 1 && all[open + 1] == '/';
    std::string name(all.substr(open + (closing ? 2 : 1), close - open - (closing ? 2 : 1)));
    for (char& c : name) {
      c = AsciiLower(c);
    }
    if (closing) {
      closings_[name].push_back(open);
    } else {
      firstValue_.try_emplace(std::move(name), close + 1);
    }
    open = all.find('<', close + 1);
  }
}

std::string TaggedText::Value(std::string_view name) const {
  std::string key(name);
  for (char& c : key) {
    c = AsciiLower(c);
  }
  const auto value = firstValue_.find(key);
  const auto closing = closings_.find(key);
  if (value == firstValue_.end() || closing == closings_.end()) {
    return {};
  }
  const std::vector<std::size_t>& at = closing->second;
  const auto end = std::lower_bound(at.begin(), at.end(), value->second);
  return end == at.end() ? std::string() : text_.substr(value->second, *end - value->second);
}

std::string NumberedName(std::string_view stem, long n) {
  return std::string(stem) + std::to_string(n);
}

}  // namespace vt::textdata
