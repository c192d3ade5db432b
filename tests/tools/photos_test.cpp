#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QImage>
#include <cstdlib>

#include "app/paths.h"
#include "platform/sqlcipher_database.h"
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

// What a stream was given, kept in memory.
class Captured {
 public:
  Captured() : stream_(::open_memstream(&buffer_, &size_)) {}
  ~Captured() {
    std::fclose(stream_);
    std::free(buffer_);
  }
  std::FILE* stream() const { return stream_; }
  std::string Text() const {
    std::fflush(stream_);
    return std::string(buffer_, size_);
  }

 private:
  char* buffer_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* stream_;
};

void SavePicture(const fs::path& path, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(QColor(30, 120, 200));
  ASSERT_TRUE(image.save(QString::fromStdString(path.string())));
}

// The demo installation "in" with two more persons, 1006 and 1007, who have no profile folder,
// and the photographer's folder "pics".
class Photos : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(MakeDemoInstallation(in, false));
    const std::vector<std::string> persons = {"1006", "Ida", "Berg", "1007", "Tom", "Hale"};
    const auto db = platform::OpenDatabase(app::DatabasePath(in));
    ASSERT_TRUE(db->Execute("INSERT INTO persons VALUES (?1, ?2, ?3), (?4, ?5, ?6)", persons));
    fs::create_directory(pics);
  }

  PhotosOutcome Change(unsigned jobs, bool terminal = false) {
    return ChangePhotos(in, pics, {jobs, terminal}, out.stream(), err.stream());
  }

  const TempDir dir;
  const fs::path in = dir / "in";
  const fs::path pics = dir / "pics";
  const Captured out, err;
};

TEST_F(Photos, MakesEachPersonsPictureAndRefusesTheRestByName) {
  SavePicture(pics / "1001.jpg", 600, 1200);
  SavePicture(pics / "1002.png", 300, 300);
  fs::remove(in / "Profile/1002");
  SavePicture(pics / "1003.jpg", 900, 600);
  fs::resize_file(pics / "1003.jpg", fs::file_size(pics / "1003.jpg") / 2);
  WriteBytes(in / "Profile/1003/image.fwi", "old photo");
  SavePicture(pics / "1004.png", 40, 40);
  SavePicture(pics / "1004.JPG", 40, 40);
  fs::create_symlink("1001.jpg", pics / "1005.jpg");
  ASSERT_EQ(::mkfifo((pics / "1006.gif").c_str(), 0600), 0);
  SavePicture(pics / "9999.jpg", 40, 40);
  WriteBytes(pics / "notes.txt", "shot on Monday");
  fs::create_directory(pics / "1007");
  Tree before = Snapshot(in);

  const PhotosOutcome done = Change(2);

  EXPECT_EQ(done.made, 1u);
  EXPECT_EQ(done.outcome.error, "6 pictures of 7 failed; 1 profile photo made");
  const std::string p = pics.string() + "/";
  EXPECT_EQ(err.Text(),
            "vellumtide-admin: 1002.png: no profile folder for '1002' in " + in.string() +
                "/Profile\n"
                "vellumtide-admin: 1003.jpg: " +
                p + "1003.jpg is damaged: it ends before its picture does; " + in.string() +
                "/Profile/1003/image.fwi was left as it was\n"
                "vellumtide-admin: 1004.JPG: 2 pictures here are named 1004: none of them was "
                "taken\n"
                "vellumtide-admin: 1004.png: 2 pictures here are named 1004: none of them was "
                "taken\n"
                "vellumtide-admin: 1005.jpg: " +
                p + "1005.jpg is a link, not a picture\n" + "vellumtide-admin: 1006.gif: " + p +
                "1006.gif is not a regular file, not a picture\n");
  const std::string text = out.Text();
  EXPECT_TRUE(text.starts_with("1/3 done, ")) << text;
  EXPECT_NE(text.find("\n3/3 done, "), std::string::npos) << text;
  EXPECT_TRUE(
      text.ends_with("Matching nobody (2):\n  9999.jpg\n  notes.txt\n"
                     "Persons without a picture (1):\n  1007 Tom Hale\n"))
      << text;
  // Only the photo made is new.
  Tree after = Snapshot(in);
  EXPECT_EQ(after.erase("Profile/1001/image.fwi"), 1u);
  EXPECT_EQ(after, before);
}

TEST_F(Photos, MakesThePhotoThatPhotoMakesAndShowsProgressOnATerminal) {
  for (const char* name : {"1001.jpg", "1002.jpg", "1003.png", "1004.bmp", "1005.jpg"}) {
    SavePicture(pics / name, 1000, 700);
  }
  ASSERT_TRUE(ChangePhoto(in, "1001", pics / "1001.jpg", err.stream()));
  const std::string single = ReadBytes(in / "Profile/1001/image.fwi");
  fs::remove(in / "Profile/1001/image.fwi");

  const PhotosOutcome done = Change(2, true);

  EXPECT_TRUE(done.outcome) << done.outcome.error;
  EXPECT_EQ(done.made, 5u);
  EXPECT_EQ(ReadBytes(in / "Profile/1001/image.fwi"), single);
  for (const char* id : {"1002", "1003", "1004", "1005"}) {
    EXPECT_EQ(QImage(QString::fromStdString((in / "Profile" / id / "image.fwi").string())).size(),
              QSize(280, 427))
        << id;
  }
  const std::string text = out.Text();
  EXPECT_TRUE(text.starts_with("\r1/5 done, ")) << text;
  EXPECT_NE(text.find("\033[K\r2/5 done, "), std::string::npos) << text;
  EXPECT_NE(text.find("\r5/5 done, "), std::string::npos) << text;
  EXPECT_TRUE(
      text.ends_with(" pictures a second\033[K\n"
                     "Persons without a picture (2):\n  1006 Ida Berg\n  1007 Tom Hale\n"))
      << text;
  EXPECT_EQ(err.Text(), "");
}

// An installation or a folder that cannot be read: "@" in the paths and the error stands for the
// test folder.
struct Unreadable {
  std::string name, installation, folder, database, error;
};

class PhotosRefused : public Photos, public ::testing::WithParamInterface<Unreadable> {
 protected:
  static std::string At(const std::string& text, const fs::path& folder) {
    std::string replaced = text;
    for (std::size_t at = 0; (at = replaced.find('@', at)) != std::string::npos;) {
      replaced.replace(at, 1, folder.string());
    }
    return replaced;
  }
};

TEST_P(PhotosRefused, SaysWhyAndChangesNothing) {
  SavePicture(pics / "1001.jpg", 600, 900);
  if (!GetParam().database.empty()) {
    WriteBytes(app::DatabasePath(in), GetParam().database);
  }
  const Tree before = Snapshot(dir.path());
  const PhotosOutcome done =
      ChangePhotos(At(GetParam().installation, dir.path()), At(GetParam().folder, dir.path()),
                   {2, false}, out.stream(), err.stream());
  EXPECT_EQ(done.outcome.error, At(GetParam().error, dir.path()));
  EXPECT_EQ(out.Text() + err.Text(), "");
  EXPECT_EQ(Snapshot(dir.path()), before);
}

const Unreadable kUnreadables[] = {
    {"MissingFolder", "@/in", "@/gone", "",
     "cannot list the pictures in @/gone: no such file or directory"},
    {"FolderIsAFile", "@/in", "@/pics/1001.jpg", "",
     "cannot list the pictures in @/pics/1001.jpg: not a directory"},
    {"NoInstallation", "@/pics", "@/pics", "",
     "@/pics is no installation: @/pics/pf.db: no such file or directory"},
    {"DamagedDatabase", "@/in", "@/pics", "not a database",
     "cannot read the database @/in/pf.db: it cannot be opened, is damaged or has another key"},
};
INSTANTIATE_TEST_SUITE_P(Installations, PhotosRefused, ::testing::ValuesIn(kUnreadables),
                         RowName());

// The tool run on a shell line in the test folder, $A standing for it: its exit status, a blank,
// and what it wrote to both streams.
std::string RunTool(const fs::path& folder, const std::string& line) {
  const int status = std::system(
      ("cd " + folder.string() + " && A=" VT_ADMIN_PATH " && (" + line + ") >out.txt 2>&1")
          .c_str());
  return std::to_string(WEXITSTATUS(status)) + " " + ReadBytes(folder / "out.txt");
}

TEST_F(Photos, ExitsNonZeroWhenAPictureFailedOrTheJobsAreNoNumber) {
  SavePicture(pics / "1001.jpg", 600, 900);
  WriteBytes(pics / "1004.jpg", "no picture");
  const std::string failed = RunTool(dir.path(), "$A photos in pics --jobs 2");
  EXPECT_TRUE(failed.starts_with("1 1/2 done, ")) << failed;
  EXPECT_TRUE(failed.ends_with("vellumtide-admin: 1 picture of 2 failed; 1 profile photo made\n"))
      << failed;
  const std::string noNumber = "2 vellumtide-admin: --jobs takes a whole number from 1 to 1024\n";
  EXPECT_EQ(RunTool(dir.path(), "$A photos in pics --jobs 0"), noNumber);
  EXPECT_EQ(RunTool(dir.path(), "$A photos in pics --jobs=two"), noNumber);
  fs::remove(pics / "1004.jpg");
  const std::string taken = RunTool(dir.path(), "$A photos in pics");
  EXPECT_TRUE(taken.starts_with("0 1/1 done, ")) << taken;
  EXPECT_TRUE(taken.ends_with("  1007 Tom Hale\nProfile photos made from pics: 1\n")) << taken;
}

struct Moment {
  std::string name;
  std::size_t done, total;
  std::chrono::duration<double> elapsed;
  std::string text;
};

class Progress : public ::testing::TestWithParam<Moment> {};

TEST_P(Progress, TellsTheRateAndTheTimeLeft) {
  EXPECT_EQ(ProgressText(GetParam().done, GetParam().total, GetParam().elapsed), GetParam().text);
}

const Moment kMoments[] = {
    {"NothingYet", 0, 200, 3s, "0/200 done"},
    {"Seconds", 150, 200, 75s, "150/200 done, 2.0 pictures a second, 25 s left"},
    {"Minutes", 10, 200, 4s, "10/200 done, 2.5 pictures a second, 1 min 16 s left"},
    {"Hours", 3, 10000, 2s, "3/10000 done, 1.5 pictures a second, 1 h 51 min left"},
    {"Done", 200, 200, 50s, "200/200 done, 4.0 pictures a second"},
};
INSTANTIATE_TEST_SUITE_P(Moments, Progress, ::testing::ValuesIn(kMoments), RowName());

}  // namespace
}  // namespace vt::admin
