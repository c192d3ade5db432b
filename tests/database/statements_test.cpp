#include "database/statements.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/sqlcipher_database.h"
#include "tests/support/temp_dir.h"

namespace vt::database {
namespace {

using Rows = std::vector<std::string>;

// The seed: groups A, B, C; persons 42, 43, 44; 42 in A and C, 43 in A, 44 in B.
const Rows kSeed = {"g 1 A",  "g 2 B",  "g 3 C",        "m 1 42",       "m 1 43",
                    "m 2 44", "m 3 42", "p 42 Ann Lee", "p 43 Bob Roe", "p 44 Cy Poe"};

// The seed with each `from` row replaced by its `to`.
Rows SeedWith(const std::vector<std::pair<std::string, std::string>>& changes) {
  Rows rows = kSeed;
  for (const auto& [from, to] : changes) {
    std::replace(rows.begin(), rows.end(), from, to);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

// A fresh enciphered database; Seed() adds the tables and the seed rows.
class StatementsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(db_ = platform::CreateDatabase(dir_ / "pf.db"), nullptr); }

  void Run(std::string_view sql) { ASSERT_TRUE(db_->Execute(sql).has_value()) << sql; }

  void Seed() {
    ASSERT_TRUE(CreateSchema(*db_));
    Run("INSERT INTO groups VALUES (1, 'A'), (2, 'B'), (3, 'C')");
    Run("INSERT INTO persons VALUES ('42', 'Ann', 'Lee'), ('43', 'Bob', 'Roe'), ('44', 'Cy', "
        "'Poe')");
    Run("INSERT INTO group_persons VALUES (1, '42'), (3, '42'), (1, '43'), (2, '44')");
  }

  // The columns of every row of the query, joined by blanks; NULL as "<null>".
  Rows Column(const std::string& sql, const std::vector<std::string>& columns = {"r"}) {
    Rows rows;
    const auto result = db_->Execute(sql);
    EXPECT_TRUE(result.has_value()) << sql;
    for (std::size_t r = 0; result && r < result->RowCount(); ++r) {
      std::string row;
      for (const auto& column : columns) {
        row += (row.empty() ? "" : " ") + result->Field(r, column).value_or("<null>");
      }
      rows.push_back(row);
    }
    return rows;
  }

  // Every row of the three tables as in kSeed, sorted.
  Rows State() {
    return Column(
        "SELECT 'g ' || g_id || ' ' || g_name AS r FROM groups UNION ALL "
        "SELECT 'p ' || p_id || ' ' || p_fname || ' ' || p_lname FROM persons UNION ALL "
        "SELECT 'm ' || g_p_g_id || ' ' || g_p_p_id FROM group_persons ORDER BY r");
  }

  test::TempDir dir_;
  std::unique_ptr<DatabasePort> db_;
};

TEST_F(StatementsTest, SchemaHasExactlyTheThreeTablesAndNoExtraIndex) {
  ASSERT_TRUE(CreateSchema(*db_));
  EXPECT_EQ(Column("SELECT type || ' ' || name AS r FROM sqlite_master ORDER BY name"),
            (Rows{"table group_persons", "table groups", "table persons",
                  "index sqlite_autoindex_persons_1"}));
  Rows columns;
  for (const char* table : {"groups", "persons", "group_persons"}) {
    for (const auto& column : Column(std::string("PRAGMA table_info(") + table + ")",
                                     {"name", "type", "notnull", "dflt_value", "pk"})) {
      columns.push_back(table + (" " + column));
    }
  }
  EXPECT_EQ(columns,
            (Rows{"groups g_id INTEGER 0 <null> 1", "groups g_name TEXT 0 <null> 0",
                  "persons p_id TEXT 0 <null> 1", "persons p_fname TEXT 0 <null> 0",
                  "persons p_lname TEXT 0 <null> 0", "group_persons g_p_g_id INTEGER 0 <null> 0",
                  "group_persons g_p_p_id TEXT 0 <null> 0"}));
  // A second run fails as a whole and leaves the tables as they were.
  Run("INSERT INTO groups VALUES (1, 'A')");
  EXPECT_FALSE(CreateSchema(*db_));
  EXPECT_EQ(Column("SELECT g_name AS r FROM groups"), Rows{"A"});
  EXPECT_EQ(Column("SELECT count(*) AS r FROM sqlite_master"), Rows{"4"});
}

TEST_F(StatementsTest, GroupListFollowsTheTableNotTheAlphabet) {
  ASSERT_TRUE(CreateSchema(*db_));
  EXPECT_TRUE(QueryGroupList(*db_).empty());
  Run("INSERT INTO groups VALUES (3, 'Mango'), (1, 'Zebra'), (5, 'Kiwi'), (2, 'Apple'), (4, NULL)");
  // The NULL name keeps its place so Kiwi stays the fifth group.
  EXPECT_EQ(QueryGroupList(*db_), (Rows{"Zebra", "Apple", "Mango", "", "Kiwi"}));
}

TEST_F(StatementsTest, NamesUpdateChangesOnlyThePersonsOwnNames) {
  Seed();
  UpdatePersonNames(*db_, "Mary-jane", "O'neil", "43");
  UpdatePersonNames(*db_, "", "", "44");
  std::vector<std::pair<std::string, std::string>> changes = {
      {"p 43 Bob Roe", "p 43 Mary-jane O'neil"}, {"p 44 Cy Poe", "p 44  "}, {}};
  EXPECT_EQ(State(), SeedWith(changes));
  // Names that look like SQL are stored as they stand.
  for (const std::string name : {"Say \"hi\"", "O'brien", "a;b", "p_lname", "p_id", "\"p_lname\"",
                                 "x\"; DROP TABLE persons; --", "x', p_lname='y", "\"\"", "?2"}) {
    UpdatePersonNames(*db_, name, name + "!", "42");
    changes.back() = {"p 42 Ann Lee", "p 42 " + name + " " + name + "!"};
    EXPECT_EQ(State(), SeedWith(changes)) << name;
  }
  // Spliced between double quotes, "p_id" would name the column and match every row.
  for (const std::string id : {"p_id", "42\" OR \"1\"=\"1", "' OR '1'='1", "99"}) {
    UpdatePersonNames(*db_, "Eve", "Doe", id);
    EXPECT_EQ(State(), SeedWith(changes)) << id;
  }
}

TEST_F(StatementsTest, GroupMoveChangesOnlyThePersonsMembershipOfTheOldGroup) {
  Seed();
  EXPECT_EQ(LookupGroupId(*db_, "B"), "2");
  for (const char* name : {"b", "g_name", ""}) {
    EXPECT_EQ(LookupGroupId(*db_, name), std::nullopt) << name;
  }
  // Unknown groups, including names that spliced into the statement would find the first group.
  const std::pair<std::string, std::string> moves[] = {
      {"Nope", "A"},   {"B", "Gone"},   {"Nope", "Gone"},
      {"g_name", "A"}, {"B", "g_name"}, {"B\" OR \"1\"=\"1", "A"},
      {"C", "B"},  // 42 is no member of B
      {"B", "A"},  // the one real move
  };
  for (const auto& [newGroup, oldGroup] : moves) {
    std::string original = oldGroup;
    MoveGroupMembership(*db_, "42", newGroup, original);
    EXPECT_EQ(original, newGroup);
    EXPECT_EQ(State(),
              newGroup == "B" && oldGroup == "A" ? SeedWith({{"m 1 42", "m 2 42"}}) : kSeed)
        << newGroup << " <- " << oldGroup;
  }
}

TEST_F(StatementsTest, AGroupNameAnOlderProgramStoredInWindows1252IsListedAndMovedTo) {
  Seed();
  Run("INSERT INTO groups VALUES (4, CAST(X'436F75727320E96CE96D656E7461697265' AS TEXT))");
  EXPECT_EQ(QueryGroupList(*db_).back(), "Cours élémentaire");
  std::string original = "A";
  MoveGroupMembership(*db_, "42", "Cours élémentaire", original);
  Rows expected = SeedWith({{"m 1 42", "m 4 42"}});
  expected.push_back("g 4 Cours \xE9l\xE9mentaire");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(State(), expected);
}

TEST_F(StatementsTest, EveryStatementFailsQuietlyWithoutTables) {
  EXPECT_TRUE(QueryGroupList(*db_).empty());
  EXPECT_EQ(LookupGroupId(*db_, "A"), std::nullopt);
  UpdatePersonNames(*db_, "Ann", "Lee", "42");
  std::string original = "A";
  MoveGroupMembership(*db_, "42", "B", original);
  EXPECT_EQ(original, "B");
  EXPECT_EQ(Column("SELECT count(*) AS r FROM sqlite_master"), Rows{"0"});
}

}  // namespace
}  // namespace vt::database
