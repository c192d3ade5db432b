#include <gtest/gtest.h>

#include <fnmatch.h>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>

#include <regex>

#include "app/paths.h"
#include "app/record_files.h"
#include "database/statements.h"
#include "platform/sqlcipher_database.h"
#include "tests/imaging/pictures.h"
#include "tests/support/child.h"
#include "tests/support/files.h"
#include "tests/support/package_writer.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"
#include "textdata/setup_data.h"
#include "tools/admin/attach.h"
#include "tools/admin/export.h"
#include "tools/admin/installation.h"
#include "tools/admin/photos.h"
#include "tools/admin/roster.h"
#include "tools/admin/status.h"

namespace vt::admin {
namespace {

namespace fs = std::filesystem;
using namespace vt::test;
using namespace std::chrono_literals;
using Records = std::vector<std::vector<std::string>>;

// The fields under `headings` of every CSV record, a line each. The CSV is read strictly (quotes
// doubled inside quoted fields, every record ending in CR LF); the JSON, read back as CSV records
// (yes/no for a boolean, digits for a number, nothing for null), must match it in full.
std::string Fields(const std::string& text, const std::string& json,
                   const std::vector<std::string>& headings) {
  static const std::regex kField("(?:\"((?:[^\"]|\"\")*)\"|([^,\"\r\n]*))(,|\r\n)");
  Records csv(1);  // ending in an empty record after the last CR LF
  std::size_t read = 0;
  std::sregex_iterator m(text.begin(), text.end(), kField, std::regex_constants::match_continuous);
  for (; m != std::sregex_iterator(); ++m) {
    csv.back().push_back(m->str(2) + std::regex_replace(m->str(1), std::regex("\"\""), "\""));
    csv.resize(csv.size() + ((*m)[3] == "\r\n"));
    read += std::size_t(m->length());
  }
  EXPECT_EQ(read, text.size()) << "not CSV from here:\n" << text.substr(read);
  Records fromJson{csv.front()};
  for (const QJsonValue entry : QJsonDocument::fromJson(QByteArray::fromStdString(json)).array()) {
    for (std::vector<std::string>& fields = fromJson.emplace_back(); const auto& h : csv.front()) {
      const QJsonValue value = entry[QString::fromStdString(h)];
      fields.push_back(value.isBool()     ? (value.toBool() ? "yes" : "no")
                       : value.isDouble() ? std::to_string(value.toInteger())
                                          : value.toString().toStdString());
    }
  }
  EXPECT_EQ(fromJson, Records(csv.begin(), csv.end() - 1));
  std::string fields;
  for (std::size_t r = 1; r + 1 < csv.size(); ++r) {
    for (const std::string& heading : headings) {
      const auto at = std::find(csv[0].begin(), csv[0].end(), heading) - csv[0].begin();
      fields += csv[r].at(std::size_t(at)) + (&heading == &headings.back() ? "\n" : ", ");
    }
  }
  return fields;
}

// The rows of the README's table whose first heading is `heading`, each with its line end.
std::string ReadmeTable(const std::string& heading) {
  const std::string readme = ReadBytes(VT_README_PATH);
  const std::size_t rows = readme.find("|\n", readme.find("\n|---", readme.find(heading))) + 2;
  return readme.substr(rows, readme.find("\n\n", rows) + 1 - rows);
}

// The tool runs in "w": the demo installation "in", person 1001 with a photo and a slideshow, a
// damaged installation "bad", the organiser's files and pictures named after persons in "pics".
class Admin : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(MakeDemoInstallation(in, false));
    WriteBytes(pics / "1001.jpg", PictureBytes(Quadrants(600, 900), "jpg"));
    WriteBytes(in / "Slideshows/Year 5 Willow Dubois-Laurent Émile 1001/one.jpg", "old slide");
    ASSERT_EQ(Run("mkdir bad && echo x | tee bad/pf.db pics/notes.txt in/Profile/1001/image.fwi "
                  "&& truncate -s 10 a.avi b.lnk d.kvs && truncate -s 2000001 c.mp3"),
              "0 x\n");
    PackageWriter package("[SLIDESHOW]\r\ntotal=1\r\n");
    package.AddFile("slide_1_", "one.jpg", "new slide" + std::string(5000, ' '));
    package.Write(w / "show.kvs");
  }

  // Runs a shell line in "w", $A standing for the tool: its exit status, a blank, and what it
  // wrote to both streams in the order written.
  std::string Run(const std::string& line) const {
    return Shell("cd " + w.string() + " && A='stdbuf -o0 " VT_ADMIN_PATH "' && (" + line + ")");
  }

  const TempDir dir;
  const fs::path w = dir / "w", in = w / "in", pics = w / "pics";
};

TEST_F(Admin, TheDemoHoldsTheGroupsAndPersonsTheReadmeDescribes) {
  const auto db = platform::OpenDatabase(app::DatabasePath(in));
  const textdata::TaggedText setup(ReadBytes(app::SetupDataPath(in)));
  std::string groups, persons;  // index | group | presentation | movie | narration
  for (long g = 0; const std::string& name : database::QueryGroupList(*db)) {
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
  // profile | person | memberships | "none", or blank where there is a profile record
  const auto rows = db->Execute(
      "SELECT '| ' || p_id || ' | ' || p_fname || ' ' || p_lname || ' | ' || coalesce((SELECT "
      "group_concat(g_name, ', ') FROM (SELECT g_name FROM group_persons JOIN groups ON "
      "g_id=g_p_g_id WHERE g_p_p_id=p_id ORDER BY g_id)), '') || ' | ' AS row FROM persons "
      "ORDER BY p_id");
  for (std::size_t i = 0; i < rows->RowCount(); ++i) {
    const std::string row = *rows->Field(i, "row");
    persons += row + (fs::exists(in / "Profile" / row.substr(2, 4) / "pr.dat") ? "\n" : "none\n");
  }
  EXPECT_EQ(persons, std::regex_replace(ReadmeTable("| profile |"),
                                        std::regex("\\| (none)?[^|\n]*\\|\n"), "| $1\n"));
}

TEST_F(Admin, MakesInstallationsAndTakesFiles) {
  // Empty folders and setup data beside a database.
  EXPECT_EQ(Run("$A init new/deeper && cd new/deeper && find * -empty | sort && test -s pf.db"),
            "0 Empty installation made in new/deeper\nProfile\nSlideshows\nVellumtide/pr.dat\n");
  EXPECT_EQ(Run("$A attach in 1001 mov a.avi && cmp a.avi in/Profile/1001/mov.avi && $A photo "
                "in 1001 pics/1001.jpg && $A attach in 1001 pres show.kvs --yes >/dev/null && "
                "head -c9 in/Slideshows/*/one.jpg"),
            "0 Attached a.avi as mov of 1001\nMade pics/1001.jpg the profile photo of 1001\n"
            "new slide");
  EXPECT_EQ(QImage(QString::fromStdString((in / "Profile/1001/image.fwi").string())).size(),
            QSize(280, 427));
  // Forced, every part of the earlier installation goes: an old slideshow would pass for a new
  // person's.
  EXPECT_EQ(
      Run("touch in/Vellumtide/old.txt && $A demo --force in && cd in && "
          "find Profile/1001 Slideshows Vellumtide | sort"),
      "0 Demo installation made in in\nProfile/1001\nProfile/1001/pr.dat\nSlideshows\nVellumtide\n"
      "Vellumtide/pr.dat\n");
}

// With photos, movies, a blank text, a record at odds with it, a slideshow and a tighter movie
// limit.
TEST_F(Admin, StatusShowsEachEntryAsTheWizardWouldOpenIt) {
  ASSERT_EQ(Run("cd in/Profile && truncate -s 3000000 1001/mov.avi && echo >1003/mov.avi && "
                "touch 1005/image.fwi && sed -i '1s|^|<MOVIESFS_1>1</MOVIESFS_1>|' "
                "../Vellumtide/pr.dat && printf '[SLIDESHOW]\\r\\ntotal=4\\r\\n' "
                ">'../Slideshows/Year 5 Willow Dubois-Laurent Émile 1001/slideshow.dat'"),
            "0 ");
  ASSERT_TRUE(app::WriteProfileRecord(in / "Profile/1003/pr.dat",
                                      {"Chess & Go Club", "Zoë", "O'brien", {"Go", " \t\r\n"}}));
  ASSERT_TRUE(app::WriteProfileRecord(in / "Profile/1004/pr.dat",
                                      {"Year 5 Willow", "Jonas", "Mueller", {}}));
  // CSV and JSON go to other programs: their summary goes apart.
  EXPECT_EQ(Run("$A status in --format=json 2>&1 >/dev/null"),
            "0 Persons: 5, complete: 1, without a photo: 3, attachments over today's limit: 2\n");
  const std::string csv = Run("$A status in --format csv 2>/dev/null").substr(2),
                    json = Run("$A status in --format json 2>/dev/null").substr(2);
  EXPECT_EQ(
      Fields(csv, json,
             {"categories_filled", "group_listed", "membership_agrees", "mov_limit",
              "mov_over_limit", "record_last_name", "slides", "mov_file", "mov_size"}),
      "3, yes, yes, 2 MB, yes, , 4, mov.avi, 3000000\n"  // complete, its movie over the limit
      "0, no, no, not allowed, no, , , , \n"             // no record
      "1, yes, yes, not allowed, yes, O'brien, , mov.avi, 1\n"  // a blank text, a movie not allowed
      "0, yes, no, 2 MB, no, Mueller, , , \n"                   // not in the record's group
      "3, no, no, not allowed, no, , , , \n");                  // group not listed: nothing allowed
  // The first person's, up to the century of the photo's time.
  EXPECT_EQ(Fields(csv, json, {"pres_limit", "nar_limit", "slideshow", "photo_time"}).substr(0, 68),
            "10 MB, 2 MB, Slideshows/Year 5 Willow Dubois-Laurent Émile 1001, 20");

  const std::string table = Run("$A status in");
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 1 + 5 + 3) << "and legend, summary";
  for (std::size_t i = 0, width = 0; i < table.size(); ++i) {
    ASSERT_LT(width = table[i] == '\n' ? 0 : width + ((table[i] & 0xC0) != 0x80), 80u) << table;
  }
  // The summary's wording is pinned above; the line count holds it here.
  for (const char* shown :
       {"\n1004     *Müller, Jon… !Year 5 Wil… 0/3", " OVER ", " ?Former Cla…", "0 ID  "}) {
    EXPECT_NE(table.find(shown), std::string::npos) << shown << " in\n" << table;
  }
}

// A generated school: 500 persons inserted in reverse order, texts with quotes, commas, line
// breaks, tabs and emoji, every fifth without a record, every third with a photo.
TEST_F(Admin, StatusAndExportCoverEveryPersonOfASchool) {
  const fs::path school = w / "school";
  ASSERT_TRUE(InitInstallation(school, false));
  WriteBytes(app::SetupDataPath(school),
             "<CATEGORIES_1><b>Me</b>, now</CATEGORIES_1><CATEGORIES_2>You &amp; I</CATEGORIES_2>");
  const auto db = platform::OpenDatabase(app::DatabasePath(school));
  ASSERT_TRUE(db->Execute("INSERT INTO groups VALUES (1, 'Class A'), (2, 'Class B')"));
  ASSERT_TRUE(db->Execute(
      "WITH RECURSIVE n(i) AS (SELECT 500 UNION ALL SELECT i - 1 FROM n WHERE i > 1) "
      "INSERT INTO persons SELECT printf('P%04d', i), 'First' || i, 'Last, ' || i FROM n"));
  // P0500 came first, as rowid 1: odd numbers are in class A.
  ASSERT_TRUE(db->Execute("INSERT INTO group_persons SELECT 1 + rowid % 2, p_id FROM persons"));
  std::string expected;
  for (std::size_t i = 1; i <= 500; ++i) {
    const std::string n = std::to_string(i), id = "P" + std::to_string(10000 + i).substr(1),
                      group = i % 2 ? "Class A" : "Class B", motto = "Say \"hi\",\n\t🎓 " + n;
    const fs::path profile = school / "Profile" / id;
    fs::create_directories(profile);
    if (i % 5 != 0) {
      ASSERT_TRUE(app::WriteProfileRecord(
          profile / "pr.dat",
          {group, "First" + n, "Last, " + n, {motto, i % 7 ? "" : "Travel\r\nand sport"}}));
    }
    if (i % 3 == 0) {
      WriteBytes(profile / "image.fwi", "photo");
    }
    // Without a record the database's group and names stand in.
    expected += id + ", " + group + ", Last, " + n + ", " + (i % 5 ? motto : "") +
                (i % 7 || i % 5 == 0 ? ", , " : ", Travel\nand sport, ") +
                (i % 3 ? "" : "Profile/" + id + "/image.fwi") + "\n";
  }

  EXPECT_EQ(
      Run("$A export school s.csv && $A export school s.JSON && $A status school | tail -n1"),
      "0 Wrote every entry to s.csv\nWrote every entry to s.JSON\n"
      "Persons: 500, complete: 19, without a photo: 334, attachments over today's limit: 0\n");
  EXPECT_EQ(Fields(ReadBytes(w / "s.csv"), ReadBytes(w / "s.JSON"),
                   {"id", "group", "last_name", "Me, now", "You & I", "photo"}),
            expected);
}

TEST_F(Admin, PhotosMakesEachPersonsPhotoAsPhotoDoesAndRefusesTheRestByName) {
  // A copy takes 1001's photo by itself; of the pictures only 1001.jpg and the damaged 1003.jpg
  // get as far as being read.
  ASSERT_EQ(Run("cp -r in c && $A photo c 1001 pics/1001.jpg && rm -r in/Profile/1002 && touch "
                "in/Profile/1003/image.fwi pics/1002.png pics/1005.png && cd pics && head -c2000 "
                "1001.jpg >1003.jpg && mkfifo 1004.gif && mkdir 1004 && ln -s 1001.jpg 1005.jpg"),
            "0 Made pics/1001.jpg the profile photo of 1001\n");
  Tree before = Snapshot(in);
  before["Profile/1001/image.fwi"] = ReadBytes(w / "c/Profile/1001/image.fwi");

  const std::string out = Run("$A photos in pics --jobs 2");

  // The exit status and what follows the last progress line.
  EXPECT_EQ(out.substr(0, 2) + out.substr(out.rfind(" pictures a second\n") + 19),
            "1 vellumtide-admin: 1002.png: no profile folder for '1002' in in/Profile\n"
            "vellumtide-admin: 1003.jpg: pics/1003.jpg is damaged: it ends before its picture "
            "does; in/Profile/1003/image.fwi was left as it was\n"
            "vellumtide-admin: 1004.gif: pics/1004.gif is not a regular file, not a picture\n"
            "vellumtide-admin: 1005.jpg: pics/1005.jpg is a link, not a picture\n"
            "vellumtide-admin: 1005.png: 2 pictures here are named 1005: none of them was taken\n"
            "Matching nobody (1):\n  notes.txt\n"
            "vellumtide-admin: 5 pictures of 6 failed; 1 profile photo made\n");
  EXPECT_EQ(Snapshot(in), before);
}

TEST_F(Admin, PhotosShowProgressInOneLineOnATerminal) {
  WriteBytes(pics / "1002.jpg", PictureBytes(Quadrants(600, 900), "jpg"));
  ASSERT_TRUE(platform::OpenDatabase(app::DatabasePath(in))  // as an older program stored it
                  ->Execute("UPDATE persons SET p_lname = CAST(X'4DFC6C6C6572' AS TEXT) "
                            "WHERE p_id = '1004'"));
  std::FILE* terminal = std::fopen((dir / "shown").c_str(), "w");
  ChangePhotos(in, pics, {2, true}, terminal, stderr);
  std::fclose(terminal);
  EXPECT_TRUE(std::regex_match(
      ReadBytes(dir / "shown"),
      std::regex("\r1/2 done, [0-9.]+ pictures a second, [0-9]+ s left\033\\[K"
                 "\r2/2 done, [0-9.]+ pictures a second\033\\[K\nMatching nobody[^]+"
                 "\n  1004 Jonas Müller\n[^]+")))
      << ReadBytes(dir / "shown");
  EXPECT_EQ(ProgressText(10, 200, 4s), "10/200 done, 2.5 pictures a second, 1 min 16 s left");
  EXPECT_EQ(ProgressText(3, 10000, 2s), "3/10000 done, 1.5 pictures a second, 1 h 51 min left");
}

// A command line and, after its exit status and a blank, all it says as a shell pattern: "*"
// stands for any text, such as the usage or the wizard's own message boxes.
struct Said {
  std::string name, line, said;
};

class Commands : public Admin, public ::testing::WithParamInterface<Said> {};

TEST_P(Commands, SayExactlyWhatTheyDidAndChangeNothingWhenRefused) {
  const Tree before = Snapshot(in);
  const std::string reply = Run(GetParam().line), said = GetParam().said;
  EXPECT_EQ(::fnmatch(said.c_str(), reply.c_str(), 0), 0) << reply << "is not\n" << said;
  EXPECT_EQ(Snapshot(in), before);
}

const Said kCommands[] = {
    {"NoCommand", "$A", "2 vellumtide-admin: no command given\nUsage:\n*"},
    {"UnknownCommandOnErrorStream", "$A build in >/dev/null || $A help attack",
     "2 vellumtide-admin: unknown command 'build'\nUsage:\n*: unknown command 'attack'\nUsage:\n*"},
    {"TooFewOrEmptyOperands", "$A init || $A demo '' || $A attach in 1001 mov",
     "2 *: init takes 1 folder\n*: demo takes 1 folder\n*: attach takes 4 arguments\n*"},
    {"OptionOfAnother", "$A photo in 1001 a.avi --yes", "2 *: unknown option '--yes'\nUsage:\n*"},
    {"Help", "$A help >../h && $A --help | cmp ../h -", "0 "},
    {"HelpOfOne", "$A help attach", "0   vellumtide-admin attach DIR ID KIND FILE \\[--yes]\n  *"},
    {"PartsOfAnInstallation",
     "mkdir -p v/pf.db x/Vellumtide y/Profile z/Slideshows; "
     "$A status v || $A init v || $A init x || $A demo y || $A init z",
     "1 *: v/pf.db is not a regular file\n*: v already holds an installation (pf.db); add "
     "*(Vellumtide)*(Profile)*(Slideshows); add --force to replace it\n"},
    {"OverAFile", "$A init a.avi", "1 vellumtide-admin: cannot make a.avi: not a directory\n"},
    {"NotAllowedOrOverTheLimit", "$A attach in 1003 mov a.avi || $A attach in 1001 nar c.mp3",
     "1 *: the group 'Chess & Go Club' does not allow movie files\n*\nvellumtide-admin: c.mp3 is "
     "over the narration limit of the group 'Year 5 Willow'\n"},
    {"NoGroupYet", "$A attach in 1002 mov a.avi", "1 *: no group is chosen for this person yet: *"},
    {"Kind", "$A attach in 1 photo a.avi", "1 *: unknown kind 'photo': use pres, mov or nar\n"},
    {"NoProfileOrOutside", "$A attach in 99 mov a.avi || $A attach in ../Profile/1001 mov a.avi",
     "1 *'99' in *: no profile folder for '../Profile/1001' in in/Profile\n"},
    {"MissingFile", "$A attach in 1001 mov gone.avi", "1 *: cannot read gone.avi: *"},
    {"Shortcut", "$A attach in 1001 mov b.lnk", "1 *\n*: b.lnk is a shortcut link\n"},
    {"NotAPackage", "$A attach in 1001 pres d.kvs", "1 *\n*: d.kvs is not a slideshow package\n"},
    {"SlideshowKept", "$A attach in 1001 pres show.kvs",
     "1 *1001' [?]\n  answered No\nvellumtide-admin: the slideshow already there was kept\n"},
    {"DiskFull", "trap '' XFSZ; ulimit -f 1; $A attach in 1001 pres show.kvs --yes",
     "1 *kept.\nvellumtide-admin: cannot copy show.kvs into in/Profile/1001: file too large\n"},
    {"Format", "$A status in --format xml", "2 *: unknown format 'xml': use table, csv or json\n"},
    {"NoInstallationOnErrorStream", "$A status nowhere >/dev/null", "1 *: cannot open nowhere: *"},
    {"Damaged", "$A export bad in/o.json", "1 *: cannot read the database bad/pf.db: *"},
    {"OutFolderMissing", "$A export in in/no/o.json", "1 *: cannot write in/no/o.json: *"},
    {"Extension", "$A export in in/o.txt", "1 *: in/o.txt: the name must end in .csv or .json\n"},
    {"AllPhotosMade", "cp -r in c && $A photos c pics",
     "0 *\nPersons without a picture (4):\n  1002 Ann Lee\n*\nProfile photos made from pics: 1\n"},
    {"JobsOutOfRange", "p() { $A photos in pics --jobs$1; }; p ' 0' || p =1025 || p ' 2x'",
     "2 *: --jobs takes a whole number from 1 to 1024\n*1024\n*1024\n"},
    {"PicturesMissing", "$A photos in gone", "1 *: cannot list the pictures in gone: *"},
    {"PhotosNoOrDamagedInstallation", "$A photos pics pics || $A photos bad pics",
     "1 *: pics is no Vellumtide installation: *bad/pf.db: damaged, or not Vellumtide's\n"},
};
INSTANTIATE_TEST_SUITE_P(Admin, Commands, ::testing::ValuesIn(kCommands), RowName());

}  // namespace
}  // namespace vt::admin
