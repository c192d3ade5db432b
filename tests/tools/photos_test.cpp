#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QImage>
#include <cstdlib>
#include <regex>

#include "tests/support/child.h"
#include "tests/support/files.h"
#include "tests/support/row_name.h"
#include "tests/support/temp_dir.h"
#include "tools/admin/attach.h"
#include "tools/admin/photos.h"

namespace vt::admin {
namespace {

namespace fs = std::filesystem;
using namespace vt::test;
using namespace std::chrono_literals;

void SavePicture(const fs::path& path) {
  QImage image(600, 900, QImage::Format_RGB32);
  image.fill(QColor(30, 120, 200));
  ASSERT_TRUE(image.save(QString::fromStdString(path.string())));
}

// The tool runs in "run": the demo installation "in", a damaged one "bad" and pictures in "pics".
class Photos : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(MakeDemoInstallation(in, false));
    WriteBytes(pics / "notes.txt", "shot on Monday");
    SavePicture(pics / "1001.jpg");
    WriteBytes(dir / "run/bad/pf.db", "not a database");
  }

  // The tool on a shell line, $A standing for it: its exit status, a blank, and both streams.
  std::string Run(const std::string& line) const {
    const std::string shell =
        "cd " + dir.path().string() + "/run && A=" VT_ADMIN_PATH " && (" + line + ") >../out 2>&1";
    const int status = std::system(shell.c_str());
    return std::to_string(WEXITSTATUS(status)) + " " + ReadBytes(dir / "out");
  }

  const TempDir dir;
  const fs::path in = dir / "run/in", pics = dir / "run/pics";
};

TEST_F(Photos, MakesEachPersonsPhotoAsPhotoDoesAndRefusesTheRestByName) {
  SavePicture(pics / "1002.png");
  fs::remove_all(in / "Profile/1002");
  WriteBytes(pics / "1003.jpg", ReadBytes(pics / "1001.jpg").substr(0, 2000));
  WriteBytes(in / "Profile/1003/image.fwi", "old photo");
  ASSERT_EQ(::mkfifo((pics / "1004.gif").c_str(), 0600), 0);
  fs::create_directory(pics / "1004");
  fs::create_symlink("1001.jpg", pics / "1005.jpg");
  SavePicture(pics / "1005.png");
  Tree before = Snapshot(in);

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
  const Tree after = Snapshot(in);
  ASSERT_TRUE(ChangePhoto(in, "1001", pics / "1001.jpg", stdout));
  before["Profile/1001/image.fwi"] = ReadBytes(in / "Profile/1001/image.fwi");
  EXPECT_EQ(after, before);
}

TEST_F(Photos, ShowsProgressInOneLineOnATerminalAndExitsZeroWhenAllWereMade) {
  SavePicture(pics / "1002.jpg");
  std::FILE* terminal = std::fopen((dir / "shown").c_str(), "w");
  ChangePhotos(in, pics, {2, true}, terminal, stderr);
  std::fclose(terminal);
  EXPECT_TRUE(std::regex_match(
      ReadBytes(dir / "shown"),
      std::regex("\r1/2 done, [0-9.]+ pictures a second, [0-9]+ s left\033\\[K"
                 "\r2/2 done, [0-9.]+ pictures a second\033\\[K\nMatching nobody[^]+")))
      << ReadBytes(dir / "shown");
  EXPECT_EQ(ProgressText(10, 200, 4s), "10/200 done, 2.5 pictures a second, 1 min 16 s left");
  EXPECT_EQ(ProgressText(3, 10000, 2s), "3/10000 done, 1.5 pictures a second, 1 h 51 min left");
  const std::string cli = Run("$A photos in pics");
  EXPECT_EQ(cli.substr(0, 2) + cli.substr(cli.rfind(" pictures a second\n") + 19),
            "0 Matching nobody (1):\n  notes.txt\nPersons without a picture (3):\n"
            "  1003 Zoë O'Brien\n  1004 Jonas Müller\n  1005 Maria Åkesson\n"
            "Profile photos made from pics: 2\n");
}

struct Refusal {
  std::string name, line, output;
};
class PhotosRefuse : public Photos, public ::testing::WithParamInterface<Refusal> {};

TEST_P(PhotosRefuse, SaysWhyAndChangesNothing) {
  const Tree before = Snapshot(dir / "run");
  EXPECT_EQ(Run(GetParam().line), GetParam().output);
  EXPECT_EQ(Snapshot(dir / "run"), before);
}

const std::string kJobs = "2 vellumtide-admin: --jobs takes a whole number from 1 to 1024\n";
const Refusal kRefusals[] = {
    {"NoJobs", "$A photos in pics --jobs 0", kJobs},
    {"TooManyJobs", "$A photos in pics --jobs=1025", kJobs},
    {"JobsNoNumber", "$A photos in pics --jobs 2x", kJobs},
    {"MissingFolder", "$A photos in gone",
     "1 vellumtide-admin: cannot list the pictures in gone: no such file or directory\n"},
    {"NoInstallation", "$A photos pics pics",
     "1 vellumtide-admin: pics is no installation: pics/pf.db: no such file or directory\n"},
    {"DamagedDatabase", "$A photos bad pics",
     "1 vellumtide-admin: cannot read the database bad/pf.db: it cannot be opened, is damaged or "
     "has another key\n"},
};
INSTANTIATE_TEST_SUITE_P(Runs, PhotosRefuse, ::testing::ValuesIn(kRefusals), RowName());

}  // namespace
}  // namespace vt::admin
