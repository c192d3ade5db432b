#include "database/statements.h"

#include <array>

#include "textdata/encoding.h"

namespace vt::database {

namespace {

// Without an index on g_name SQLite reads the groups in g_id order; no ORDER BY is added so the
// group indexes of the setup data follow the table as it stands.
constexpr std::string_view kGroupList = " SELECT g_name FROM 'groups'";
constexpr std::string_view kUpdateNames =
    " UPDATE persons   SET p_fname=?1, p_lname=?2 WHERE p_id=?3";
constexpr std::string_view kGroupId = " Select g_id from groups where g_name=?1";
constexpr std::string_view kMoveMembership =
    " UPDATE group_persons   SET g_p_g_id=?1 WHERE g_p_p_id=?2 AND g_p_g_id=?3";

constexpr std::array<std::string_view, 3> kSchema = {
    "CREATE TABLE groups(g_id INTEGER PRIMARY KEY, g_name TEXT)",
    "CREATE TABLE persons(p_id TEXT PRIMARY KEY, p_fname TEXT, p_lname TEXT)",
    "CREATE TABLE group_persons(g_p_g_id INTEGER, g_p_p_id TEXT)",
};

}  // namespace

std::vector<std::string> QueryGroupList(DatabasePort& db) {
  std::vector<std::string> names;
  const auto rows = db.Execute(kGroupList);
  if (!rows) {
    return names;
  }
  names.reserve(rows->RowCount());
  for (std::size_t row = 0; row < rows->RowCount(); ++row) {
    // A NULL name still takes its place, so the later groups keep their indexes; a name stored in
    // Windows-1252 by an older program is read as such.
    names.push_back(textdata::DecodeText(rows->Field(row, "g_name").value_or(std::string())));
  }
  return names;
}

void UpdatePersonNames(DatabasePort& db, std::string_view firstName, std::string_view lastName,
                       std::string_view profileId) {
  const std::array<std::string, 3> values = {std::string(firstName), std::string(lastName),
                                             std::string(profileId)};
  db.Execute(kUpdateNames, values);
}

std::optional<std::string> LookupGroupId(DatabasePort& db, std::string_view groupName) {
  // The name as UTF-8 first, then as the Windows-1252 bytes an older program stored it in.
  std::vector<std::string> spellings = {std::string(groupName)};
  const std::string ansi = textdata::EncodeWindows1252(groupName);
  if (ansi != groupName && textdata::DecodeWindows1252(ansi) == groupName) {
    spellings.push_back(ansi);
  }
  for (const std::string& spelling : spellings) {
    const std::array<std::string, 1> values = {spelling};
    const auto rows = db.Execute(kGroupId, values);
    if (rows && !rows->Empty()) {
      return rows->Field(0, "g_id");
    }
  }
  return std::nullopt;
}

void MoveGroupMembership(DatabasePort& db, std::string_view profileId,
                         const std::string& sGroupName, std::string& sOriginalGroup) {
  const auto newId = LookupGroupId(db, sGroupName);
  const auto oldId = LookupGroupId(db, sOriginalGroup);
  if (newId && oldId) {
    const std::array<std::string, 3> values = {*newId, std::string(profileId), *oldId};
    db.Execute(kMoveMembership, values);
  }
  sOriginalGroup = sGroupName;
}

bool CreateSchema(DatabasePort& db) {
  // One transaction, so a failure leaves no half-made schema behind.
  if (!db.Execute("BEGIN")) {
    return false;
  }
  for (const auto statement : kSchema) {
    if (!db.Execute(statement)) {
      db.Execute("ROLLBACK");
      return false;
    }
  }
  if (!db.Execute("COMMIT")) {
    db.Execute("ROLLBACK");
    return false;
  }
  return true;
}

}  // namespace vt::database
