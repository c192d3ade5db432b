#include "textdata/profile_record.h"

#include <limits>

#include "textdata/tagged_text.h"
#include "textdata/text.h"

namespace vt::textdata {
namespace {

// The count must be 0 or more and leave room for one more entry in a signed 16-bit index.
std::size_t CategoryCount(const TaggedText& text) {
  const auto count = ReadLenientInt16(text.Value("CATCOUNT"));
  if (!count || *count < 0 || *count == std::numeric_limits<std::int16_t>::max()) {
    return 0;
  }
  return static_cast<std::size_t>(*count);
}

void AppendElement(std::string& out, std::string_view name, std::string_view value) {
  out += OpeningTag(name);
  out += TrimBlanks(value);
  out += ClosingTag(name);
  out += "\r\n\r\n";
}

}  // namespace

ProfileRecord ParseProfileRecord(std::string_view recordText) {
  const TaggedText text{std::string(recordText)};
  ProfileRecord record;
  record.group = text.Value("GROUP");
  record.firstName = text.Value("FIRSTNAME");
  record.lastName = text.Value("LASTNAME");
  const std::size_t count = CategoryCount(text);
  record.categories.reserve(count);
  for (std::size_t k = 1; k <= count; ++k) {
    record.categories.push_back(text.Value(NumberedName("CAT", static_cast<long>(k))));
  }
  return record;
}

std::string FormatProfileRecord(const ProfileRecord& record) {
  std::string out;
  AppendElement(out, "GROUP", record.group);
  AppendElement(out, "FIRSTNAME", record.firstName);
  AppendElement(out, "LASTNAME", record.lastName);
  AppendElement(out, "CATCOUNT", std::to_string(record.categories.size()));
  for (std::size_t k = 1; k <= record.categories.size(); ++k) {
    AppendElement(out, NumberedName("CAT", static_cast<long>(k)), record.categories[k - 1]);
  }
  return out;
}

}  // namespace vt::textdata
