#include "textdata/text.h"

#include <utf8proc.h>

#include <charconv>
#include <cmath>
#include <limits>

namespace vt::textdata {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsWordSeparator(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\0';
}

void AppendCodePoint(std::string& out, utf8proc_int32_t cp) {
  utf8proc_uint8_t buffer[4];
  const auto n = utf8proc_encode_char(cp, buffer);
  out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
}

}  // namespace

double ReadLenientNumber(std::string_view text) {
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) {
    return 0.0;
  }
  const bool negative = text[i] == '-';
  if (text[i] == '+' || text[i] == '-') {
    ++i;
  }
  const std::size_t begin = i;
  while (i < text.size() && IsDigit(text[i])) {
    ++i;
  }
  std::size_t digits = i - begin;
  if (i < text.size() && text[i] == '.') {
    const std::size_t point = ++i;
    while (i < text.size() && IsDigit(text[i])) {
      ++i;
    }
    digits += i - point;
  }
  if (digits == 0) {
    return 0.0;
  }
  // from_chars reads "." whatever the locale.
  double value = 0.0;
  std::from_chars(text.data() + begin, text.data() + i, value, std::chars_format::fixed);
  return negative ? -value : value;
}

double RoundHalfEven(double value) {
  const double floor = std::floor(value);
  const double diff = value - floor;
  if (diff < 0.5) {
    return floor;
  }
  if (diff > 0.5) {
    return floor + 1.0;
  }
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

std::optional<std::int16_t> ReadLenientInt16(std::string_view text) {
  const double whole = RoundHalfEven(ReadLenientNumber(text));
  if (whole < std::numeric_limits<std::int16_t>::min() ||
      whole > std::numeric_limits<std::int16_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int16_t>(whole);
}

std::string TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) {
    return {};
  }
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string RemoveNulAndTrimBlanks(std::string_view text) {
  std::string kept(text);
  std::erase(kept, '\0');
  return TrimBlanks(kept);
}

std::string ProperCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool wordStart = true;
  std::size_t i = 0;
  while (i < text.size()) {
    utf8proc_int32_t cp = 0;
    const auto n = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(text.data() + i),
                                    static_cast<utf8proc_ssize_t>(text.size() - i), &cp);
    if (n <= 0) {
      // Not UTF-8: keep the byte; it neither starts nor ends a word.
      out += text[i++];
      wordStart = false;
      continue;
    }
    if (cp < 0x80 && IsWordSeparator(static_cast<char>(cp))) {
      out += static_cast<char>(cp);
      wordStart = true;
    } else {
      AppendCodePoint(out, wordStart ? utf8proc_totitle(cp) : utf8proc_tolower(cp));
      wordStart = false;
    }
    i += static_cast<std::size_t>(n);
  }
  return out;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace vt::textdata
