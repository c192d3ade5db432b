#include "entryform/entry_values.h"

#include <algorithm>

#include "entryform/entry_page.h"
#include "textdata/text.h"

namespace vt::entryform {
namespace {

std::string ConvertedName(const std::string& value) {
  return textdata::TrimBlanks(textdata::ProperCase(value));
}

// k when `name` is exactly "cat" & k for some k from 1 to count; 0 otherwise.
std::size_t CategoryNumber(std::string_view name, std::size_t count) {
  if (!name.starts_with(kCategoryFieldStem)) {
    return 0;
  }
  const std::string_view digits = name.substr(kCategoryFieldStem.size());
  if (digits.empty() || digits.size() > 5 || digits.front() == '0' ||
      digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return 0;
  }
  const std::size_t k = std::stoul(std::string(digits));
  return k <= count ? k : 0;
}

}  // namespace

EntryValues GatherEntryValues(const std::vector<PageElement>& elements, std::int16_t categoryCount,
                              const std::vector<std::string>& shown) {
  EntryValues values;
  const std::size_t count = categoryCount > 0 ? static_cast<std::size_t>(categoryCount) : 0;
  values.categories.assign(count, std::string());
  std::copy_n(shown.begin(), std::min(count, shown.size()), values.categories.begin());
  for (const PageElement& element : elements) {
    if (element.tagName == "INPUT") {
      if (element.name == kFirstNameField) {
        values.firstName = ConvertedName(element.value);
      }
      if (element.name == kLastNameField) {
        values.lastName = ConvertedName(element.value);
      }
    }
    if (element.tagName == "TEXTAREA") {
      if (const std::size_t k = CategoryNumber(element.name, count); k != 0) {
        values.categories[k - 1] = element.value;
      }
    }
  }
  return values;
}

}  // namespace vt::entryform
