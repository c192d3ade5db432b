#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <set>

#include "app/paths.h"
#include "app/record_files.h"
#include "database/statements.h"
#include "files/read.h"
#include "platform/sqlcipher_database.h"
#include "tests/imaging/pictures.h"
#include "tests/support/child.h"
#include "tests/support/files.h"
#include "tests/support/package_writer.h"
#include "tests/support/temp_dir.h"
#include "textdata/profile_record.h"
#include "textdata/setup_data.h"
#include "tools/admin/installation.h"

namespace vt::admin {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

struct CommandResult {
  int status;
  std::string output;  // both streams
};

CommandResult Shell(const std::string& command) {
  CommandResult run{-1, {}};
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  char buffer[4096];
  for (std::size_t n; pipe != nullptr && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    run.output.append(buffer, n);
  }
  const int raw = pipe != nullptr ? ::pclose(pipe) : -1;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

std::string Quote(const fs::path& path) {
  return "'" + path.string() + "'";
}

CommandResult Admin(const std::string& arguments) {
  return Shell(std::string(VT_ADMIN_PATH) + " " + arguments);
}

// How many rows the installation's database holds in the tables; no value when that fails.
std::optional<std::string> RowCount(const fs::path& install) {
  return platform::OpenDatabase(app::DatabasePath(install))
      ->Execute(
          "SELECT (SELECT count(*) FROM groups) + (SELECT count(*) FROM persons) + "
          "(SELECT count(*) FROM group_persons) AS n")
      .value_or(database::ResultSet{})
      .Field(0, "n");
}

TEST(AdminInit, MakesAnEmptyInstallationInAMissingFolder) {
  test::TempDir dir;
  const fs::path install = dir / "a" / "b";
  const CommandResult run = Admin("init " + Quote(install));
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(fs::is_empty(app::ProfilesFolder(install)));
  EXPECT_TRUE(fs::is_directory(app::SlideshowsFolder(install)));
  EXPECT_EQ(test::ReadBytes(app::SetupDataPath(install)), "");
  EXPECT_EQ(RowCount(install), "0");
}

TEST(AdminInit, RefusesAnExistingInstallationUnlessForced) {
  for (const std::string existing : {"pf.db", "Vellumtide", "Profile"}) {
    test::TempDir dir;
    test::WriteBytes(existing == "pf.db" ? dir / "pf.db" : dir / existing / "keep.txt", "old");
    const CommandResult refused = Admin("init " + Quote(dir.path()));
    EXPECT_NE(refused.status, 0) << existing;
    EXPECT_NE(refused.output.find("--force"), std::string::npos) << refused.output;
    EXPECT_EQ(fs::exists(dir / "pf.db"), existing == "pf.db") << existing;
    EXPECT_FALSE(fs::exists(dir / "Slideshows")) << existing;

    const CommandResult forced = Admin("init " + Quote(dir.path()) + " --force");
    EXPECT_EQ(forced.status, 0) << forced.output;
    EXPECT_FALSE(fs::exists(dir / existing / "keep.txt")) << existing;
    EXPECT_EQ(RowCount(dir.path()), "0") << existing;  // a fresh database with its tables
  }
}

TEST(AdminInit, BadArgumentsGetAnErrorAndNonZeroStatus) {
  test::TempDir dir;
  test::WriteBytes(dir / "file", "x");
  const std::string x = Quote(dir / "x");
  for (const std::string& arguments :
       {""s, "build " + x, "init"s, "init " + x + " " + x, "demo " + x + " --fast",
        "init " + Quote(dir / "file"), "init ''"s}) {
    const CommandResult run = Admin(arguments);
    EXPECT_NE(run.status, 0) << arguments;
    EXPECT_FALSE(run.output.empty()) << arguments;
  }
  EXPECT_FALSE(fs::exists(dir / "x"));
  EXPECT_EQ(test::ReadBytes(dir / "file"), "x");
}

TEST(AdminDemo, MakesAConsistentSampleThatTheShellOpensWithTheKey) {
  test::TempDir dir;
  const CommandResult run = Admin("demo " + Quote(dir.path()));
  ASSERT_EQ(run.status, 0) << run.output;
  const fs::path file = app::DatabasePath(dir.path());
  EXPECT_NE(test::ReadBytes(file).substr(0, 15), "SQLite format 3");
  for (const std::string key : {"PRAGMA key='Quiet river stone';\n", ""}) {
    test::WriteBytes(dir / "input.sql", key + "SELECT g_name FROM groups;\n");
    const CommandResult shell =
        Shell("sqlcipher " + Quote(file) + " < " + Quote(dir / "input.sql"));
    EXPECT_EQ(shell.status == 0, !key.empty()) << shell.output;
    EXPECT_EQ(shell.output.find("Year 5 Willow") != std::string::npos, !key.empty());
    EXPECT_EQ(shell.output.find("not a database") != std::string::npos, key.empty());
  }

  const auto db = platform::OpenDatabase(app::DatabasePath(dir.path()));
  const std::vector<std::string> groups = database::QueryGroupList(*db);
  ASSERT_GE(groups.size(), 3u);
  const textdata::TaggedText setup(
      *files::ReadFile(app::SetupDataPath(dir.path()), files::kTextFileCap));

  // Group index g is the list position + 1; one group allows every kind, one none, one has a size
  // class outside the table; the placeholder (index 0) allows nothing.
  std::set<int> allowedCounts;  // how many kinds each group allows
  bool sizeOutside = false;
  for (long g = 0; g <= static_cast<long>(groups.size()); ++g) {
    int allowed = 0;
    for (const std::string kind : {"PRESENTATIONS", "MOVIES", "NARRATIONS"}) {
      allowed += textdata::IsKindAllowed(setup, kind, g) ? 1 : 0;
      sizeOutside |=
          g > 0 && !textdata::GetMaxFileSize(setup, kind + "FS", g, textdata::kMaxFileSizes);
    }
    if (g == 0) {
      EXPECT_EQ(allowed, 0);
    } else {
      allowedCounts.insert(allowed);
    }
  }
  EXPECT_TRUE(allowedCounts.contains(3) && allowedCounts.contains(0) && sizeOutside);
  EXPECT_NE(textdata::CategoryCaption(setup, 1).find('<'), std::string::npos);
  EXPECT_FALSE(textdata::CategoryCaption(setup, 3).empty());

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
    const auto record = app::ReadProfileRecord(profile / textdata::kProfileRecordName);
    withoutRecord += record ? 0 : 1;
    fullRecords +=
        record && std::find(groups.begin(), groups.end(), record->group) != groups.end() &&
        record->categories.size() == 3 && record->categories[0].find("\r\n") != std::string::npos &&
        record->firstName.find("\xC3") != std::string::npos;
  }
  EXPECT_GE(withoutRecord, 1u);
  EXPECT_GE(fullRecords, 1u);
}

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
      {"1001 mov", ""},
  };
  for (const auto& [arguments, expected] : cases) {
    const CommandResult run = Attach(arguments);
    EXPECT_NE(run.status, 0) << arguments;
    EXPECT_NE(run.output.find(expected), std::string::npos) << arguments << ": " << run.output;
  }
  EXPECT_FALSE(fs::exists(Profile("1001") / "mov.avi"));
}

TEST_F(AdminAttach, ImportsAPresentationWholeOrNotAtAll) {
  const auto package = [&](const std::string& name, const std::string& slide) {
    test::PackageWriter writer("[SLIDESHOW]\r\ntotal=1\r\n");
    writer.AddFile("slide_1_", "one.jpg", slide);
    writer.Write(dir_ / "files" / name);
    return Quote(dir_ / "files" / name);
  };
  const fs::path folder =
      dir_ / "install" / "Slideshows" / "Year 5 Willow Dubois-Laurent Émile 1001";
  const CommandResult first = Attach("1001 pres " + package("show.kvs", "slide one"));
  EXPECT_EQ(first.status, 0) << first.output;
  EXPECT_EQ(test::ReadBytes(folder / "one.jpg"), "slide one");
  test::WriteBytes(folder / "extra.txt", "x");
  const test::Tree profile = test::Snapshot(Profile("1001"));
  const test::Tree slideshow = test::Snapshot(folder);

  const std::string second = package("second.kvs", "slide two");
  const std::pair<std::string, std::string> refusals[] = {
      {"1001 pres " + File("notes.kvs", 3000), "is not a slideshow package"},
      {"1001 pres " + second, "the slideshow already there was kept"},
  };
  for (const auto& [arguments, expected] : refusals) {
    const CommandResult run = Attach(arguments);
    EXPECT_NE(run.status, 0) << arguments;
    EXPECT_NE(run.output.find(expected), std::string::npos) << run.output;
    EXPECT_EQ(test::Snapshot(Profile("1001")), profile) << "the copy stays with its slideshow";
    EXPECT_EQ(test::Snapshot(folder), slideshow);
  }

  // A full disk: nothing half-written is taken for the new slideshow.
  const CommandResult full = Shell("trap '' XFSZ; ulimit -f 1; " + std::string(VT_ADMIN_PATH) +
                                   " attach " + Quote(dir_ / "install") + " 1001 pres " +
                                   package("big.kvs", std::string(5000, 'b')) + " --yes");
  EXPECT_NE(full.status, 0);
  EXPECT_NE(full.output.find("could not be imported completely"), std::string::npos) << full.output;
  EXPECT_NE(full.output.find("file too large"), std::string::npos) << full.output;
  EXPECT_EQ(test::Snapshot(Profile("1001")), profile);
  EXPECT_EQ(test::Snapshot(folder), slideshow);

  const CommandResult replaced = Attach("1001 pres " + second + " --yes");
  EXPECT_EQ(replaced.status, 0) << replaced.output;
  EXPECT_EQ(test::Snapshot(folder),
            (test::Tree{{"one.jpg", "slide two"},
                        {"slideshow.dat", test::ReadBytes(folder / "slideshow.dat")}}));
  EXPECT_EQ(test::ReadBytes(Profile("1001") / "pres.kvs"),
            test::ReadBytes(dir_ / "files" / "second.kvs"));
}

TEST_F(AdminAttach, PhotoIsResizedIntoTheProfileFrameAsTheWizardDoesIt) {
  test::SavePicture(test::Quadrants(600, 1200), dir_ / "files" / "me.png", "png");
  const CommandResult run =
      Admin("photo " + Quote(dir_ / "install") + " 1001 " + Quote(dir_ / "files" / "me.png"));
  ASSERT_EQ(run.status, 0) << run.output;
  const QImage photo = test::ReadJpeg(Profile("1001") / "image.fwi");
  ASSERT_EQ(photo.size(), QSize(280, 427));
  test::ExpectQuadrantsAt(photo, {0, -66, 280, 560});
}

TEST_F(AdminAttach, PhotoThatCannotBeMadeLeavesTheOldOneAndFails) {
  test::WriteBytes(Profile("1001") / "image.fwi", "old photo");
  const std::string install = Quote(dir_ / "install");
  const std::pair<std::string, std::string> cases[] = {
      {"1001 " + File("notes.jpg", 100), "notes.jpg is not a picture"},
      {"1001 " + Quote(dir_ / "files" / "missing.jpg"), "cannot be read: no such file"},
      {"9999 " + File("other.jpg", 100), "no profile folder"},
      {"1001", "takes 3 arguments"},
      {"1001 " + File("a.jpg", 1) + " --yes", "unknown option"},
  };
  for (const auto& [arguments, expected] : cases) {
    const CommandResult run = Admin("photo " + install + " " + arguments);
    EXPECT_NE(run.status, 0) << arguments;
    EXPECT_NE(run.output.find(expected), std::string::npos) << arguments << ": " << run.output;
  }
  EXPECT_EQ(test::ReadBytes(Profile("1001") / "image.fwi"), "old photo");
  EXPECT_FALSE(fs::exists(Profile("9999")));
}

}  // namespace
}  // namespace vt::admin
