#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vt::entryform {

// One element of the page on show, in document order: the tag name in upper case ("INPUT",
// "TEXTAREA", "P", ...), its name attribute, and for editors the text they hold now.
struct PageElement {
  std::string tagName;
  std::string name;
  std::string value;
};

// What a save takes from the page. A name is present only when the page has its input field;
// category text k is categories[k - 1], the text the page was built with when it has no field
// for it (a save never empties what the page did not show).
struct EntryValues {
  std::optional<std::string> firstName;
  std::optional<std::string> lastName;
  std::vector<std::string> categories;
};

// Reads the names (proper case, blanks at both ends removed) and the texts of cat1..catN
// (unchanged) from the elements; where two elements carry the same name the later one wins.
// `shown` holds the category texts the page was built with, category k at k - 1.
EntryValues GatherEntryValues(const std::vector<PageElement>& elements, std::int16_t categoryCount,
                              const std::vector<std::string>& shown = {});

}  // namespace vt::entryform
