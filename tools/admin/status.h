#pragma once

#include <string>

#include "tools/admin/roster.h"

namespace vt::admin {

// The status as a table for an 80-column terminal, one line per person, a legend and the summary.
std::string StatusTable(const Roster& roster);
// The status as RFC 4180 CSV or as a JSON array, with the same field names in both.
std::string StatusCsv(const Roster& roster);
std::string StatusJson(const Roster& roster);

// The last line: persons, complete entries, missing photos, attachments over today's limit.
std::string StatusSummary(const Roster& roster);

}  // namespace vt::admin
