#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace vt::mIni {

// An INI file read once, changed in memory and written back by Save: for reading many values of
// one file. Reads and writes behave as ReadIniValue and WriteIniValue do.
class IniFile {
 public:
  explicit IniFile(std::filesystem::path file);
  ~IniFile();
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  std::string ReadValue(std::string_view section, std::string_view key,
                        std::string_view defaultValue);
  void WriteValue(std::string_view section, std::string_view key, std::string_view value);

  // Writes the file when anything changed. False when it could not be written, or when it exists
  // but could not be read (it is then left as it is).
  bool Save();

 private:
  struct Document;
  std::filesystem::path file_;
  std::unique_ptr<Document> document_;
  bool readable_ = true;
  bool changed_ = false;
};

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
