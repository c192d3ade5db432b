#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vt::mIni {

// The value of `key` in `section` of the INI file (at most 254 characters, one pair of quotes
// around it removed). When the key is missing or its value empty, a non-empty default is written
// into the file and returned.
std::string ReadIniValue(std::string_view section, std::string_view key,
                         std::string_view defaultValue, const std::filesystem::path& file);

// Sets `key` in `section`, creating the file and the section when missing. Every other line of the
// file keeps its bytes. True on success.
bool WriteIniValue(std::string_view section, std::string_view key, std::string_view value,
                   const std::filesystem::path& file);

}  // namespace vt::mIni
