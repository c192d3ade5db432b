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
using namespace vt::test;

// The rows of the README's table whose first heading is `heading`, each with its line end.
std::string ReadmeTable(const std::string& heading) {
  const std::string readme = ReadBytes(VT_README_PATH);
  const std::size_t rows = readme.find("|\n", readme.find("\n|---", readme.find(heading))) + 2;
  return readme.substr(rows, readme.find("\n\n", rows) + 1 - rows);
}

// The demo installation "in", person 1001 with a photo and a slideshow, and the organiser's files.
class Admin : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(MakeDemoInstallation(dir / "in", false));
    WriteBytes(dir / "in/Profile/1001/image.fwi", "old photo");
    WriteBytes(slide, "old slide");
    ASSERT_EQ(Run("truncate -s 10 a.avi && truncate -s 3 b.lnk && truncate -s 2000001 c.mp3 && "
                  "truncate -s 3000 d.kvs && truncate -s 100 e.jpg"),
              "0 ");
    PackageWriter package("[SLIDESHOW]\r\ntotal=1\r\n");
    package.AddFile("slide_1_", "one.jpg", "new slide" + std::string(5000, ' '));
    package.Write(dir / "show.kvs");
    QImage(600, 1200, QImage::Format_RGB32).save(QString::fromStdString((dir / "me.png").string()));
  }

  // Runs a shell line in the test folder, $A standing for the tool: its exit status, a blank, and
  // what it wrote to both streams in the order written.
  std::string Run(const std::string& line) {
    const int status =
        std::system(("cd " + dir.path().string() + " && A='stdbuf -o0 " VT_ADMIN_PATH "' && (" +
                     line + ") >out.txt 2>&1")
                        .c_str());
    return std::to_string(WEXITSTATUS(status)) + " " + ReadBytes(dir / "out.txt");
  }

  const TempDir dir;
  const fs::path slide = dir / "in/Slideshows/Year 5 Willow Dubois-Laurent Émile 1001/one.jpg";
};

TEST_F(Admin, TheDemoHoldsTheGroupsAndPersonsTheReadmeDescribes) {
  const auto db = platform::OpenDatabase(app::DatabasePath(dir / "in"));
  const textdata::TaggedText setup(ReadBytes(app::SetupDataPath(dir / "in")));
  std::string groups;  // index | group | presentation | movie | narration
  long g = 0;
  for (const std::string& name : database::QueryGroupList(*db)) {
    groups += "| " + std::to_string(++g) + " | " + name;
    for (const std::string kind : {"PRESENTATIONS", "MOVIES", "NARRATIONS"}) {
      const auto mb = textdata::GetMaxFileSize(setup, kind + "FS", g, textdata::kMaxFileSizes);
      groups += !textdata::IsKindAllowed(setup, kind, g) ? " | no"
                : mb ? " | allowed, " + std::to_string(*mb) + " MB"
                     : " | allowed, size class " + setup.Value(kind + "FS_" + std::to_string(g)) +
                           " (no limit value: 0 MB)";
    }
    groups += " |\n";
  }
  EXPECT_EQ(groups, ReadmeTable("| index |"));
  // profile | person | memberships | "none", or what the profile record holds
  const auto persons = db->Execute(
      "SELECT p_id, '| ' || p_id || ' | ' || p_fname || ' ' || p_lname || ' | ' || coalesce(("
      "SELECT group_concat(g_name, ', ') FROM (SELECT g_name FROM group_persons JOIN groups ON "
      "g_id = g_p_g_id WHERE g_p_p_id = p_id ORDER BY g_id)), '') || ' | ' AS row FROM persons "
      "ORDER BY p_id");
  std::istringstream readme(ReadmeTable("| profile |"));
  std::string line;
  for (std::size_t i = 0; i < persons->RowCount(); ++i) {
    const std::string row = *persons->Field(i, "row");
    const bool record = fs::exists(dir / "in/Profile" / *persons->Field(i, "p_id") / "pr.dat");
    EXPECT_TRUE(std::getline(readme, line) && line.starts_with(row)) << row;
    EXPECT_NE(line.substr(row.size()).starts_with("none"), record) << line;
  }
  EXPECT_FALSE(std::getline(readme, line)) << "a person more in the README";
}

TEST_F(Admin, MakesInstallationsAndTakesFiles) {
  EXPECT_EQ(Run("$A init new/deeper"), "0 Empty installation made in new/deeper\n");
  Tree made = Snapshot(dir / "new/deeper");
  EXPECT_EQ(made.erase("pf.db"), 1u);
  EXPECT_EQ(made, (Tree{{"Profile", "<dir>"},
                        {"Slideshows", "<dir>"},
                        {"Vellumtide", "<dir>"},
                        {"Vellumtide/pr.dat", ""}}));
  EXPECT_EQ(Run("$A attach in 1001 mov a.avi"), "0 Attached a.avi as mov of 1001\n");
  EXPECT_EQ(ReadBytes(dir / "in/Profile/1001/mov.avi"), std::string(10, '\0'));
  EXPECT_EQ(Run("$A photo in 1001 me.png"), "0 Made me.png the profile photo of 1001\n");
  EXPECT_EQ(QImage(QString::fromStdString((dir / "in/Profile/1001/image.fwi").string())).size(),
            QSize(280, 427));
  EXPECT_TRUE(Run("$A attach in 1001 pres show.kvs --yes").starts_with("0 "));
  EXPECT_EQ(ReadBytes(slide).substr(0, 9), "new slide");
  // Forced, every part of the earlier installation goes.
  WriteBytes(dir / "in/Vellumtide/old.txt", "old");
  EXPECT_EQ(Run("$A demo --force in"), "0 Demo installation made in in\n");
  EXPECT_EQ(Snapshot(dir / "in/Profile/1001").size(), 1u) << "pr.dat alone";
  EXPECT_FALSE(fs::exists(dir / "in/Vellumtide/old.txt"));
}

// A command the tool refuses: its exit status and words of what it says.
struct Refusal {
  std::string name, line;
  int status;
  std::string said;
};

class AdminRefuses : public Admin, public ::testing::WithParamInterface<Refusal> {};

TEST_P(AdminRefuses, SaysWhyAndLeavesTheInstallationAsItWas) {
  const Tree before = Snapshot(dir / "in");
  const std::string reply = Run(GetParam().line);
  EXPECT_TRUE(reply.starts_with(std::to_string(GetParam().status) + " ")) << reply;
  EXPECT_NE(reply.find(GetParam().said), std::string::npos) << reply;
  EXPECT_EQ(Snapshot(dir / "in"), before);
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
    {"NoGroupYet", "$A attach in 1002 mov a.avi", 1, "no group is chosen for this person yet"},
    {"UnknownKind", "$A attach in 1001 photo a.avi", 1, "unknown kind 'photo'"},
    {"NoProfile", "$A attach in 9999 mov a.avi", 1, "no profile folder for '9999' in in/Profile"},
    {"ProfileOutside", "$A attach in ../Profile/1001 mov a.avi", 1, "for '../Profile/1001'"},
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
INSTANTIATE_TEST_SUITE_P(Commands, AdminRefuses, ::testing::ValuesIn(kRefusals), RowName());

}  // namespace
}  // namespace vt::admin
