#include "database/statements.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/sqlcipher_database.h"
#include "tests/support/temp_dir.h"

namespace vt::database {
namespace {

using Table = std::vector<std::vector<std::string>>;

// A fresh enciphered database with the three tables and a few persons, groups and memberships.
class StatementsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = platform::CreateDatabase(dir_ / "pf.db");
    ASSERT_NE(db_, nullptr);
    ASSERT_TRUE(CreateSchema(*db_));
  }

  void Run(std::string_view sql, std::initializer_list<std::string> values = {}) {
    const std::vector<std::string> parameters(values);
    ASSERT_TRUE(db_->Execute(sql, parameters).has_value()) << sql;
  }

  void SeedPeople() {
    Run("INSERT INTO groups VALUES (1, 'A'), (2, 'B'), (3, 'C')");
    Run("INSERT INTO persons VALUES ('42', 'Ann', 'Lee'), ('43', 'Bob', 'Roe'), "
        "('44', 'Cy', 'Poe')");
    Run("INSERT INTO group_persons VALUES (1, '42'), (3, '42'), (1, '43'), (2, '44')");
  }

  // Every row of the query, NULL shown as "<null>".
  Table Dump(std::string_view sql, const std::vector<std::string>& columns) {
    Table table;
    const auto rows = db_->Execute(sql);
    EXPECT_TRUE(rows.has_value()) << sql;
    if (!rows) {
      return table;
    }
    for (std::size_t r = 0; r < rows->RowCount(); ++r) {
      auto& row = table.emplace_back();
      for (const auto& column : columns) {
        row.push_back(rows->Field(r, column).value_or("<null>"));
      }
    }
    return table;
  }

  Table Persons() {
    return Dump("SELECT * FROM persons ORDER BY p_id", {"p_id", "p_fname", "p_lname"});
  }
  Table Groups() { return Dump("SELECT * FROM groups ORDER BY g_id", {"g_id", "g_name"}); }
  Table Memberships() {
    return Dump("SELECT * FROM group_persons ORDER BY g_p_p_id, g_p_g_id",
                {"g_p_g_id", "g_p_p_id"});
  }

  const Table kSeedGroups = {{"1", "A"}, {"2", "B"}, {"3", "C"}};
  const Table kSeedPersons = {{"42", "Ann", "Lee"}, {"43", "Bob", "Roe"}, {"44", "Cy", "Poe"}};
  const Table kSeedMemberships = {{"1", "42"}, {"3", "42"}, {"1", "43"}, {"2", "44"}};

  test::TempDir dir_;
  std::unique_ptr<DatabasePort> db_;
};

TEST_F(StatementsTest, SchemaHasExactlyTheThreeTablesAndNoExtraIndex) {
  EXPECT_EQ(Dump("SELECT type, name FROM sqlite_master ORDER BY name", {"type", "name"}),
            (Table{{"table", "group_persons"},
                   {"table", "groups"},
                   {"table", "persons"},
                   {"index", "sqlite_autoindex_persons_1"}}));
  const std::vector<std::string> info = {"name", "type", "notnull", "dflt_value", "pk"};
  EXPECT_EQ(
      Dump("PRAGMA table_info(groups)", info),
      (Table{{"g_id", "INTEGER", "0", "<null>", "1"}, {"g_name", "TEXT", "0", "<null>", "0"}}));
  EXPECT_EQ(Dump("PRAGMA table_info(persons)", info),
            (Table{{"p_id", "TEXT", "0", "<null>", "1"},
                   {"p_fname", "TEXT", "0", "<null>", "0"},
                   {"p_lname", "TEXT", "0", "<null>", "0"}}));
  EXPECT_EQ(Dump("PRAGMA table_info(group_persons)", info),
            (Table{{"g_p_g_id", "INTEGER", "0", "<null>", "0"},
                   {"g_p_p_id", "TEXT", "0", "<null>", "0"}}));
  // A second run fails as a whole and leaves the tables as they were.
  Run("INSERT INTO groups VALUES (1, 'A')");
  EXPECT_FALSE(CreateSchema(*db_));
  EXPECT_EQ(Groups(), (Table{{"1", "A"}}));
  EXPECT_EQ(Dump("SELECT count(*) AS n FROM sqlite_master", {"n"}), (Table{{"4"}}));
}

TEST_F(StatementsTest, GroupListFollowsTheTableNotTheAlphabet) {
  EXPECT_TRUE(QueryGroupList(*db_).empty());
  Run("INSERT INTO groups VALUES (3, 'Mango'), (1, 'Zebra'), (5, 'Kiwi'), (2, 'Apple')");
  Run("INSERT INTO groups VALUES (4, NULL)");
  // The NULL name keeps its place so Kiwi stays the fifth group.
  EXPECT_EQ(QueryGroupList(*db_),
            (std::vector<std::string>{"Zebra", "Apple", "Mango", "", "Kiwi"}));
}

TEST_F(StatementsTest, NamesUpdateChangesOnlyThePersonsOwnRow) {
  SeedPeople();
  UpdatePersonNames(*db_, "Mary-jane", "O'neil", "43");
  EXPECT_EQ(Persons(),
            (Table{{"42", "Ann", "Lee"}, {"43", "Mary-jane", "O'neil"}, kSeedPersons[2]}));
  UpdatePersonNames(*db_, "", "", "44");
  EXPECT_EQ(Persons(),
            (Table{{"42", "Ann", "Lee"}, {"43", "Mary-jane", "O'neil"}, {"44", "", ""}}));
  EXPECT_EQ(Groups(), kSeedGroups);
  EXPECT_EQ(Memberships(), kSeedMemberships);
}

TEST_F(StatementsTest, NamesThatLookLikeSqlAreStoredLiterally) {
  SeedPeople();
  const std::vector<std::string> names = {
      "Say \"hi\"",
      "O'brien",
      "a;b",
      "p_lname",
      "p_id",
      "\"p_lname\"",
      "x\"; DROP TABLE persons; --",
      "x', p_lname='y",
      "\"\"",
      "?2",
  };
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    UpdatePersonNames(*db_, name, name + "!", "42");
    EXPECT_EQ(Persons(), (Table{{"42", name, name + "!"}, kSeedPersons[1], kSeedPersons[2]}));
    EXPECT_EQ(Groups(), kSeedGroups);
    EXPECT_EQ(Memberships(), kSeedMemberships);
  }
}

TEST_F(StatementsTest, ProfileIdThatLooksLikeSqlMatchesNoOtherPerson) {
  SeedPeople();
  // Spliced between double quotes, "p_id" would name the column and match every row.
  for (const std::string id : {"p_id", "42\" OR \"1\"=\"1", "' OR '1'='1", "99"}) {
    SCOPED_TRACE(id);
    UpdatePersonNames(*db_, "Eve", "Doe", id);
    EXPECT_EQ(Persons(), kSeedPersons);
  }
}

TEST_F(StatementsTest, LookupGroupIdGivesTheIdAsText) {
  SeedPeople();
  EXPECT_EQ(LookupGroupId(*db_, "B"), "2");
  EXPECT_EQ(LookupGroupId(*db_, "b"), std::nullopt);
  EXPECT_EQ(LookupGroupId(*db_, "g_name"), std::nullopt);
  EXPECT_EQ(LookupGroupId(*db_, ""), std::nullopt);
}

TEST_F(StatementsTest, GroupMoveChangesOnlyThePersonsMembershipOfTheOldGroup) {
  SeedPeople();
  std::string original = "A";
  MoveGroupMembership(*db_, "42", "B", original);
  EXPECT_EQ(original, "B");
  EXPECT_EQ(Memberships(), (Table{{"2", "42"}, {"3", "42"}, {"1", "43"}, {"2", "44"}}));
  EXPECT_EQ(Groups(), kSeedGroups);
  EXPECT_EQ(Persons(), kSeedPersons);

  // No membership of the old group: nothing is changed and no row is made.
  original = "A";
  MoveGroupMembership(*db_, "44", "C", original);
  EXPECT_EQ(original, "C");
  EXPECT_EQ(Memberships(), (Table{{"2", "42"}, {"3", "42"}, {"1", "43"}, {"2", "44"}}));
}

TEST_F(StatementsTest, GroupMoveWithAnUnknownGroupChangesNothing) {
  SeedPeople();
  struct Case {
    std::string newGroup;
    std::string oldGroup;
  };
  // "g_name" spliced between double quotes would name the column and find the first group.
  for (const auto& [newGroup, oldGroup] :
       {Case{"Nope", "A"}, Case{"B", "Gone"}, Case{"Nope", "Gone"}, Case{"g_name", "A"},
        Case{"B", "g_name"}, Case{"B\" OR \"1\"=\"1", "A"}}) {
    SCOPED_TRACE(newGroup + " <- " + oldGroup);
    std::string original = oldGroup;
    MoveGroupMembership(*db_, "42", newGroup, original);
    EXPECT_EQ(original, newGroup);
    EXPECT_EQ(Memberships(), kSeedMemberships);
  }
  EXPECT_EQ(Groups(), kSeedGroups);
  EXPECT_EQ(Persons(), kSeedPersons);
}

TEST(StatementsFailureTest, EveryStatementFailsQuietlyWithoutTables) {
  test::TempDir dir;
  auto db = platform::CreateDatabase(dir / "pf.db");
  ASSERT_NE(db, nullptr);
  EXPECT_TRUE(QueryGroupList(*db).empty());
  EXPECT_EQ(LookupGroupId(*db, "A"), std::nullopt);
  UpdatePersonNames(*db, "Ann", "Lee", "42");
  std::string original = "A";
  MoveGroupMembership(*db, "42", "B", original);
  EXPECT_EQ(original, "B");
  const auto tables = db->Execute("SELECT name FROM sqlite_master");
  ASSERT_TRUE(tables.has_value());
  EXPECT_EQ(tables->RowCount(), 0u);
}

}  // namespace
}  // namespace vt::database
