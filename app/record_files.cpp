#include "app/record_files.h"

#include "files/read.h"
#include "files/replace.h"
#include "textdata/encoding.h"

namespace vt::app {
namespace {

std::optional<std::string> ReadTextFile(const std::filesystem::path& path) {
  const files::Result<std::string> bytes = files::ReadFile(path, files::kTextFileCap);
  if (!bytes) {
    return std::nullopt;
  }
  return textdata::DecodeText(*bytes);
}

}  // namespace

std::optional<textdata::ProfileRecord> ReadProfileRecord(const std::filesystem::path& path) {
  const std::optional<std::string> text = ReadTextFile(path);
  if (!text) {
    return std::nullopt;
  }
  return textdata::ParseProfileRecord(*text);
}

files::Status WriteProfileRecord(const std::filesystem::path& path,
                                 const textdata::ProfileRecord& record) {
  return files::ReplaceFile(path, textdata::FormatProfileRecord(record));
}

std::string ReadSetupText(const std::filesystem::path& path) {
  return ReadTextFile(path).value_or(std::string());
}

}  // namespace vt::app
