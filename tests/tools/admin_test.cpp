#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "app/paths.h"
#include "database/statements.h"
#include "platform/sqlcipher_database.h"
#include "tests/support/files.h"
#include "tests/support/package_writer.h"
#include "tests/support/temp_dir.h"
#include "textdata/profile_record.h"
#include "textdata/setup_data.h"
#include "textdata/text_file.h"
#include "tools/admin/installation.h"

namespace vt::admin {
namespace {

namespace fs = std::filesystem;

struct CommandResult {
  int status;
  std::string output;
};

// Runs a shell command line, collecting what it printed on both streams.
CommandResult Shell(const std::string& command) {
  CommandResult run{-1, {}};
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) {
    return run;
  }
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    run.output.append(buffer, n);
  }
  const int raw = ::pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

CommandResult Admin(const std::string& arguments) {
  return Shell(std::string(VT_ADMIN_PATH) + " " + arguments);
}

std::string Quote(const fs::path& path) {
  return "'" + path.string() + "'";
}

// What the sqlcipher shell prints for `sql` on the installation's database, keyed or not.
CommandResult SqlCipherShell(const fs::path& db, const std::string& sql, bool withKey) {
  const std::string key = withKey ? "PRAGMA key='Quiet river stone';\n" : "";
  test::TempDir dir;
  test::WriteBytes(dir / "input.sql", key + sql + "\n");
  return Shell("sqlcipher " + Quote(db) + " < " + Quote(dir / "input.sql"));
}

TEST(AdminInit, MakesAnEmptyInstallationInAMissingFolder) {
  test::TempDir dir;
  const fs::path install = dir / "a" / "b";
  const CommandResult run = Admin("init " + Quote(install));
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(fs::is_directory(app::ProfilesFolder(install)));
  EXPECT_TRUE(fs::is_directory(app::SlideshowsFolder(install)));
  EXPECT_EQ(test::ReadBytes(app::SetupDataPath(install)), "");
  EXPECT_TRUE(fs::is_empty(app::ProfilesFolder(install)));

  auto db = platform::OpenDatabase(app::DatabasePath(install));
  EXPECT_TRUE(database::QueryGroupList(*db).empty());
  for (const char* table : {"groups", "persons", "group_persons"}) {
    const auto rows = db->Execute(std::string("SELECT count(*) AS n FROM ") + table);
    ASSERT_TRUE(rows.has_value()) << table;
    EXPECT_EQ(rows->Field(0, "n"), "0") << table;
  }
}

TEST(AdminInit, RefusesAnExistingInstallationUnlessForced) {
  for (const char* existing : {"pf.db", "Vellumtide", "Profile"}) {
    test::TempDir dir;
    if (std::string(existing) == "pf.db") {
      test::WriteBytes(dir / "pf.db", "old database");
    } else {
      test::WriteBytes(dir / existing / "keep.txt", "old");
    }
    const CommandResult refused = Admin("init " + Quote(dir.path()));
    EXPECT_NE(refused.status, 0) << existing;
    EXPECT_NE(refused.output.find("--force"), std::string::npos) << refused.output;
    EXPECT_EQ(fs::exists(dir / "pf.db"), std::string(existing) == "pf.db") << existing;
    EXPECT_FALSE(fs::exists(dir / "Slideshows")) << existing;

    const CommandResult forced = Admin("init " + Quote(dir.path()) + " --force");
    EXPECT_EQ(forced.status, 0) << forced.output;
    EXPECT_FALSE(fs::exists(dir / existing / "keep.txt")) << existing;
    // The replacement is a fresh database with the tables already made.
    EXPECT_FALSE(database::CreateSchema(*platform::OpenDatabase(dir / "pf.db")));
  }
}

TEST(AdminInit, BadArgumentsGetAnErrorAndNonZeroStatus) {
  test::TempDir dir;
  test::WriteBytes(dir / "file", "x");
  for (const std::string& arguments :
       {std::string(), std::string("build ") + Quote(dir / "x"), std::string("init"),
        "init " + Quote(dir / "x") + " " + Quote(dir / "y"), "demo " + Quote(dir / "x") + " --fast",
        "init " + Quote(dir / "file"), std::string("init ''")}) {
    const CommandResult run = Admin(arguments);
    EXPECT_NE(run.status, 0) << arguments;
    EXPECT_FALSE(run.output.empty()) << arguments;
  }
  EXPECT_FALSE(fs::exists(dir / "x"));
  EXPECT_EQ(test::ReadBytes(dir / "file"), "x");
}

TEST(AdminDemo, MakesASampleInstallationTheShellOpensWithTheKey) {
  test::TempDir dir;
  const CommandResult run = Admin("demo " + Quote(dir.path()));
  ASSERT_EQ(run.status, 0) << run.output;

  const fs::path db = app::DatabasePath(dir.path());
  EXPECT_NE(test::ReadBytes(db).substr(0, 15), "SQLite format 3");
  const CommandResult keyed = SqlCipherShell(db, "SELECT g_name FROM groups;", true);
  EXPECT_EQ(keyed.status, 0) << keyed.output;
  EXPECT_NE(keyed.output.find("Year 5 Willow"), std::string::npos) << keyed.output;
  const CommandResult unkeyed = SqlCipherShell(db, "SELECT g_name FROM groups;", false);
  EXPECT_EQ(unkeyed.output.find("Year 5 Willow"), std::string::npos) << unkeyed.output;
  EXPECT_NE(unkeyed.output.find("not a database"), std::string::npos) << unkeyed.output;
}

TEST(AdminDemo, GroupsSetupDataAndProfilesAgree) {
  test::TempDir dir;
  ASSERT_EQ(Admin("demo " + Quote(dir.path())).status, 0);
  auto db = platform::OpenDatabase(app::DatabasePath(dir.path()));
  const std::vector<std::string> groups = database::QueryGroupList(*db);
  ASSERT_GE(groups.size(), 3u);
  const auto setup = textdata::ReadTextFile(app::SetupDataPath(dir.path()));
  ASSERT_TRUE(setup.has_value());

  // Group index g is the list position + 1; one group allows every kind, one none, one has a size
  // class outside the table; the placeholder (index 0) allows nothing.
  bool allKinds = false, noKind = false, sizeOutside = false;
  for (long g = 0; g <= static_cast<long>(groups.size()); ++g) {
    int allowed = 0;
    for (const char* kind : {"PRESENTATIONS", "MOVIES", "NARRATIONS"}) {
      allowed += textdata::IsKindAllowed(*setup, kind, g) ? 1 : 0;
      const std::string prefix = std::string(kind) + "FS";
      sizeOutside |= g > 0 && !textdata::GetMaxFileSize(*setup, prefix, g, textdata::kMaxFileSizes);
    }
    if (g == 0) {
      EXPECT_EQ(allowed, 0);
    }
    allKinds |= g > 0 && allowed == 3;
    noKind |= g > 0 && allowed == 0;
  }
  EXPECT_TRUE(allKinds && noKind && sizeOutside);
  EXPECT_NE(textdata::CategoryCaption(*setup, 1).find('<'), std::string::npos);
  EXPECT_FALSE(textdata::CategoryCaption(*setup, 3).empty());

  // Every person has a membership and a profile folder; the records range from full to none.
  const auto persons = db->Execute(
      "SELECT p_id, (SELECT count(*) FROM group_persons WHERE g_p_p_id = p_id) AS m FROM persons");
  ASSERT_TRUE(persons.has_value());
  ASSERT_GE(persons->RowCount(), 5u);
  std::size_t withoutRecord = 0, fullRecords = 0;
  for (std::size_t row = 0; row < persons->RowCount(); ++row) {
    const std::string id = persons->Field(row, "p_id").value_or("");
    EXPECT_NE(persons->Field(row, "m"), "0") << id;
    const fs::path profile = *app::ProfileFolder(dir.path(), id);
    ASSERT_TRUE(fs::is_directory(profile)) << id;
    const auto record = textdata::ReadProfileRecord(profile / textdata::kProfileRecordName);
    if (!record) {
      ++withoutRecord;
      continue;
    }
    const bool listed = std::find(groups.begin(), groups.end(), record->group) != groups.end();
    const bool full = listed && !record->firstName.empty() && record->categories.size() == 3 &&
                      record->categories[0].find("\r\n") != std::string::npos &&
                      record->firstName.find("\xC3") != std::string::npos;
    fullRecords += full ? 1 : 0;
  }
  EXPECT_GE(withoutRecord, 1u);
  EXPECT_GE(fullRecords, 1u);
}

}  // namespace
}  // namespace vt::admin

namespace vt::admin {
namespace {

namespace fs = std::filesystem;

// The demo installation with a few files of the organiser's to attach.
class AdminAttach : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(MakeDemoInstallation(dir_ / "install", false)); }

  std::string File(const std::string& name, std::size_t size) {
    test::WriteBytes(dir_ / "files" / name, std::string(size, 'x'));
    return Quote(dir_ / "files" / name);
  }

  CommandResult Attach(const std::string& arguments) {
    return Admin("attach " + Quote(dir_ / "install") + " " + arguments);
  }

  fs::path Profile(const std::string& id) { return dir_ / "install" / "Profile" / id; }

  test::TempDir dir_;
};

TEST_F(AdminAttach, CopiesWithinTheGroupsLimitAndRefusesBeyondIt) {
  const CommandResult taken = Attach("1001 nar " + File("Talk.WAV", 2'000'000));
  EXPECT_EQ(taken.status, 0) << taken.output;
  EXPECT_EQ(fs::file_size(Profile("1001") / "nar.wav"), 2'000'000u);

  const CommandResult refused = Attach("1001 nar " + File("long.mp3", 2'000'001));
  EXPECT_NE(refused.status, 0);
  EXPECT_NE(refused.output.find("exceeds the maximum file size allowed. (2 MB's)"),
            std::string::npos)
      << refused.output;
  EXPECT_FALSE(fs::exists(Profile("1001") / "nar.mp3"));
  EXPECT_TRUE(fs::exists(Profile("1001") / "nar.wav"));
}

TEST_F(AdminAttach, RefusesWhatTheWizardWouldNotOffer) {
  const std::string small = File("clip.avi", 10);
  const std::pair<std::string, std::string> cases[] = {
      {"1003 mov " + small, "does not allow movie files"},  // Chess & Go Club allows nothing
      {"9999 mov " + small, "no profile folder"},
      {"../1001 mov " + small, "no profile folder"},
      {"1001 mov " + Quote(dir_ / "files" / "missing.avi"), "cannot read"},
      {"1001 photo " + small, "unknown kind"},
      {"1001 mov " + File("Clip.lnk", 3), "shortcut link"},
  };
  for (const auto& [arguments, expected] : cases) {
    const CommandResult run = Attach(arguments);
    EXPECT_NE(run.status, 0) << arguments;
    EXPECT_NE(run.output.find(expected), std::string::npos) << arguments << ": " << run.output;
  }
  EXPECT_FALSE(fs::exists(Profile("1001") / "mov.avi"));
  EXPECT_NE(Attach("1001 mov").status, 0);
}

TEST_F(AdminAttach, ImportsAPresentationAndAsksBeforeReplacingIt) {
  const CommandResult notPackage = Attach("1001 pres " + File("notes.kvs", 3000));
  EXPECT_NE(notPackage.status, 0);
  EXPECT_NE(notPackage.output.find("Cannot Import: Not a kelvarin slideshow file."),
            std::string::npos)
      << notPackage.output;

  test::PackageWriter package("[SLIDESHOW]\r\ntotal=1\r\n");
  package.AddFile("slide_1_", "one.jpg", "slide one");
  package.Write(dir_ / "files" / "show.kvs");
  const std::string show = Quote(dir_ / "files" / "show.kvs");
  const fs::path folder =
      dir_ / "install" / "Slideshows" / "Year 5 Willow Dubois-Laurent Émile 1001";

  const CommandResult first = Attach("1001 pres " + show);
  EXPECT_EQ(first.status, 0) << first.output;
  EXPECT_EQ(test::ReadBytes(folder / "one.jpg"), "slide one");
  test::WriteBytes(folder / "extra.txt", "x");

  const CommandResult declined = Attach("1001 pres " + show);
  EXPECT_NE(declined.status, 0);
  EXPECT_NE(declined.output.find("Slideshow Exists: "), std::string::npos) << declined.output;
  EXPECT_NE(declined.output.find("answered No"), std::string::npos) << declined.output;
  EXPECT_TRUE(fs::exists(folder / "extra.txt"));

  const CommandResult replaced = Attach("1001 pres " + show + " --yes");
  EXPECT_EQ(replaced.status, 0) << replaced.output;
  EXPECT_FALSE(fs::exists(folder / "extra.txt"));
}

}  // namespace
}  // namespace vt::admin
