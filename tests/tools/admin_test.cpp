#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>
#include <cstdlib>
#include <sstream>

#include "app/paths.h"
#include "database/statements.h"
#include "platform/sqlcipher_database.h"
#include "tests/support/child.h"
#include "tests/support/files.h"
#include "tests/support/package_writer.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"
#include "textdata/setup_data.h"
#include "tools/admin/installation.h"

namespace vt::admin {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;

struct Reply {
  int status;
  std::string output;  // both streams, in the order written
  bool operator==(const Reply&) const = default;
};

// Runs a shell line in `folder`, $A standing for the tool; its output goes to out.txt there.
Reply Shell(const fs::path& folder, const std::string& line) {
  const int status =
      std::system(("cd " + folder.string() + " && A='stdbuf -o0 " VT_ADMIN_PATH "' && (" + line +
                   ") >out.txt 2>&1")
                      .c_str());
  return {WEXITSTATUS(status), test::ReadBytes(folder / "out.txt")};
}

// The cells of the README's table whose first heading is `heading`.
Rows ReadmeTable(const std::string& heading) {
  std::istringstream readme(test::ReadBytes(VT_README_PATH));
  std::string line;
  while (std::getline(readme, line) && !line.starts_with("| " + heading + " |")) {
  }
  Rows rows;
  std::getline(readme, line);  // |---|
  while (std::getline(readme, line) && line.starts_with("| ")) {
    rows.emplace_back();
    for (std::size_t at = 2, end; (end = line.find(" |", at)) != std::string::npos; at = end + 3) {
      rows.back().push_back(line.substr(at, end - at));
    }
  }
  return rows;
}

TEST(AdminDemo, MakesTheGroupsAndPersonsTheReadmeDescribes) {
  const test::TempDir dir;
  ASSERT_EQ(Shell(dir.path(), "$A demo .").status, 0);
  const auto db = platform::OpenDatabase(app::DatabasePath(dir.path()));
  const textdata::TaggedText setup(test::ReadBytes(app::SetupDataPath(dir.path())));
  Rows groups;  // index | group | presentation | movie | narration
  for (const std::string& name : database::QueryGroupList(*db)) {
    const long g = static_cast<long>(groups.size()) + 1;
    groups.push_back({std::to_string(g), name});
    for (const std::string kind : {"PRESENTATIONS", "MOVIES", "NARRATIONS"}) {
      const auto mb = textdata::GetMaxFileSize(setup, kind + "FS", g, textdata::kMaxFileSizes);
      groups.back().push_back(!textdata::IsKindAllowed(setup, kind, g) ? "no"
                              : mb ? "allowed, " + std::to_string(*mb) + " MB"
                                   : "allowed, size class " +
                                         setup.Value(kind + "FS_" + std::to_string(g)) +
                                         " (no limit value: 0 MB)");
    }
  }
  EXPECT_EQ(groups, ReadmeTable("index"));

  const auto persons = db->Execute(
      "SELECT p_id, p_fname || ' ' || p_lname AS name, (SELECT group_concat(g_name, ', ') FROM "
      "(SELECT g_name FROM group_persons JOIN groups ON g_id = g_p_g_id WHERE g_p_p_id = p_id "
      "ORDER BY g_id)) AS m FROM persons ORDER BY p_id");
  Rows people;  // profile | person | memberships | whether it has a profile record
  for (std::size_t i = 0; i < persons->RowCount(); ++i) {
    const fs::path record = dir / "Profile" / *persons->Field(i, "p_id") / "pr.dat";
    people.push_back({*persons->Field(i, "p_id"), *persons->Field(i, "name"),
                      persons->Field(i, "m").value_or(""),
                      fs::exists(record) ? "a record" : "none"});
  }
  Rows readme = ReadmeTable("profile");
  for (auto& row : readme) {
    row.back() = row.back().starts_with("none") ? "none" : "a record";
  }
  EXPECT_EQ(people, readme);
}

// The demo installation "in", person 1001 with a photo and a slideshow, and the organiser's files.
class Admin : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(MakeDemoInstallation(dir / "in", false));
    test::WriteBytes(dir / "in/Profile/1001/image.fwi", "old photo");
    test::WriteBytes(slide, "old slide");
    for (const auto& [name, size] : {std::pair{"a.avi", 10},
                                     {"b.lnk", 3},
                                     {"c.mp3", 2'000'001},
                                     {"d.kvs", 3000},
                                     {"e.jpg", 100}}) {
      test::WriteBytes(dir / name, std::string(static_cast<std::size_t>(size), 'x'));
    }
    test::PackageWriter package("[SLIDESHOW]\r\ntotal=1\r\n");
    package.AddFile("slide_1_", "one.jpg", "new slide" + std::string(5000, ' '));
    package.Write(dir / "show.kvs");
    QImage(600, 1200, QImage::Format_RGB32).save(QString::fromStdString((dir / "me.png").string()));
  }

  Reply Run(const std::string& line) { return Shell(dir.path(), line); }

  const test::TempDir dir;
  const fs::path slide = dir / "in/Slideshows/Year 5 Willow Dubois-Laurent Émile 1001/one.jpg";
};

TEST_F(Admin, MakesInstallationsAndTakesFiles) {
  EXPECT_EQ(Run("$A init new/deeper"), (Reply{0, "Empty installation made in new/deeper\n"}));
  test::Tree made = test::Snapshot(dir / "new/deeper");
  EXPECT_EQ(made.erase("pf.db"), 1u);
  EXPECT_EQ(made, (test::Tree{{"Profile", "<dir>"},
                              {"Slideshows", "<dir>"},
                              {"Vellumtide", "<dir>"},
                              {"Vellumtide/pr.dat", ""}}));
  EXPECT_EQ(Run("$A attach in 1001 mov a.avi"), (Reply{0, "Attached a.avi as mov of 1001\n"}));
  EXPECT_EQ(test::ReadBytes(dir / "in/Profile/1001/mov.avi"), std::string(10, 'x'));
  EXPECT_EQ(Run("$A photo in 1001 me.png"), (Reply{0, "Made me.png the profile photo of 1001\n"}));
  EXPECT_EQ(QImage(QString::fromStdString((dir / "in/Profile/1001/image.fwi").string())).size(),
            QSize(280, 427));
  EXPECT_EQ(Run("$A attach in 1001 pres show.kvs --yes").status, 0);
  EXPECT_EQ(test::ReadBytes(slide).substr(0, 9), "new slide");
  // Forced, every part of the earlier installation goes.
  test::WriteBytes(dir / "in/Vellumtide/old.txt", "old");
  EXPECT_EQ(Run("$A demo --force in").status, 0);
  EXPECT_EQ(test::Snapshot(dir / "in/Profile/1001").size(), 1u) << "pr.dat alone";
  EXPECT_FALSE(fs::exists(dir / "in/Vellumtide/old.txt"));
}

struct Refusal {
  std::string name;
  std::string line;
  int status;
  std::string said;
};

class AdminRefuses : public Admin, public ::testing::WithParamInterface<Refusal> {};

TEST_P(AdminRefuses, SaysWhyAndLeavesTheInstallationAsItWas) {
  const test::Tree before = test::Snapshot(dir / "in");
  const Reply reply = Run(GetParam().line);
  EXPECT_EQ(reply.status, GetParam().status) << reply.output;
  EXPECT_NE(reply.output.find(GetParam().said), std::string::npos) << reply.output;
  EXPECT_EQ(test::Snapshot(dir / "in"), before);
}

const Refusal kRefusals[] = {
    {"NoCommand", "$A", 2, "vellumtide-admin: no command given\nUsage:"},
    {"UnknownCommand", "$A build in", 2, "unknown command 'build'"},
    {"NoFolder", "$A init", 2, "init takes 1 folder"},
    {"EmptyFolder", "$A demo ''", 2, "demo takes 1 folder"},
    {"OptionOfAnother", "$A photo in 1001 me.png --yes", 2, "unknown option '--yes'"},
    {"TooFewOperands", "$A attach in 1001 mov", 2, "attach takes 4 arguments"},
    {"OverDatabase", "mkdir x; touch x/pf.db; $A init x", 1,
     "x already holds an installation (pf.db); add --force"},
    {"OverSetupData", "mkdir -p x/Vellumtide; $A init x", 1, "(Vellumtide); add --force"},
    {"OverProfiles", "mkdir -p x/Profile; $A demo x", 1, "(Profile); add --force"},
    {"OverAFile", "$A init a.avi", 1, "cannot make a.avi: "},
    {"KindNotAllowed", "$A attach in 1003 mov a.avi", 1, "'Chess & Go Club' does not allow movie"},
    {"UnknownKind", "$A attach in 1001 photo a.avi", 1, "unknown kind 'photo'"},
    {"NoProfile", "$A attach in 9999 mov a.avi", 1, "no profile folder for '9999' in in/Profile"},
    {"ProfileOutside", "$A attach in ../1001 mov a.avi", 1, "no profile folder for '../1001'"},
    {"MissingFile", "$A attach in 1001 mov gone.avi", 1, "cannot read gone.avi: "},
    {"Shortcut", "$A attach in 1001 mov b.lnk", 1, "b.lnk is a shortcut link"},
    {"OverTheLimit", "$A attach in 1001 nar c.mp3", 1,
     "c.mp3 is over the narration limit of the group 'Year 5 Willow'"},
    {"NotAPackage", "$A attach in 1001 pres d.kvs", 1, "d.kvs is not a slideshow package"},
    {"SlideshowKept", "$A attach in 1001 pres show.kvs", 1,
     "1001' ?\n  answered No\nvellumtide-admin: the slideshow already there was kept\n"},
    {"DiskFull", "trap '' XFSZ; ulimit -f 1; $A attach in 1001 pres show.kvs --yes", 1,
     "could not be imported completely"},
    {"NotAPicture", "$A photo in 1001 e.jpg", 1, "e.jpg is not a picture; "},
    {"PhotoWithoutProfile", "$A photo in 9999 me.png", 1, "no profile folder for '9999'"},
};
INSTANTIATE_TEST_SUITE_P(Commands, AdminRefuses, ::testing::ValuesIn(kRefusals), test::RowName());

}  // namespace
}  // namespace vt::admin
