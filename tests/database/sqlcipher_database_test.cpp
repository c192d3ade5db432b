#include "platform/sqlcipher_database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "database/statements.h"
#include "platform/key_derivation.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vt::platform {
namespace {

namespace fs = std::filesystem;
using database::QueryGroupList;
using Names = std::vector<std::string>;

// A second connection through the SQLCipher API itself, as another program would open the file.
class RawConnection {
 public:
  RawConnection(const fs::path& path, std::optional<std::string_view> key, int busyTimeoutMs = 0) {
    sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (key) {
      sqlite3_key(db_, key->data(), static_cast<int>(key->size()));
    }
    sqlite3_busy_timeout(db_, busyTimeoutMs);
  }
  ~RawConnection() { sqlite3_close(db_); }

  // The first column of every row, each followed by "\n"; "error <code>" when the call fails.
  std::string Query(const std::string& sql) {
    std::string out;
    const int rc = sqlite3_exec(
        db_, sql.c_str(),
        [](void* text, int, char** values, char**) {
          *static_cast<std::string*>(text) += std::string(values[0] ? values[0] : "") + "\n";
          return 0;
        },
        &out, nullptr);
    return rc == SQLITE_OK ? out : "error " + std::to_string(rc);
  }

 private:
  sqlite3* db_ = nullptr;
};

// CreateDatabase + CreateSchema + two groups, closed again.
void MakeInstallationDatabase(const fs::path& path) {
  auto db = CreateDatabase(path);
  ASSERT_NE(db, nullptr);
  ASSERT_TRUE(database::CreateSchema(*db));
  ASSERT_TRUE(db->Execute("INSERT INTO groups VALUES (1, 'Zebra'), (2, 'Apple')").has_value());
}

TEST(SqlCipherDatabaseTest, CreatedFileIsEncipheredAndReadOnlyWithTheKey) {
  test::TempDir dir;
  const auto path = dir / "pf.db";
  MakeInstallationDatabase(path);
  const std::string bytes = test::ReadBytes(path);
  EXPECT_NE(bytes.substr(0, 16), std::string("SQLite format 3\0", 16));
  EXPECT_EQ(bytes.find("CREATE TABLE"), std::string::npos);
  EXPECT_EQ(bytes.find("Zebra"), std::string::npos);

  const std::string notADatabase = "error " + std::to_string(SQLITE_NOTADB);
  const std::string count = "SELECT count(*) FROM sqlite_master";
  EXPECT_EQ(RawConnection(path, std::nullopt).Query(count), notADatabase);
  EXPECT_EQ(RawConnection(path, "Quiet river stones").Query(count), notADatabase);
  EXPECT_EQ(RawConnection(path, "Quiet river stone").Query(count), "4\n");
  EXPECT_EQ(QueryGroupList(*OpenDatabase(path)), (Names{"Zebra", "Apple"}));

  // The page key: 64,000 rounds of PBKDF2-HMAC-SHA1 over the passphrase and the file's salt.
  const std::string salt = bytes.substr(0, 16);
  const std::string pageKey =
      "x'" + LowerHex(Pbkdf2HmacSha1(
                 kCipherKey, {reinterpret_cast<const unsigned char*>(salt.data()), 16}, 64000, 32));
  EXPECT_EQ(RawConnection(path, pageKey + "'").Query(count), "4\n");
}

TEST(SqlCipherDatabaseTest, CreateDatabaseRefusesWhatExists) {
  test::TempDir dir;
  test::WriteBytes(dir / "other.db", "keep me");
  EXPECT_EQ(CreateDatabase(dir / "other.db"), nullptr);
  EXPECT_EQ(test::ReadBytes(dir / "other.db"), "keep me");

  MakeInstallationDatabase(dir / "pf.db");
  EXPECT_EQ(CreateDatabase(dir / "pf.db"), nullptr);
  EXPECT_EQ(QueryGroupList(*OpenDatabase(dir / "pf.db")), (Names{"Zebra", "Apple"}));

  // A link pointing nowhere is not followed to make its target.
  fs::create_symlink(dir / "target.db", dir / "link.db");
  EXPECT_EQ(CreateDatabase(dir / "link.db"), nullptr);
  EXPECT_FALSE(fs::exists(dir / "target.db"));
  EXPECT_EQ(CreateDatabase(dir / "missing" / "pf.db"), nullptr);
  EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST(SqlCipherDatabaseTest, MissingOrUnreadableFilesFailQuietlyAndStayAsTheyAre) {
  test::TempDir dir;
  std::string noise(8192, '\0');
  for (std::size_t i = 0; i < noise.size(); ++i) {
    noise[i] = static_cast<char>(i * 7919 % 251);
  }
  test::WriteBytes(dir / "noise.db", noise);
  // A plain SQLite file, as made without the key.
  EXPECT_EQ(RawConnection(dir / "plain.db", std::nullopt).Query("CREATE TABLE groups(g_name)"), "");
  const std::string plain = test::ReadBytes(dir / "plain.db");

  for (const char* name : {"pf.db", "noise.db", "plain.db"}) {
    auto db = OpenDatabase(dir / name);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(db->Execute("SELECT 1"), std::nullopt) << name;
    EXPECT_EQ(db->Execute("CREATE TABLE t(x)"), std::nullopt) << name;
    EXPECT_TRUE(QueryGroupList(*db).empty()) << name;
    database::UpdatePersonNames(*db, "Ann", "Lee", "42");
    std::string original = "A";
    database::MoveGroupMembership(*db, "42", "B", original);
    EXPECT_EQ(original, "B");
    EXPECT_FALSE(database::CreateSchema(*db)) << name;
  }
  EXPECT_FALSE(fs::exists(dir / "pf.db"));  // a missing file is never created
  EXPECT_EQ(test::ReadBytes(dir / "noise.db"), noise);
  EXPECT_EQ(test::ReadBytes(dir / "plain.db"), plain);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

TEST(SqlCipherDatabaseTest, ExecuteReadsFieldsAsTextAndRunsOnlyTheFirstStatement) {
  test::TempDir dir;
  MakeInstallationDatabase(dir / "pf.db");
  auto db = OpenDatabase(dir / "pf.db");
  const auto row = db->Execute("SELECT 7 AS n, NULL AS nothing, 2.5 AS r, ?1 AS p, ?2 AS q",
                               std::vector<std::string>{"a\"b", std::string("x\0y", 3)});
  ASSERT_TRUE(row.has_value());
  EXPECT_EQ(row->RowCount(), 1u);
  const std::pair<const char*, std::optional<std::string>> fields[] = {
      {"n", "7"}, {"nothing", {}}, {"r", "2.5"}, {"p", "a\"b"}, {"q", std::string("x\0y", 3)},
      {"N", {}}};
  for (const auto& [column, value] : fields) {
    EXPECT_EQ(row->Field(0, column), value) << column;
  }
  EXPECT_EQ(row->Field(1, "n"), std::nullopt);

  // More values than placeholders is a faulty call, not a silent partial bind.
  EXPECT_EQ(db->Execute("SELECT ?1", std::vector<std::string>{"a", "b"}), std::nullopt);
  EXPECT_EQ(db->Execute("SELEC 1"), std::nullopt);
  ASSERT_TRUE(db->Execute("INSERT INTO groups VALUES (3, 'A'); DROP TABLE persons").has_value());
  EXPECT_NE(db->Execute("SELECT * FROM persons"), std::nullopt);
  EXPECT_EQ(QueryGroupList(*db), (Names{"Zebra", "Apple", "A"}));
}

TEST(SqlCipherDatabaseTest, AnotherProgramCanWriteWhileTheDatabaseIsOpenAndOursWaitsForIt) {
  test::TempDir dir;
  const auto path = dir / "pf.db";
  MakeInstallationDatabase(path);
  auto db = OpenDatabase(path);
  ASSERT_TRUE(db->Execute("INSERT INTO persons VALUES ('42', 'Ann', 'Lee')").has_value());
  database::UpdatePersonNames(*db, "Ann", "Lea", "42");
  EXPECT_EQ(db->Execute("INSERT INTO persons VALUES ('42', 'Dup', 'Dup')"), std::nullopt);
  // Fails on its second row: the first is kept, the result marked incomplete.
  const auto partial = db->Execute(
      "SELECT abs(CASE g_id WHEN 2 THEN -9223372036854775807 - 1 ELSE 1 END) AS a FROM groups");
  ASSERT_TRUE(partial.has_value());
  EXPECT_FALSE(partial->Complete());
  EXPECT_EQ(partial->RowCount(), 1u);
  // No busy wait here: any lock still held by our object would fail this at once.
  RawConnection now(path, kCipherKey, 0);
  EXPECT_EQ(now.Query("INSERT INTO groups VALUES (3, 'Mango'); SELECT p_lname FROM persons"),
            "Lea\n");

  // Our write waits for another program's short one.
  RawConnection other(path, kCipherKey, 5000);
  ASSERT_EQ(other.Query("BEGIN IMMEDIATE; INSERT INTO groups VALUES (4, 'Kiwi')"), "");
  std::thread committer([&other] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(other.Query("COMMIT"), "");
  });
  database::UpdatePersonNames(*db, "Eve", "Doe", "42");
  committer.join();
  EXPECT_EQ(other.Query("SELECT p_fname || ' ' || p_lname FROM persons"), "Eve Doe\n");
  EXPECT_EQ(QueryGroupList(*db), (Names{"Zebra", "Apple", "Mango", "Kiwi"}));
}

TEST(SqlCipherDatabaseTest, RowsReadBeforeADamagedPageAreKept) {
  test::TempDir dir;
  const fs::path path = dir / "pf.db";
  {
    auto db = CreateDatabase(path);
    ASSERT_NE(db, nullptr);
    ASSERT_TRUE(database::CreateSchema(*db));
    ASSERT_TRUE(db->Execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                            "WHERE i < 3000) INSERT INTO groups SELECT i, printf('%0200d', i) "
                            "FROM n")
                    .has_value());
  }
  // One byte of a page far into the table changed: that page no longer deciphers.
  const std::uintmax_t size = fs::file_size(path);
  std::string bytes = test::ReadBytes(path);
  bytes[static_cast<std::size_t>(size * 3 / 4 / 1024 * 1024 + 500)] ^= 0x5A;
  test::WriteBytes(path, bytes);

  const auto rows = OpenDatabase(path)->Execute("SELECT g_name FROM groups");
  ASSERT_TRUE(rows.has_value());
  EXPECT_FALSE(rows->Complete());
  const Names names = QueryGroupList(*OpenDatabase(path));
  ASSERT_GT(names.size(), 1000u);
  ASSERT_LT(names.size(), 3000u);
  EXPECT_EQ(names.back(), std::string(200 - std::to_string(names.size()).size(), '0') +
                              std::to_string(names.size()));
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
