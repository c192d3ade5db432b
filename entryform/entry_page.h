#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vt::entryform {

// A category block of the page: the caption is markup and is inserted as it stands.
struct CategoryField {
  std::string caption;
  std::string text;
};

// The field names the save reads back.
inline constexpr std::string_view kFirstNameField = "F_FirstName";
inline constexpr std::string_view kLastNameField = "F_LastName";
inline constexpr std::string_view kCategoryFieldStem = "cat";

// &, <, > and " as character references, so the text comes back from the page as it was.
std::string EscapeHtml(std::string_view text);

// The entry page: the group line, the two name inputs and one text area per category. The group,
// the names and the texts are escaped; a text that starts with a line break gets one more, since
// an HTML parser drops the first line feed after <textarea>.
std::string BuildEntryPage(std::string_view group, std::string_view firstName,
                           std::string_view lastName, const std::vector<CategoryField>& categories);

// Each field of the page by name with the text it holds, exactly: a view puts these into its
// editors, since an HTML parser replaces control characters and noncharacters.
struct FieldValue {
  std::string name;
  std::string text;
};
std::vector<FieldValue> EntryFieldValues(std::string_view firstName, std::string_view lastName,
                                         const std::vector<CategoryField>& categories);

}  // namespace vt::entryform
