#pragma once

#include <filesystem>

namespace vt::test {

// An installation as the wizard finds it, written through the product's own libraries. Groups by
// g_id: 1 "Year 5 Willow" (presentations 10 MB, movies 5 MB, narrations 2 MB), 2 "Chess & Go Club"
// (nothing), 3 "Art Studio" (presentations 1 MB, movies of a size class outside the table, so
// only empty ones), 4 "Drama Group" (presentations and narrations 0 MB); three category captions.
// Persons: 1001 Émile in groups 1 and 4, a record of group 1 with three categories; 1002 Ann in
// group 2, no profile folder; 1004 Jonas in group 3, a record without categories; 1005 Maria, a
// record of "Former Class 4", which is not listed.
void WriteDemoInstallation(const std::filesystem::path& folder);

}  // namespace vt::test
