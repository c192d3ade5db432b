#include "platform/sqlcipher_database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "database/statements.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vt::platform {
namespace {

namespace fs = std::filesystem;
using database::DatabasePort;
using database::QueryGroupList;

// A second connection through the SQLCipher API itself, as another program would open the file.
class RawConnection {
 public:
  RawConnection(const fs::path& path, std::optional<std::string_view> key, int busyTimeoutMs = 0) {
    open_rc_ = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    if (open_rc_ == SQLITE_OK && key) {
      sqlite3_key(db_, key->data(), static_cast<int>(key->size()));
    }
    sqlite3_busy_timeout(db_, busyTimeoutMs);
  }
  ~RawConnection() { sqlite3_close(db_); }
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  int open_rc() const { return open_rc_; }
  int Exec(const std::string& sql) {
    return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
  }

  // The first column of the first row; the result code of the failing call otherwise.
  std::string Scalar(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr);
    std::string result = "error " + std::to_string(rc);
    if (rc == SQLITE_OK) {
      rc = sqlite3_step(statement);
      if (rc == SQLITE_ROW) {
        result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
      } else {
        result = "error " + std::to_string(rc);
      }
    }
    sqlite3_finalize(statement);
    return result;
  }

 private:
  sqlite3* db_ = nullptr;
  int open_rc_ = SQLITE_ERROR;
};

std::vector<std::string> Listing(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

// CreateDatabase + CreateSchema + one group, closed again.
void MakeInstallationDatabase(const fs::path& path) {
  auto db = CreateDatabase(path);
  ASSERT_NE(db, nullptr);
  ASSERT_TRUE(database::CreateSchema(*db));
  ASSERT_TRUE(db->Execute("INSERT INTO groups VALUES (1, 'Zebra'), (2, 'Apple')").has_value());
}

TEST(SqlCipherDatabaseTest, CreatedFileIsEnciphered) {
  test::TempDir dir;
  const auto path = dir / "pf.db";
  MakeInstallationDatabase(path);

  const std::string bytes = test::ReadBytes(path);
  ASSERT_GE(bytes.size(), 16u);
  EXPECT_NE(bytes.substr(0, 16), std::string("SQLite format 3\0", 16));
  EXPECT_EQ(bytes.find("CREATE TABLE"), std::string::npos);
  EXPECT_EQ(bytes.find("Zebra"), std::string::npos);

  const std::string count = "SELECT count(*) FROM sqlite_master";
  RawConnection plain(path, std::nullopt);
  ASSERT_EQ(plain.open_rc(), SQLITE_OK);
  EXPECT_EQ(plain.Scalar(count), "error " + std::to_string(SQLITE_NOTADB));
  RawConnection wrongKey(path, "Quiet river stones");
  EXPECT_EQ(wrongKey.Scalar(count), "error " + std::to_string(SQLITE_NOTADB));
  RawConnection keyed(path, "Quiet river stone");
  EXPECT_EQ(keyed.Scalar(count), "4");
  EXPECT_EQ(keyed.Scalar("SELECT g_name FROM groups WHERE g_id = 2"), "Apple");

  // Reopened by the wizard's own path.
  auto reopened = OpenDatabase(path);
  EXPECT_EQ(QueryGroupList(*reopened), (std::vector<std::string>{"Zebra", "Apple"}));
}

TEST(SqlCipherDatabaseTest, CreateDatabaseRefusesWhatExists) {
  test::TempDir dir;
  test::WriteBytes(dir / "other.db", "keep me");
  EXPECT_EQ(CreateDatabase(dir / "other.db"), nullptr);
  EXPECT_EQ(test::ReadBytes(dir / "other.db"), "keep me");

  MakeInstallationDatabase(dir / "pf.db");
  EXPECT_EQ(CreateDatabase(dir / "pf.db"), nullptr);
  EXPECT_EQ(QueryGroupList(*OpenDatabase(dir / "pf.db")),
            (std::vector<std::string>{"Zebra", "Apple"}));

  // A link pointing nowhere is not followed to make its target.
  fs::create_symlink(dir / "target.db", dir / "link.db");
  EXPECT_EQ(CreateDatabase(dir / "link.db"), nullptr);
  EXPECT_FALSE(fs::exists(dir / "target.db"));

  EXPECT_EQ(CreateDatabase(dir / "missing" / "pf.db"), nullptr);
  EXPECT_FALSE(fs::exists(dir / "missing"));
}

// Every statement on an unusable database fails without a message and changes nothing.
void ExpectEveryStatementFails(DatabasePort& db) {
  EXPECT_EQ(db.Execute("SELECT 1"), std::nullopt);
  EXPECT_EQ(db.Execute("CREATE TABLE t(x)"), std::nullopt);
  EXPECT_TRUE(QueryGroupList(db).empty());
  database::UpdatePersonNames(db, "Ann", "Lee", "42");
  std::string original = "A";
  database::MoveGroupMembership(db, "42", "B", original);
  EXPECT_EQ(original, "B");
  EXPECT_FALSE(database::CreateSchema(db));
}

TEST(SqlCipherDatabaseTest, MissingFileIsNeverCreated) {
  test::TempDir dir;
  auto db = OpenDatabase(dir / "pf.db");
  ASSERT_NE(db, nullptr);
  ExpectEveryStatementFails(*db);
  db.reset();
  EXPECT_TRUE(Listing(dir.path()).empty());
}

TEST(SqlCipherDatabaseTest, FilesThatAreNoEncipheredDatabaseFailAndStayUnchanged) {
  test::TempDir dir;
  std::mt19937 random(7);
  std::string noise(8192, '\0');
  for (auto& byte : noise) {
    byte = static_cast<char>(random() & 0xff);
  }
  test::WriteBytes(dir / "noise.db", noise);
  {
    // A plain SQLite file, as made without the key.
    sqlite3* plain = nullptr;
    ASSERT_EQ(sqlite3_open_v2((dir / "plain.db").c_str(), &plain,
                              SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
              SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(plain, "CREATE TABLE groups(g_id INTEGER PRIMARY KEY, g_name TEXT)",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(plain);
  }
  const std::string plainBytes = test::ReadBytes(dir / "plain.db");
  ASSERT_EQ(plainBytes.substr(0, 16), std::string("SQLite format 3\0", 16));

  for (const auto* name : {"noise.db", "plain.db"}) {
    SCOPED_TRACE(name);
    auto db = OpenDatabase(dir / name);
    ASSERT_NE(db, nullptr);
    ExpectEveryStatementFails(*db);
  }
  EXPECT_EQ(test::ReadBytes(dir / "noise.db"), noise);
  EXPECT_EQ(test::ReadBytes(dir / "plain.db"), plainBytes);
  EXPECT_EQ(Listing(dir.path()).size(), 2u);
}

TEST(SqlCipherDatabaseTest, ExecuteReadsFieldsAsTextAndRunsOnlyTheFirstStatement) {
  test::TempDir dir;
  auto db = CreateDatabase(dir / "pf.db");
  ASSERT_NE(db, nullptr);
  ASSERT_TRUE(database::CreateSchema(*db));

  const auto row = db->Execute("SELECT 7 AS n, NULL AS nothing, 2.5 AS r, ?1 AS p, ?2 AS q",
                               std::vector<std::string>{"a\"b", std::string("x\0y", 3)});
  ASSERT_TRUE(row.has_value());
  EXPECT_EQ(row->RowCount(), 1u);
  EXPECT_EQ(row->Field(0, "n"), "7");
  EXPECT_EQ(row->Field(0, "nothing"), std::nullopt);
  EXPECT_EQ(row->Field(0, "r"), "2.5");
  EXPECT_EQ(row->Field(0, "p"), "a\"b");
  EXPECT_EQ(row->Field(0, "q"), std::string("x\0y", 3));
  EXPECT_EQ(row->Field(0, "N"), std::nullopt);
  EXPECT_EQ(row->Field(1, "n"), std::nullopt);

  // More values than placeholders is a faulty call, not a silent partial bind.
  EXPECT_EQ(db->Execute("SELECT ?1", std::vector<std::string>{"a", "b"}), std::nullopt);
  EXPECT_EQ(db->Execute("SELEC 1"), std::nullopt);

  ASSERT_TRUE(db->Execute("INSERT INTO groups VALUES (1, 'A'); DROP TABLE persons").has_value());
  const auto tables = db->Execute("SELECT name FROM sqlite_master WHERE name = 'persons'");
  ASSERT_TRUE(tables.has_value());
  EXPECT_EQ(tables->RowCount(), 1u);
  EXPECT_EQ(QueryGroupList(*db), std::vector<std::string>{"A"});
}

TEST(SqlCipherDatabaseTest, AnotherProgramCanWriteWhileTheDatabaseIsOpen) {
  test::TempDir dir;
  const auto path = dir / "pf.db";
  MakeInstallationDatabase(path);

  auto db = OpenDatabase(path);
  ASSERT_EQ(QueryGroupList(*db), (std::vector<std::string>{"Zebra", "Apple"}));
  ASSERT_TRUE(db->Execute("INSERT INTO persons VALUES ('42', 'Ann', 'Lee')").has_value());
  database::UpdatePersonNames(*db, "Ann", "Lea", "42");
  EXPECT_EQ(db->Execute("INSERT INTO persons VALUES ('42', 'Dup', 'Dup')"), std::nullopt);
  // Fails on its second row, after the first was read.
  EXPECT_EQ(db->Execute("SELECT abs(CASE g_id WHEN 2 THEN -9223372036854775807 - 1 ELSE 1 END) "
                        "FROM groups"),
            std::nullopt);

  // No busy wait here: any lock still held by our object would fail this at once.
  RawConnection other(path, kCipherKey, 0);
  ASSERT_EQ(other.open_rc(), SQLITE_OK);
  EXPECT_EQ(other.Exec("INSERT INTO groups VALUES (3, 'Mango')"), SQLITE_OK);
  EXPECT_EQ(other.Exec("UPDATE persons SET p_fname = 'Bo' WHERE p_id = '42'"), SQLITE_OK);
  EXPECT_EQ(other.Scalar("SELECT p_lname FROM persons WHERE p_id = '42'"), "Lea");

  EXPECT_EQ(QueryGroupList(*db), (std::vector<std::string>{"Zebra", "Apple", "Mango"}));
  const auto person = db->Execute("SELECT p_fname FROM persons WHERE p_id = '42'");
  ASSERT_TRUE(person.has_value());
  EXPECT_EQ(person->Field(0, "p_fname"), "Bo");
}

TEST(SqlCipherDatabaseTest, WriteWaitsForAnotherProgramsShortWrite) {
  test::TempDir dir;
  const auto path = dir / "pf.db";
  MakeInstallationDatabase(path);
  auto db = OpenDatabase(path);
  ASSERT_TRUE(db->Execute("INSERT INTO persons VALUES ('42', 'Ann', 'Lee')").has_value());

  RawConnection other(path, kCipherKey, 5000);
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  ASSERT_EQ(other.Exec("INSERT INTO groups VALUES (3, 'Mango')"), SQLITE_OK);
  std::thread committer([&other] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(other.Exec("COMMIT"), SQLITE_OK);
  });
  database::UpdatePersonNames(*db, "Eve", "Doe", "42");
  committer.join();

  const auto person = db->Execute("SELECT p_fname, p_lname FROM persons WHERE p_id = '42'");
  ASSERT_TRUE(person.has_value());
  EXPECT_EQ(person->Field(0, "p_fname"), "Eve");
  EXPECT_EQ(person->Field(0, "p_lname"), "Doe");
  EXPECT_EQ(QueryGroupList(*db), (std::vector<std::string>{"Zebra", "Apple", "Mango"}));
}

TEST(SqlCipherDatabaseTest, SqlcipherShellReadsTheFileWithTheKey) {
  if (std::system("command -v sqlcipher >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "no sqlcipher shell on this machine";
  }
  test::TempDir dir;
  MakeInstallationDatabase(dir / "pf.db");
  test::WriteBytes(dir / "script.sql",
                   "PRAGMA key='Quiet river stone';\n"
                   "SELECT name FROM sqlite_master WHERE type='table' ORDER BY name;\n"
                   "SELECT g_id || '|' || g_name FROM groups;\n");
  const std::string command = "sqlcipher -batch -init /dev/null '" + (dir / "pf.db").string() +
                              "' < '" + (dir / "script.sql").string() + "' 2>&1";
  FILE* shell = popen(command.c_str(), "r");
  ASSERT_NE(shell, nullptr);
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, shell) != nullptr) {
    output += buffer;
  }
  EXPECT_EQ(pclose(shell), 0) << output;
  EXPECT_EQ(output, "group_persons\ngroups\npersons\n1|Zebra\n2|Apple\n");
}

}  // namespace
}  // namespace vt::platform
