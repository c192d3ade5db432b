#pragma once

#include <string>
#include <string_view>

namespace vt::textdata {

bool IsValidUtf8(std::string_view bytes);

// Windows-1252 bytes as UTF-8.
std::string DecodeWindows1252(std::string_view bytes);

// UTF-8 text as Windows-1252; characters that code page lacks become "?".
std::string EncodeWindows1252(std::string_view utf8);

// Text bytes as UTF-8: kept when they are valid UTF-8, otherwise read as Windows-1252, so files
// written on Windows in the ANSI code page keep their accented letters.
std::string DecodeText(std::string_view bytes);

}  // namespace vt::textdata
