#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/database_port.h"

namespace vt::database {

// The group names in the order the database returns them (no ORDER BY: that order fixes the
// group index of the setup data). Empty when the query fails.
std::vector<std::string> QueryGroupList(DatabasePort& db);

// Stores the person's names. Values are bound, never spliced into the statement.
void UpdatePersonNames(DatabasePort& db, std::string_view firstName, std::string_view lastName,
                       std::string_view profileId);

// g_id of the first group named `groupName`, as text; no value when there is no such row.
std::optional<std::string> LookupGroupId(DatabasePort& db, std::string_view groupName);

// Moves the person's membership of `sOriginalGroup` to `sGroupName` when both groups are found,
// then sets `sOriginalGroup` to `sGroupName` whatever happened.
void MoveGroupMembership(DatabasePort& db, std::string_view profileId,
                         const std::string& sGroupName, std::string& sOriginalGroup);

// Creates the three tables of an installation's database, with no rows.
bool CreateSchema(DatabasePort& db);

}  // namespace vt::database
