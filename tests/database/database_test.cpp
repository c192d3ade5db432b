#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "database/statements.h"
#include "platform/key_derivation.h"
#include "platform/sqlcipher_database.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vt {
namespace {

namespace fs = std::filesystem;
using namespace database;
using namespace platform;
using Names = std::vector<std::string>;
constexpr auto kRowName = [](const auto& info) { return std::string(std::get<0>(info.param)); };

// A published vector, a key longer than one digest from a passphrase within a hash block (as the
// database's is). Nothing else notices a wrong key: a file the derived key cannot open is opened
// again with the passphrase, only more slowly.
TEST(Pbkdf2, MatchesThePublishedVector) {
  const std::string_view salt = "saltSALTsaltSALTsaltSALTsaltSALTsalt";
  const auto* bytes = reinterpret_cast<const unsigned char*>(salt.data());
  EXPECT_EQ(LowerHex(Pbkdf2HmacSha1("passwordPASSWORDpassword", {bytes, salt.size()}, 4096, 25)),
            "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038");
}

// An installation's database: groups in the order of their ids, one with a NULL name, one stored
// in Windows-1252 by an older program and one named "??"; persons 42 in A and C, 43 in A.
class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(db != nullptr && CreateSchema(*db));
    for (const char* sql :
         {"INSERT INTO groups VALUES (3, 'C'), (1, 'A'), (4, NULL), (2, 'B'), (6, '?\?'), "
          "(5, CAST(X'436F75727320E96CE96D656E7461697265' AS TEXT))",
          "INSERT INTO persons VALUES ('42', 'Ann', 'Lee'), ('43', 'Bob', 'Roe')",
          "INSERT INTO group_persons VALUES (1, '42'), (3, '42'), (1, '43')"}) {
      ASSERT_TRUE(db->Execute(sql).has_value()) << sql;
    }
  }

  // The column r of every row, each followed by a blank.
  static std::string Rows(DatabasePort& db, std::string_view sql) {
    const auto result = db.Execute(sql);
    std::string rows = result ? "" : "failed";
    for (std::size_t row = 0; result && row < result->RowCount(); ++row) {
      rows += result->Field(row, "r").value_or("NULL") + " ";
    }
    return rows;
  }
  test::TempDir dir;
  const fs::path path = dir / "pf.db";
  std::unique_ptr<DatabasePort> db = CreateDatabase(path);
};

// Made only where nothing stands, its schema whole or not at all; readable by another program with
// the passphrase alone.
TEST_F(DatabaseTest, CreatesAnEncipheredFileOnlyWhereNothingIs) {
  test::WriteBytes(dir / "other.db", "keep me");
  fs::create_symlink(dir / "target.db", dir / "link.db");
  // The link is not followed to make its target.
  for (const fs::path& taken : {path, dir / "other.db", dir / "link.db", dir / "no" / "pf.db"}) {
    EXPECT_EQ(CreateDatabase(taken), nullptr) << taken;
  }
  EXPECT_EQ(test::ReadBytes(dir / "other.db"), "keep me");
  EXPECT_FALSE(fs::exists(dir / "target.db") || fs::exists(dir / "no"));
  sqlite3* other = nullptr;  // another program with the passphrase: a plain file fails here
  sqlite3_open(path.c_str(), &other);
  sqlite3_key(other, "Quiet river stone", 17);
  EXPECT_EQ(sqlite3_exec(other, "SELECT count(*) FROM sqlite_master", {}, {}, {}), SQLITE_OK);
  sqlite3_close(other);
  // In the order of the ids; the NULL name keeps its place so the later groups keep their indexes.
  EXPECT_EQ(QueryGroupList(*OpenDatabase(path)),
            (Names{"A", "B", "C", "", "Cours élémentaire", "??"}));
  const auto fresh = CreateDatabase(dir / "fresh.db");
  EXPECT_EQ(Rows(*fresh, "CREATE TABLE persons(x)"), "");
  EXPECT_FALSE(CreateSchema(*fresh));
  EXPECT_EQ(Rows(*fresh, "SELECT name AS r FROM sqlite_master"), "persons ");
}

class UnreadableTest : public DatabaseTest, public ::testing::WithParamInterface<const char*> {};

// A file that cannot be deciphered, a FIFO, a missing file: every statement fails at once and
// quietly, and nothing is written or made.
TEST_P(UnreadableTest, EveryStatementFailsQuietlyAndNothingIsWritten) {
  test::WriteBytes(dir / "noise.db", std::string(8192, '\x5A'));
  ASSERT_EQ(mkfifo((dir / "fifo.db").c_str(), 0644), 0);
  auto bad = OpenDatabase(dir / GetParam());
  EXPECT_EQ(Rows(*bad, "SELECT 1 AS r") + std::to_string(QueryGroupList(*bad).size()), "failed0");
  UpdatePersonNames(*bad, "Ann", "Lee", "42");
  EXPECT_EQ(test::ReadBytes(dir / "noise.db"), std::string(8192, '\x5A'));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}

INSTANTIATE_TEST_SUITE_P(Files, UnreadableTest, ::testing::Values("noise.db", "fifo.db", "none.db"),
                         [](const auto& info) { return fs::path(info.param).stem().string(); });

TEST_F(DatabaseTest, ExecuteBindsTextGivesFieldsAsTextAndRunsTheFirstStatementOnly) {
  const Names values = {"a\"b", std::string("x\0y", 3)};
  const auto row = db->Execute("SELECT 7 AS n, NULL AS z, 2.5 AS r, ?1 AS p, ?2 AS q", values);
  ASSERT_TRUE(row);
  using Fields = std::vector<std::optional<std::string>>;
  EXPECT_EQ((Fields{row->Field(0, "n"), row->Field(0, "z"), row->Field(0, "r"), row->Field(0, "p"),
                    row->Field(0, "q"), row->Field(0, "N"), row->Field(1, "n")}),
            (Fields{"7", {}, "2.5", "a\"b", std::string("x\0y", 3), {}, {}}));
  // More values than placeholders is a faulty call, not a silent partial bind.
  EXPECT_EQ(db->Execute("SELECT ?1", values), std::nullopt);
  EXPECT_EQ(Rows(*db, "SELEC 1"), "failed");
  EXPECT_EQ(Rows(*db, "INSERT INTO persons VALUES ('42', 'Dup', 'Dup')"), "failed");
  EXPECT_EQ(Rows(*db, "DELETE FROM groups; DROP TABLE persons"), "");
  EXPECT_EQ(Rows(*db, "SELECT count(*) AS r FROM persons"), "2 ");
}

// No statement keeps a lock between calls, and ours waits for another program's short write. Values
// are bound: names that look like SQL are stored as they stand, for the person named only.
TEST_F(DatabaseTest, NamesWaitForAnotherProgramsWriteAndAreStoredAsTheyStand) {
  auto other = OpenDatabase(path);
  EXPECT_EQ(Rows(*other, "BEGIN IMMEDIATE").append(Rows(*other, "DELETE FROM groups")), "");
  std::thread committer([&other] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(Rows(*other, "COMMIT"), "");
  });
  UpdatePersonNames(*db, "x', p_fname='y", "\"; DROP TABLE persons; --", "43");
  committer.join();
  // Spliced bare or between double quotes, this names the column and so matches every row.
  UpdatePersonNames(*db, "Eve", "Doe", "p_id");
  EXPECT_EQ(Rows(*other, "SELECT p_id || p_fname || p_lname AS r FROM persons ORDER BY r"),
            "42AnnLee 43x', p_fname='y\"; DROP TABLE persons; -- ");
  EXPECT_TRUE(QueryGroupList(*db).empty());
}

TEST_F(DatabaseTest, RowsReadBeforeADamagedPageAreKept) {
  ASSERT_TRUE(
      db->Execute("WITH RECURSIVE n(i) AS (SELECT 7 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                  "INSERT INTO groups SELECT i, printf('%0200d', i) FROM n"));
  // One byte changed far into the table: that page no longer deciphers.
  std::string bytes = test::ReadBytes(path);
  bytes[bytes.size() * 3 / 4 / 1024 * 1024 + 500] ^= 0x5A;
  test::WriteBytes(path, bytes);
  const auto damaged = OpenDatabase(path);
  EXPECT_FALSE(damaged->Execute("SELECT g_id FROM groups")->Complete());
  const Names names = QueryGroupList(*damaged);
  ASSERT_TRUE(names.size() > 1000 && names.size() < 3000) << names.size();
  EXPECT_EQ(std::stoul(names.back()), names.size());
}

// Name, group moved to, group moved from, the memberships after.
using Move = std::tuple<const char*, const char*, const char*, const char*>;
class MoveTest : public DatabaseTest, public ::testing::WithParamInterface<Move> {};

TEST_P(MoveTest, MovesOnlyThePersonsMembershipAndOnlyBetweenGroupsFound) {
  const auto& [name, to, from, memberships] = GetParam();
  std::string original = from;
  MoveGroupMembership(*db, "42", to, original);
  EXPECT_EQ(original, to);
  EXPECT_EQ(Rows(*db, "SELECT g_p_p_id || ':' || g_p_g_id AS r FROM group_persons ORDER BY r"),
            memberships);
}

const Move kMoves[] = {{"Found", "B", "A", "42:2 42:3 43:1 "},
                       {"ToWindows1252Name", "Cours élémentaire", "C", "42:1 42:5 43:1 "},
                       {"ToUnknown", "Nope", "A", "42:1 42:3 43:1 "},
                       {"FromGroupNotJoined", "A", "B", "42:1 42:3 43:1 "},
                       {"ToNameOfAColumn", "g_name", "A", "42:1 42:3 43:1 "},
                       {"ToNameOutsideWindows1252", "日本", "A", "42:1 42:3 43:1 "}};
INSTANTIATE_TEST_SUITE_P(Moves, MoveTest, ::testing::ValuesIn(kMoves), kRowName);

}  // namespace
}  // namespace vt
