#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vt::textdata {

// The longest leading decimal number after leading blanks (optional sign, digits, optional "."
// and digits; "." whatever the locale), or 0 when the text does not start with one.
double ReadLenientNumber(std::string_view text);

// The nearest whole number, halves going to the even neighbour.
double RoundHalfEven(double value);

// ReadLenientNumber brought to the nearest whole number; no value when that is outside the
// signed 16-bit range.
std::optional<std::int16_t> ReadLenientInt16(std::string_view text);

// Removes the blank (character 32) at both ends; tabs and line breaks stay.
std::string TrimBlanks(std::string_view text);

// Every NUL removed, then the blanks at both ends: how a path from a dialog or a command line is
// cleaned before use.
std::string RemoveNulAndTrimBlanks(std::string_view text);

// Every letter made lower case, then the first character of each word upper case. Words are
// separated by blank, tab, LF, VT, FF, CR and NUL only. Letters beyond ASCII are cased by their
// Unicode mappings; bytes that are not valid UTF-8 are kept as they are.
std::string ProperCase(std::string_view text);

inline char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// ASCII letters compared without regard to case; every other byte exactly.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace vt::textdata
