#include "app/frm_main.h"

#include <sys/stat.h>

#include "app/paths.h"
#include "tests/app/fake_window.h"
#include "textdata/profile_record.h"

namespace vt::app {
namespace {

namespace fs = std::filesystem;
using test::HasSubstr;
using test::Strings;
using Buttons = std::array<bool, 3>;
using WizardTest = test::WizardFixture;
using namespace std::string_literals;

const std::string kTrip =
    "The school trip to Zürich, when the bus broke down and we sang for two hours.";

TEST_F(WizardTest, StartUpShowsTheRecordUnderItsGroupAndSavesNothing) {
  const test::Tree before = test::Snapshot(dir.path());
  Start("1001");
  EXPECT_EQ(entries, (Strings{"Select a group...", "Year 5 Willow", "Chess & Go Club", "Art Studio",
                              "Drama Group"}));
  EXPECT_EQ(selected, 1);
  EXPECT_TRUE(shown && tabsEnabled && groupListEnabled && groupListFocused && tab == 0 && !busy);
  EXPECT_EQ(busyShown, 1);
  EXPECT_EQ(photosShown.back(), (Profile("1001") / "image.fwi").string());
  EXPECT_EQ(attachmentButtons, (Buttons{true, true, true}));
  EXPECT_THAT(page, HasSubstr("Group: <b>Year 5 Willow</b>"));
  EXPECT_THAT(page, HasSubstr("name='F_FirstName' value=\"Émile\">"));
  EXPECT_THAT(page, HasSubstr("<b>Hobbies</b> and interests</font><br>    <textarea name='cat1'"));
  EXPECT_THAT(page, HasSubstr("wrap='VIRTUAL'>" + kTrip + "</textarea>"));
  EXPECT_THAT(page, ::testing::Not(HasSubstr("cat4")));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(test::Snapshot(dir.path()), before);
}

TEST_F(WizardTest, GroupChangeSavesThePageUnderTheNewGroupThenShowsItsForm) {
  Start("1001");
  Type("  anne-MARIE ", "o'neil", {" first ", "\r\nsecond\r\n"});  // the third is not on the page
  PersonSelectsGroup(3);
  EXPECT_EQ(test::ReadBytes(Profile("1001") / "pr.dat"),
            textdata::FormatProfileRecord(
                {"Art Studio", "Anne-marie", "O'neil", {"first", "\r\nsecond\r\n", kTrip}}));
  EXPECT_EQ(Names("1001"), "Anne-marie O'neil");
  EXPECT_EQ(Query("SELECT g_p_g_id AS v FROM group_persons WHERE g_p_p_id = '1001' ORDER BY 1"),
            "3,4");
  EXPECT_THAT(page, HasSubstr("Group: <b>Art Studio</b>"));
  EXPECT_EQ(attachmentButtons, (Buttons{true, true, false}));
  EXPECT_TRUE(messages.empty());
}

TEST_F(WizardTest, ARecordGroupTheListLacksGivesThePlaceholderWhichSavesNothing) {
  const test::Tree before = test::Snapshot(dir.path());
  Start("1005");
  EXPECT_EQ(selected, 0);
  EXPECT_THAT(page, HasSubstr("Group: <b>Select a group...</b>"));
  EXPECT_THAT(page, HasSubstr("name='cat3'"));
  EXPECT_EQ(attachmentButtons, (Buttons{false, false, false}));
  Type("Nina", "Holt");
  logic->butSaveText_Click();
  EXPECT_EQ(messages, Strings{"[] Please select a group first. (Ok)"});
  EXPECT_EQ(test::Snapshot(dir.path()), before);
}

TEST_F(WizardTest, BothWaysOutAskAndEndOnlyOnYes) {
  Start("1001");
  logic->butNext_Click(2);
  logic->mnuProfile_Click();
  EXPECT_FALSE(closed || ended);
  answer = MessageAnswer::kYes;
  logic->butNext_Click(2);
  EXPECT_TRUE(ended && !closed);
  ended = false;
  logic->mnuProfile_Click();
  EXPECT_TRUE(closed && ended);
  const std::string exit = "[Exit] Exit Kelvarin Marrowick? (YesNo, Question)";
  const std::string closing = "[Exit] Exit Kelvarin Vellumtide? (YesNo, Question)";
  EXPECT_EQ(messages, (Strings{exit, closing, exit, closing}));
  EXPECT_EQ(Names("1001"), "Émile Dubois-Laurent");
}

TEST_F(WizardTest, WithoutAProfileFolderTheFormOpensEmptyAndNoRecordIsWritten) {
  const test::Tree before = test::Snapshot(dir / "Profile");
  Start("1002");
  EXPECT_THAT(page, HasSubstr("name='F_FirstName' value=\"\">"));
  EXPECT_THAT(page, ::testing::Not(HasSubstr("textarea")));
  Type("Nina", "Holt");
  PersonSelectsGroup(3);
  EXPECT_EQ(Names("1002"), "Nina Holt");
  Start("../Profile/1001");  // names no profile folder
  EXPECT_THAT(page, HasSubstr("name='F_FirstName' value=\"\">"));
  PersonSelectsGroup(3);
  EXPECT_EQ(test::Snapshot(dir / "Profile"), before);
}

// An identifier names a folder directly inside Profile, or none (empty).
using Id = std::array<std::string, 3>;  // the row's name, the identifier, the folder
class ProfileIdTest : public ::testing::TestWithParam<Id> {};

TEST_P(ProfileIdTest, NamesAFolderInsideProfileOrNone) {
  const auto& [name, id, folder] = GetParam();
  EXPECT_EQ(ProfileFolder("/vt", id).value_or("").string(),
            folder.empty() ? "" : "/vt/Profile/" + folder);
}

INSTANTIATE_TEST_SUITE_P(Ids, ProfileIdTest,
                         ::testing::Values(Id{"BlanksAndNulRemoved", " 4\0002 "s, "42"},
                                           Id{"InnerBlankKept", "Ann Lee", "Ann Lee"},
                                           Id{"Blank", "   "}, Id{"Nul", "\0"s}, Id{"Dot", "."},
                                           Id{"DotDot", " .. "}, Id{"Slash", "a/b"},
                                           Id{"Absolute", "/etc"}, Id{"Backslash", "a\\b"}),
                         [](const auto& info) { return info.param[0]; });

// What may stand where the wizard expects a file it reads at start-up: it neither waits nor runs
// out of memory, but starts as it does without the file.
class SpecialFileTest : public WizardTest,
                        public ::testing::WithParamInterface<std::tuple<std::string, std::string>> {
};

TEST_P(SpecialFileTest, StartsAsIfTheFileWereMissing) {
  const auto& [file, kind] = GetParam();
  fs::remove(dir / file);
  Start("1001");
  EXPECT_FALSE(fs::exists(dir / file)) << "nothing is made where a file is missing";
  const auto missing = std::pair(entries, page);
  if (kind == "Fifo") {
    ASSERT_EQ(::mkfifo((dir / file).c_str(), 0600), 0);
  } else if (kind == "LinkToDevZero") {
    fs::create_symlink("/dev/zero", dir / file);
  } else {
    test::WriteBytes(dir / file, "");
    fs::resize_file(dir / file, std::uintmax_t{100} << 30);
  }
  Start("1001");
  EXPECT_EQ(std::pair(entries, page), missing);
}

INSTANTIATE_TEST_SUITE_P(
    StartUp, SpecialFileTest,
    ::testing::Combine(::testing::Values("pf.db", "Vellumtide/pr.dat", "Profile/1001/pr.dat"),
                       ::testing::Values("Fifo", "LinkToDevZero", "SparseHundredGigabytes")),
    [](const auto& info) {
      std::string name = std::get<0>(info.param) + std::get<1>(info.param);
      std::erase_if(name, [](char c) { return c == '/' || c == '.'; });
      return name;
    });

}  // namespace
}  // namespace vt::app
