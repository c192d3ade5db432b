#include "app/frm_main.h"

#include <gmock/gmock.h>
#include <sys/stat.h>

#include <fstream>

#include "app/mmain.h"
#include "app/paths.h"
#include "platform/sqlcipher_database.h"
#include "tests/support/child.h"
#include "tests/support/demo_installation.h"
#include "tests/support/files.h"
#include "tests/support/package_writer.h"
#include "tests/support/temp_dir.h"
#include "textdata/profile_record.h"

namespace vt::app {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using namespace ::testing;
using enum AttachResult;
using entryform::FieldValue;
using namespace std::string_literals;

const std::string kTrip =
    "The school trip to Zürich, when the bus broke down and we sang for two hours.";
const std::string kShortcut =
    "[Selected File] The file you have selected is a shortcut link. Select another file. (Ok)";
const std::string kTooBig = "[] The selected file size exceeds the maximum file size allowed. (";
const std::string kNotPackage =
    "[Cannot Import] Not a kelvarin slideshow file. Cannot import selected file. (Ok)";
const std::string kIncomplete =
    "[Cannot Import] The slideshow could not be imported completely. The earlier slideshow was "
    "kept. (Ok)";

// Takes every existing file for a picture of 600 x 1200 and writes "JPEG" for the photo.
struct FakeRaster : imaging::RasterPort {
  imaging::SourceLoad LoadSource(const fs::path& file, const DrawnSize&) override {
    return {fs::exists(file) ? std::optional(imaging::Size{600, 1200}) : std::nullopt, "bad"};
  }
  void ResizeCanvas(imaging::Size) override {}
  imaging::Size CanvasSize() const override { return {1, 1}; }
  void DrawSource(const imaging::Placement&) override {}
  std::string SaveCanvasAsJpeg(const fs::path& file, int) override {
    return std::ofstream(file) << "JPEG" ? "" : "cannot write";
  }
};

// The wizard's logic on the demo installation, the test as its window: the person answers with
// `answer`, picks `chosenFiles` in turn (then cancels) and has typed `typed` into the page.
class WizardTest : public ::testing::Test, public MainWindowPort {
 protected:
  void SetUp() override { test::WriteDemoInstallation(dir.path()); }

  void Start(const std::string& profileId) {
    logic = std::make_unique<frmMain>(*this, dir.path(), platform::OpenDatabase,
                                      std::make_unique<FakeRaster>());
    OpenProfileOf(*logic, profileId);
  }
  void Choose(int entry) {
    group = entry;
    logic->cboGroups_Click();
  }
  std::string Person(const std::string& id) const {
    const char* sql =
        "SELECT p_fname || ' ' || p_lname || ' in ' || group_concat(g_p_g_id) AS v FROM persons "
        "LEFT JOIN group_persons ON g_p_p_id = p_id WHERE p_id = ?1";
    const auto db = platform::OpenDatabase(DatabasePath(dir.path()));
    return db->Execute(sql, std::array{id}).value().Field(0, "v").value_or("none");
  }
  // A file of `size` bytes (sparse) in the person's own folder outside the installation.
  std::string Source(const std::string& name, std::uintmax_t size, std::string_view head = {}) {
    test::WriteBytes(dir / "home" / name, head);
    fs::resize_file(dir / "home" / name, size);
    return (dir / "home" / name).string();
  }

  void ShowWindow() override {}
  void SetProgramIcon() override {}
  void SelectTab(int) override {}
  void SetTabsEnabled(bool) override {}
  void SetGroupListEnabled(bool) override {}
  void FocusGroupList() override {}
  void SetGroupEntries(const Strings& list) override { entries = list, group = -1; }
  int SelectedGroupIndex() const override { return group; }
  std::string SelectedGroupText() const override { return group < 0 ? "" : entries.at(group); }
  void SetSelectedGroupIndex(int index) override { group = index; }
  int FindGroupEntry(const std::string& text) const override {
    const auto found = std::ranges::find(entries, text);
    return found == entries.end() ? -1 : static_cast<int>(found - entries.begin());
  }
  void ShowPage(const std::string& html, const std::vector<FieldValue>&) override { page = html; }
  std::vector<entryform::PageElement> PageElements() const override { return typed; }
  bool ShowPhoto(const fs::path& p) override {
    photos.push_back(p.string());
    return true;
  }
  void SetAttachmentButtonEnabled(int, bool) override {}
  void SetAttachmentButtonToolTip(int i, const std::string& text) override { tips[i] = text; }
  void ShowBusy() override { busy += '+'; }
  void HideBusy() override { busy += '-'; }
  MessageAnswer ShowMessage(const MessageBox& box) override {
    const bool yesNo = box.buttons == MessageButtons::kYesNo;
    messages.push_back("[" + box.title + "] " + box.text + (yesNo ? " (YesNo" : " (Ok") +
                       (box.icon == MessageIcon::kQuestion ? ", Question)" : ")"));
    return yesNo ? answer : MessageAnswer::kOk;
  }
  std::optional<std::string> ShowFileDialog(const FileDialogSetup&) override {
    return dialogs < std::ssize(chosenFiles) ? std::optional(chosenFiles[dialogs++]) : std::nullopt;
  }
  void CloseWindow() override {
    bool cancel = false;
    logic->Form_Unload(cancel);
    messages.push_back(cancel ? "(still open)" : "(closed)");
  }
  void EndProgram() override { messages.push_back("(ended)"); }

  test::TempDir dir;
  std::unique_ptr<frmMain> logic;
  // messages: "[title] text (buttons, icon)", and how the program ended, "(ended)", "(closed)"
  Strings entries, messages, photos, chosenFiles;
  int group = -1, dialogs = 0;      // the selected entry, how many file dialogs were answered
  std::string page, busy;           // busy: '+' shown, '-' hidden
  std::map<int, std::string> tips;  // the attachment buttons' tooltips
  std::vector<entryform::PageElement> typed;
  MessageAnswer answer = MessageAnswer::kNo;
};

// Start-up saves nothing; a group change saves the page, the placeholder nothing, and without a
// profile folder only the database takes the names; leaving asks first.
TEST_F(WizardTest, TheRecordIsSavedOnAGroupChangeOnlyAndOnlyInItsProfileFolder) {
  const test::Tree before = test::Snapshot(dir / "Profile");
  Start("1005");  // a record of a group the list lacks
  typed = {{"INPUT", "F_FirstName", "Nina"}, {"INPUT", "F_LastName", "Holt"}};
  logic->butSaveText_Click();
  Start("1002");
  Choose(3);
  fs::current_path(dir.path());  // where a record without its folder would land
  Start("../Profile/1001");      // names no profile folder
  Choose(1);                     // movies up to 5 MB
  chosenFiles = {Source("a.avi", 1), Source("me.jpg", 1)};
  EXPECT_EQ(logic->butAddFile_Click(1).result, kFailed);
  EXPECT_EQ(logic->butChangeImage_Click().result, kFailed);
  Start("1001");
  EXPECT_THAT(page, ContainsRegex("<b>Year 5 Willow</b>.+\"Émile\".+\"Dubois-Laurent\".+"
                                  "A favourite memory<.+name='cat3'[^>]*>The school trip"));
  EXPECT_EQ(page.find("cat4"), std::string::npos);
  EXPECT_THAT(photos, Contains((dir / "Profile/1001/image.fwi").string()));
  EXPECT_EQ(test::Snapshot(dir / "Profile"), before);
  EXPECT_FALSE(fs::exists(dir / "pr.dat"));

  typed.insert(typed.end(), {{"TEXTAREA", "cat1", "1"}, {"TEXTAREA", "cat2", "\r\n2"}});
  Choose(3);  // cat3 keeps the text shown
  EXPECT_EQ(test::ReadBytes(dir / "Profile/1001/pr.dat"),
            textdata::FormatProfileRecord({"Art Studio", "Nina", "Holt", {"1", "\r\n2", kTrip}}));

  typed.clear();  // a save now would empty the names
  logic->butNext_Click(2);
  logic->mnuProfile_Click();
  answer = MessageAnswer::kYes;
  logic->butNext_Click(2);
  logic->mnuProfile_Click();
  const std::string exit = "[Exit] Exit Kelvarin Marrowick? (YesNo, Question)";
  const std::string closing = "[Exit] Exit Kelvarin Vellumtide? (YesNo, Question)";
  EXPECT_EQ(messages, (Strings{"[] Please select a group first. (Ok)", exit, closing,
                               "(still open)", exit, "(ended)", closing, "(ended)", "(closed)"}));
  EXPECT_EQ(Person("1001") + "; " + Person("1002"), "Nina Holt in 3,4; Nina Holt in 2");
}

TEST(ProfileIdFromArguments, JoinsTheArgumentsByOneBlank) {
  EXPECT_EQ(ProfileIdFromArguments({" Ann", "", "Lee "}), "Ann  Lee");
}

using Id = std::array<std::string, 3>;  // the row's name, the identifier, its folder or ""
class ProfileIdTest : public ::testing::TestWithParam<Id> {};

TEST_P(ProfileIdTest, NamesAFolderInsideProfileOrNone) {
  EXPECT_EQ(ProfileFolder("", GetParam()[1]).value_or("").string(), GetParam()[2]);
}

INSTANTIATE_TEST_SUITE_P(Ids, ProfileIdTest,
                         Values(Id{"BlanksAndNul", " 4\0002 "s, "Profile/42"}, Id{"Blank", " \0 "s},
                                Id{"Dot", "."}, Id{"DotDot", " .. "}, Id{"Backslash", "a\\b"}),
                         [](const auto& info) { return info.param[0]; });

// What may stand where the wizard expects a file it reads at start-up: it neither waits nor runs
// out of memory, but starts as it does without the file. One hostile kind at each place; the
// readers' own tests put every kind before each reader.
TEST_F(WizardTest, StartsAsIfSpecialFilesWereMissing) {
  const fs::path setup = dir / "Vellumtide/pr.dat", record = dir / "Profile/1001/pr.dat";
  fs::remove(setup), fs::remove(record), fs::remove(dir / "pf.db");
  Start("1001");
  const auto missing = std::pair(entries, page);
  ASSERT_EQ(::mkfifo(setup.c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", record);
  fs::rename(Source("pf.db", std::uintmax_t{100} << 30), dir / "pf.db");
  Start("1001");
  EXPECT_EQ(std::pair(entries, page), missing);
}

// The limit is the selected group's; a refused file brings the dialog back; a photo has no limit.
// The buttons' tips tell what the group allows of each kind and what is attached, sorted, in the
// limit's unit (1 MB is 1,000,000 bytes).
TEST_F(WizardTest, AttachmentsAndThePhotoAreTakenOnlyAsTheirKindsAllowAndTheTipsSaySo) {
  Start("1001");  // movies up to 5 MB
  EXPECT_EQ(tips[0],
            "Presentation files up to 10 MB; larger ones are imported as the slideshow only"
            "\nNothing attached");
  ASSERT_EQ(::mkfifo((dir / "pipe.avi").c_str(), 0600), 0);
  chosenFiles = {Source("Big.mpg", 5'000'001), Source("Movie.LNK", 10),
                 "  " + Source("Clip.AVI", 5'000'000) + "  ", Source("README", 3, "abc")};
  chosenFiles.insert(chosenFiles.end(),
                     {(dir / "pipe.avi").string(), Source("one.avi", 1), Source("empty.avi", 0),
                      Source("Me.JPG", 30'000'000), (dir / "gone.jpg").string()});
  EXPECT_TRUE(logic->butAddFile_Click(1).taken());
  EXPECT_EQ(busy, "+-+-") << "opening the profile, then the copy";
  EXPECT_EQ(tips[1], "Movie files up to 5 MB\nAttached: mov.avi, 5.0 MB");
  EXPECT_TRUE(logic->butAddFile_Click(2).taken());  // a narration named by its kind alone
  Choose(3);  // movies of size class 7, no narrations: the window's own test shows such a tip
  EXPECT_EQ(
      tips[1],
      "Only empty movie files: this group's size limit is not set\nAttached: mov.avi, 5.0 MB");
  EXPECT_EQ(logic->butAddFile_Click(1).result, kFailed) << "neither waits nor takes the pipe";
  EXPECT_EQ(logic->butAddFile_Click(2).result, kRefusedKindNotAllowed);
  EXPECT_TRUE(logic->butAddFile_Click(1).taken());
  photos.clear();
  EXPECT_TRUE(logic->butChangeImage_Click().taken());
  const imaging::ImgResize& r = logic->ucResizeImage();
  EXPECT_EQ(std::tuple(r.ResizeWidth(), r.ResizeHeight(), r.Stretch(), r.Compression(), photos),
            std::tuple(280, 427, false, 100, Strings{(dir / "Profile/1001/image.fwi").string()}));
  EXPECT_EQ(logic->butChangeImage_Click().result, kFailed) << "a picture that cannot be read";
  EXPECT_EQ(messages, (Strings{kTooBig + "5 MB's) (Ok)", kShortcut, kTooBig + "0 MB's) (Ok)"}));
  test::Tree attached = test::Snapshot(dir / "Profile/1001");
  attached.erase("pr.dat");
  EXPECT_EQ(attached, (test::Tree{{"image.fwi", "JPEG"}, {"mov.avi", ""}, {"nar", "abc"}}));

  Choose(4);
  EXPECT_EQ(tips[0],
            "Presentation files are imported as the slideshow only: this group's limit is 0 MB"
            "\nNothing attached");
  EXPECT_EQ(tips[2],
            "Only empty narration files: this group's limit is 0 MB\nAttached: nar, 0.0 KB");
  fs::resize_file(dir / "Profile/1001/mov.avi", 999'949);
  fs::rename(Source("MOV.MPG", 999'950), dir / "Profile/1001/MOV.MPG");  // a crash's leftover
  Choose(0);
  EXPECT_EQ(tips[1],
            "No movie files until a group is chosen\nAttached: MOV.MPG, 1.0 MB\nAttached: mov.avi, "
            "999.9 KB");
}

// A presentation is imported as the slideshow, and copied as the attachment only when the import is
// complete and the package within the limit.
TEST_F(WizardTest, APresentationIsImportedWholeAskingBeforeItReplacesAnImport) {
  const auto package = [this](const std::string& name, std::size_t size = 1001, bool cut = false) {
    // One slide; `cut`: it reaches past the end of the package.
    test::PackageWriter writer("[SLIDESHOW]\r\ntotal=1\r\n");
    writer.AddFile("slide_1_", "one.jpg", "slide one");
    writer.elements()[2] = cut ? "<slide_1_size>2000000</slide_1_size>" : writer.elements()[2];
    writer.SetMinimumSize(size);
    writer.Write(dir / "home" / name);
    return (dir / "home" / name).string();
  };
  Start("1004");  // presentations up to 1 MB
  // The names saved, not yet shown again, name the slideshow.
  typed = {{"INPUT", "F_FirstName", "ada"}, {"INPUT", "F_LastName", "smith/../jones"}};
  logic->butSaveText_Click();
  chosenFiles = {package("show.KVS"), package("show.KVS"), Source("notes.kvs", 5000, "text"),
                 package("cut.kvs", 1'000'001, true), package("big.kvs", 1'000'001)};
  EXPECT_TRUE(logic->butAddFile_Click(0).taken());
  EXPECT_EQ(test::ReadBytes(dir / "Profile/1004/pres.kvs"), test::ReadBytes(chosenFiles[0]));
  const test::Tree before = test::Snapshot(dir.path());
  EXPECT_EQ(logic->butAddFile_Click(0).result, kOldSlideshowKept);
  answer = MessageAnswer::kYes;
  EXPECT_EQ(logic->butAddFile_Click(0).result, kRefusedNotPackage);
  EXPECT_THAT(logic->butAddFile_Click(0).detail, EndsWith("ended before the expected size"));
  // The same slide again, taken but not copied.
  EXPECT_THAT(logic->butAddFile_Click(0).detail, HasSubstr("imported without a copy"));
  EXPECT_EQ(test::Snapshot(dir.path()), before) << "no leftovers, no copy over the limit";
  const std::string question =
      "[Slideshow Exists] A slideshow with the same name as your importing slideshow "
      "exists.\r\nOver-write slideshow 'Art Studio Smith_.._jones Ada 1004' ? (YesNo, Question)";
  EXPECT_EQ(messages, (Strings{question, kNotPackage, question, kIncomplete, question}));
}

}  // namespace
}  // namespace vt::app
