#include "attachments/file_kinds.h"

#include "textdata/text.h"

namespace vt::attachments {

const FileKind* FindFileKind(std::string_view kind) {
  for (const FileKind& entry : kFileKinds) {
    if (entry.kind == kind) {
      return &entry;
    }
  }
  return nullptr;
}

std::vector<std::string> FilterPatterns(const FileKind& kind) {
  std::vector<std::string> patterns;
  std::string_view rest = kind.patterns;
  while (!rest.empty()) {
    const std::size_t end = rest.find(';');
    const std::string pattern = textdata::TrimBlanks(rest.substr(0, end));
    if (!pattern.empty()) {
      patterns.push_back(pattern);
    }
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  }
  return patterns;
}

}  // namespace vt::attachments
