#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vt::textdata {

inline constexpr std::string_view kProfileRecordName = "pr.dat";

// The values of a profile record as they stand in the file; category text k is categories[k - 1].
struct ProfileRecord {
  std::string group;
  std::string firstName;
  std::string lastName;
  std::vector<std::string> categories;
};

// Reads the record's elements (first occurrence of each tag, any letter case). A CATCOUNT that is
// missing, negative, or 32767 and above gives no categories.
ProfileRecord ParseProfileRecord(std::string_view text);

// The record text: GROUP, FIRSTNAME, LASTNAME, CATCOUNT and CAT1..CATn, each element followed by
// CR LF and an empty line, every value with its blanks at both ends removed.
std::string FormatProfileRecord(const ProfileRecord& record);

}  // namespace vt::textdata
