#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "files/folder.h"
#include "files/replace.h"
#include "files/result.h"

namespace vt::mIni {

// Which keys of the named sections a reader asks for, by name in lower case.
using KeyFilter = std::function<bool(std::string_view section, std::string_view key)>;

// An INI file read once, changed in memory and written back by Save. Only the first section of
// each name given here is indexed, and in it only the first line of each key the filter accepts, so
// memory stays in proportion to the file and a lookup does not depend on its number of lines.
// Every other line keeps its bytes; a line written is new, in the file's own encoding.
class IniFile {
 public:
  // The file `name` of the folder (never through a link there).
  IniFile(const files::Folder& folder, std::string name, const std::vector<std::string>& sections,
          const KeyFilter& wantedKey);
  IniFile(const std::filesystem::path& file, const std::vector<std::string>& sections,
          const KeyFilter& wantedKey);
  ~IniFile();
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  // As ReadIniValue. A section or key not asked for reads as missing.
  std::string ReadValue(std::string_view section, std::string_view key,
                        std::string_view defaultValue);
  // As WriteIniValue, in memory; a section not asked for is not written.
  void WriteValue(std::string_view section, std::string_view key, std::string_view value);

  // Writes the file when anything changed. Fails when it could not be written, or when it exists
  // but could not be read (it is then left as it is).
  files::Status Save(files::Durability durability);

 private:
  struct Document;
  files::Result<files::Folder> folder_;
  std::string name_;
  std::unique_ptr<Document> document_;
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
