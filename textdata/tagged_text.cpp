#include "textdata/tagged_text.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "textdata/text.h"

namespace vt::textdata {
namespace {

thread_local std::uint64_t bytesSearched = 0;

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
    bytesSearched += text.size() - std::min(from, text.size());
    position = 0;
    return {};
  }
  const std::size_t start = open + openingTag.size();
  const std::size_t close = FindIgnoringCase(text, closingTag, start);
  if (close == std::string_view::npos) {
    bytesSearched += text.size() - from;
    position = 0;
    return {};
  }
  bytesSearched += close + closingTag.size() - from;
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

TaggedText& TaggedText::operator=(const TaggedText& other) {
  text_ = other.text_;
  lookups_ = 0;
  elements_.clear();  // it viewed the old text
  return *this;
}

std::size_t TaggedText::NameHash::operator()(std::string_view name) const {
  std::size_t hash = 0xcbf29ce484222325;  // FNV-1a
  for (const char c : name) {
    hash = (hash ^ static_cast<unsigned char>(AsciiLower(c))) * 0x100000001b3;
  }
  return hash;
}

bool TaggedText::NameEqual::operator()(std::string_view a, std::string_view b) const {
  return EqualsIgnoringAsciiCase(a, b);
}

// Every "<name>" starts at a "<" and ends at the first ">" after it, with no "<" between: the
// stretches looked at never overlap, so the pass is linear. A closing tag ends the first element
// of its name when that element has begun and is not yet closed.
void TaggedText::Index() const {
  const std::string_view all = text_;
  bytesSearched += all.size();
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
    const std::size_t nameStart = open + (closing ? 2 : 1);
    const std::string_view name = all.substr(nameStart, close - nameStart);
    if (!closing) {
      elements_.try_emplace(name, Span{close + 1, std::string_view::npos});
    } else if (const auto found = elements_.find(name);
               found != elements_.end() && found->second.end == std::string_view::npos) {
      found->second.end = open;
    }
    open = all.find('<', close + 1);
  }
}

std::string TaggedText::Value(std::string_view name) const {
  // A few lookups cost less than the pass: start-up asks a large setup text for a few values.
  constexpr int kSearchedLookups = 64;
  if (++lookups_ <= kSearchedLookups) {
    return ElementValue(text_, name);
  }
  if (lookups_ == kSearchedLookups + 1) {
    Index();
  }
  const auto found = elements_.find(name);
  if (found == elements_.end() || found->second.end == std::string_view::npos) {
    return {};
  }
  return text_.substr(found->second.start, found->second.end - found->second.start);
}

std::uint64_t BytesSearched() {
  return bytesSearched;
}

std::string NumberedName(std::string_view stem, long n) {
  return std::string(stem) + std::to_string(n);
}

}  // namespace vt::textdata
