#include "tests/fuzz/fuzz_support.h"
#include "textdata/profile_record.h"
#include "textdata/text.h"

using namespace vt::textdata;

// Values are written unescaped: one holding a tag of the record's elements is one it cannot hold.
static bool Holdable(std::string text) {
  std::erase(text, '/');
  std::transform(text.begin(), text.end(), text.begin(), AsciiLower);
  return text.find("<cat") == text.npos && text.find("<group") == text.npos &&
         text.find("<firstname") == text.npos && text.find("<lastname") == text.npos;
}

VT_FUZZ_TARGET(input) {
  const ProfileRecord read = ParseProfileRecord(input);
  ProfileRecord trimmed{
      TrimBlanks(read.group), TrimBlanks(read.firstName), TrimBlanks(read.lastName), {}};
  bool holdable = Holdable(read.group + read.firstName + read.lastName);
  for (const std::string& text : read.categories) {
    trimmed.categories.push_back(TrimBlanks(text));
    holdable = holdable && Holdable(text);
  }
  // Written and read back, the record keeps every value but the blanks at its ends.
  const ProfileRecord again = ParseProfileRecord(FormatProfileRecord(read));
  VT_FUZZ_CHECK(!holdable ||
                (again.group == trimmed.group && again.firstName == trimmed.firstName &&
                 again.lastName == trimmed.lastName && again.categories == trimmed.categories));
}
