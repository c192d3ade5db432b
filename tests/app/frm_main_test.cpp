#include "app/frm_main.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/paths.h"
#include "app/record_files.h"
#include "tests/app/fake_window.h"
#include "tests/support/files.h"
#include "textdata/profile_record.h"

namespace vt::app {
namespace {

namespace fs = std::filesystem;
using test::Strings;
using namespace std::string_literals;

const std::string kExitMarrowick = "[Exit] Exit Kelvarin Marrowick? (YesNo, Question)";
const std::string kExitVellumtide = "[Exit] Exit Kelvarin Vellumtide? (YesNo, Question)";
const std::array<bool, 3> kNoAttachments = {false, false, false};

// What the person sees of a start-up: the group list and the page.
using FakeWindowView = std::pair<Strings, std::string>;

class WizardTest : public test::WizardFixture {
 protected:
  Strings Query(const std::string& sql, const std::string& column) {
    Strings values;
    const auto rows = platform::OpenDatabase(DatabasePath(dir_.path()))->Execute(sql);
    for (std::size_t r = 0; rows && r < rows->RowCount(); ++r) {
      values.push_back(rows->Field(r, column).value_or("<null>"));
    }
    return values;
  }

  void TypeIntoPage(const std::string& first, const std::string& last, const Strings& texts) {
    window_.elements = {
        {"HTML", "", ""}, {"INPUT", "F_FirstName", first}, {"INPUT", "F_LastName", last}};
    for (std::size_t k = 1; k <= texts.size(); ++k) {
      window_.elements.push_back({"TEXTAREA", "cat" + std::to_string(k), texts[k - 1]});
    }
  }
};

TEST_F(WizardTest, StartUpSelectsTheRecordsGroupBuildsItsFormAndSavesNothing) {
  const std::string before = test::ReadBytes(RecordPath("1001"));
  Start("1001");

  EXPECT_EQ(window_.entries, (Strings{"Select a group...", "Year 5 Willow", "Chess & Go Club",
                                      "Art Studio", "Drama Group"}));
  EXPECT_EQ(window_.selected, 1);
  EXPECT_TRUE(window_.shown && window_.tabsEnabled && window_.groupListEnabled &&
              window_.groupListFocused);
  EXPECT_EQ(window_.tab, 0);
  EXPECT_EQ(window_.busyShown, 1);
  EXPECT_FALSE(window_.busy || logic_->state().bStarting || logic_->state().bLoading);

  EXPECT_EQ(statements_, Strings{" SELECT g_name FROM 'groups'"});
  EXPECT_EQ(test::ReadBytes(RecordPath("1001")), before);
  EXPECT_TRUE(window_.messages.empty());

  EXPECT_EQ(logic_->state().sOriginalGroup, "Year 5 Willow");
  EXPECT_EQ(logic_->state().iFormCatCount, 3);
  EXPECT_TRUE(PageHas("Group: <b>Year 5 Willow</b>"));
  EXPECT_TRUE(PageHas("name='F_FirstName' value=\"Émile\">"));
  EXPECT_TRUE(PageHas("<b>Hobbies</b> and interests</font><br>    <textarea name='cat1'"));
  EXPECT_TRUE(PageHas("name='cat3' cols='45' rows='10' wrap='VIRTUAL'>The school trip"));
  EXPECT_FALSE(PageHas("cat4"));
  EXPECT_EQ(window_.attachmentEnabled, (std::array<bool, 3>{true, true, true}));
  EXPECT_EQ(window_.photoLog.back(), "show " + (dir_ / "Profile/1001/image.fwi").string());
}

TEST_F(WizardTest, RecordGroupMissingFromTheListSelectsThePlaceholder) {
  Start("1005");
  EXPECT_EQ(window_.selected, 0);
  EXPECT_TRUE(PageHas("Group: <b>Select a group...</b>"));
  EXPECT_TRUE(PageHas("name='cat3'"));
  EXPECT_EQ(window_.attachmentEnabled, kNoAttachments);
  EXPECT_EQ(Sent(" UPDATE"), 0u);
}

TEST_F(WizardTest, GroupChangeSavesTheOldPageUnderTheNewGroupThenBuildsTheNewForm) {
  Start("1001");
  TypeIntoPage("  anne-MARIE ", "o'neil", {" first ", "\r\nsecond\r\n", "third"});
  window_.PersonSelectsGroup(3);

  const auto record = app::ReadProfileRecord(RecordPath("1001"));
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->group, "Art Studio");
  EXPECT_EQ(record->firstName, "Anne-marie");
  EXPECT_EQ(record->lastName, "O'neil");
  EXPECT_EQ(record->categories, (Strings{"first", "\r\nsecond\r\n", "third"}));

  EXPECT_EQ(Query("SELECT p_fname || ' ' || p_lname AS n FROM persons WHERE p_id = '1001'", "n"),
            Strings{"Anne-marie O'neil"});
  EXPECT_EQ(Query("SELECT g_p_g_id FROM group_persons WHERE g_p_p_id = '1001' ORDER BY g_p_g_id",
                  "g_p_g_id"),
            (Strings{"3", "4"}));
  EXPECT_EQ(logic_->state().sOriginalGroup, "Art Studio");

  EXPECT_TRUE(PageHas("Group: <b>Art Studio</b>"));
  EXPECT_TRUE(PageHas("value=\"Anne-marie\""));
  EXPECT_EQ(window_.attachmentEnabled, (std::array<bool, 3>{true, true, false}));
}

TEST_F(WizardTest, PlaceholderAfterStartUpAsksForAGroupAndBuildsItsForm) {
  Start("1001");
  const std::string before = test::ReadBytes(RecordPath("1001"));
  window_.PersonSelectsGroup(0);
  EXPECT_EQ(window_.messages, Strings{"[] Please select a group first. (Ok)"});
  EXPECT_EQ(test::ReadBytes(RecordPath("1001")), before);
  EXPECT_EQ(Sent(" UPDATE"), 0u);
  EXPECT_TRUE(PageHas("Group: <b>Select a group...</b>"));
  EXPECT_EQ(window_.attachmentEnabled, kNoAttachments);
}

TEST_F(WizardTest, SavingTwiceSendsTheNamesEachTimeAndNoGroupStatement) {
  Start("1001");
  TypeIntoPage("Émile", "Dubois", {"a", "b"});
  logic_->butSaveText_Click();
  logic_->butSaveText_Click();
  EXPECT_EQ(Sent(" UPDATE persons"), 2u);
  EXPECT_EQ(Sent(" Select g_id"), 0u);
  EXPECT_EQ(Sent(" UPDATE group_persons"), 0u);
  // The page had two of the three category fields: the third keeps the text it was shown with.
  EXPECT_EQ(app::ReadProfileRecord(RecordPath("1001"))->categories,
            (Strings{"a", "b",
                     "The school trip to Zürich, when the bus broke down and we sang for two "
                     "hours."}));
}

TEST_F(WizardTest, NavigationAndTheTwoWaysOut) {
  Start("1001");
  logic_->butNext_Click(1);
  EXPECT_EQ(window_.tab, 1);
  logic_->butBack_Click(2);
  EXPECT_EQ(window_.tab, 0);

  window_.answers = {MessageAnswer::kNo};
  logic_->butNext_Click(2);
  EXPECT_FALSE(window_.ended);
  EXPECT_EQ(window_.tab, 0);
  window_.answers = {MessageAnswer::kNo};
  logic_->mnuProfile_Click();
  EXPECT_FALSE(window_.closed || window_.ended);

  window_.answers = {MessageAnswer::kYes};
  logic_->butNext_Click(2);
  EXPECT_TRUE(window_.ended);
  window_.ended = false;
  window_.answers = {MessageAnswer::kYes};
  logic_->mnuProfile_Click();
  EXPECT_TRUE(window_.closed && window_.ended);
  EXPECT_EQ(window_.messages,
            (Strings{kExitMarrowick, kExitVellumtide, kExitMarrowick, kExitVellumtide}));
  EXPECT_EQ(Sent(" UPDATE"), 0u);
}

TEST_F(WizardTest, MissingSetupFileAndDatabaseLeaveEmptyCaptionsAndOnlyThePlaceholder) {
  fs::remove(SetupDataPath(dir_.path()));
  fs::remove(DatabasePath(dir_.path()));
  Start("1001");
  EXPECT_EQ(window_.entries, Strings{"Select a group..."});
  EXPECT_EQ(window_.selected, 0);
  EXPECT_TRUE(PageHas("value=\"Émile\""));
  EXPECT_TRUE(
      PageHas("<p><font face='Verdana, Arial' size='2'></font><br>    <textarea "
              "name='cat3'"));
  EXPECT_EQ(window_.attachmentEnabled, kNoAttachments);
  EXPECT_FALSE(fs::exists(DatabasePath(dir_.path())));
}

TEST_F(WizardTest, MissingOrNoPlainProfileFolderOpensAnEmptyFormAndWritesNoRecord) {
  const std::string before = test::ReadBytes(RecordPath("1001"));
  for (const std::string id : {"9999", "../Profile/1001"}) {
    SCOPED_TRACE(id);
    statements_.clear();
    Start(id);
    EXPECT_EQ(logic_->state().sProfilePath, id == "9999" ? dir_ / "Profile" / id : fs::path());
    EXPECT_EQ(window_.selected, 0);
    EXPECT_TRUE(PageHas("name='F_FirstName' value=\"\">"));
    EXPECT_FALSE(PageHas("textarea"));

    TypeIntoPage("Nina", "Holt", {});
    window_.PersonSelectsGroup(2);
    EXPECT_EQ(Sent(" UPDATE persons"), 1u);
    EXPECT_EQ(logic_->state().sOriginalGroup, "Chess & Go Club");
  }
  EXPECT_EQ(test::ReadBytes(RecordPath("1001")), before);
  EXPECT_FALSE(fs::exists(dir_ / "Profile" / "9999"));
  EXPECT_FALSE(fs::exists(dir_ / "pr.dat"));
  EXPECT_FALSE(fs::exists(dir_ / "Profile" / "pr.dat"));
}

// What may stand where the wizard expects a file it reads at start-up.
struct SpecialFile {
  std::string name;
  void (*make)(const fs::path& path);
};

void PrintTo(const SpecialFile& file, std::ostream* out) {
  *out << file.name;
}

const SpecialFile kSpecialFiles[] = {
    {"Fifo", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
    {"LinkToDevZero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }},
    {"SparseHundredGigabytes",
     [](const fs::path& p) {
       test::WriteBytes(p, "");
       fs::resize_file(p, std::uintmax_t{100} << 30);
     }},
};

class SpecialFileTest : public WizardTest,
                        public ::testing::WithParamInterface<std::tuple<std::string, SpecialFile>> {
};

// The wizard neither waits nor runs out of memory: it starts as it does without the file.
TEST_P(SpecialFileTest, StartsAsIfTheFileWereMissing) {
  const fs::path path = dir_ / std::get<0>(GetParam());
  fs::remove(path);
  Start("1001");
  const FakeWindowView missing{window_.entries, window_.page};
  std::get<1>(GetParam()).make(path);
  Start("1001");
  EXPECT_EQ((FakeWindowView{window_.entries, window_.page}), missing);
}

INSTANTIATE_TEST_SUITE_P(StartUp, SpecialFileTest,
                         ::testing::Combine(::testing::Values("pf.db"s, "Vellumtide/pr.dat"s,
                                                              "Profile/1001/pr.dat"s),
                                            ::testing::ValuesIn(kSpecialFiles)),
                         [](const auto& info) {
                           std::string path = std::get<0>(info.param);
                           std::erase_if(path, [](char c) { return c == '/' || c == '.'; });
                           return path + std::get<1>(info.param).name;
                         });

}  // namespace
}  // namespace vt::app
