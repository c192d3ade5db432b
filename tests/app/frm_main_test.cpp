#include "app/frm_main.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/paths.h"
#include "database/statements.h"
#include "platform/sqlcipher_database.h"
#include "tests/app/fake_window.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "textdata/profile_record.h"
#include "tools/admin/installation.h"

namespace vt::app {
namespace {

namespace fs = std::filesystem;
using entryform::PageElement;
using Strings = std::vector<std::string>;

// The real database, with every statement the wizard sends written down.
class RecordingDatabase : public database::DatabasePort {
 public:
  RecordingDatabase(std::unique_ptr<database::DatabasePort> inner, Strings& log)
      : inner_(std::move(inner)), log_(log) {}
  std::optional<database::ResultSet> Execute(std::string_view sql,
                                             std::span<const std::string> parameters) override {
    log_.emplace_back(sql);
    return inner_->Execute(sql, parameters);
  }

 private:
  std::unique_ptr<database::DatabasePort> inner_;
  Strings& log_;
};

// The demo installation: groups "Year 5 Willow" (1), "Chess & Go Club" (2), "Art Studio" (3),
// "Drama Group" (4); profile 1001 is in groups 1 and 4 and has a full record under group 1.
class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(admin::MakeDemoInstallation(dir_.path(), false)); }

  void Start(const std::string& profileId) {
    logic_ = std::make_unique<frmMain>(window_, dir_.path(), [this](const fs::path& path) {
      return std::make_unique<RecordingDatabase>(platform::OpenDatabase(path), statements_);
    });
    window_.logic = logic_.get();
    logic_->state().sProfileID = profileId;
    std::string unused;
    logic_->OpenProfile(unused);
  }

  fs::path RecordPath(const std::string& id) { return dir_ / "Profile" / id / "pr.dat"; }

  std::size_t Sent(std::string_view start) const {
    return static_cast<std::size_t>(
        std::count_if(statements_.begin(), statements_.end(),
                      [&](const std::string& sql) { return sql.starts_with(start); }));
  }

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

  test::TempDir dir_;
  test::FakeWindow window_;
  Strings statements_;
  std::unique_ptr<frmMain> logic_;
};

TEST_F(WizardTest, StartUpSelectsTheRecordsGroupAndSavesNothing) {
  const std::string before = test::ReadBytes(RecordPath("1001"));
  Start("1001");

  EXPECT_EQ(window_.entries, (Strings{"Select a group...", "Year 5 Willow", "Chess & Go Club",
                                      "Art Studio", "Drama Group"}));
  EXPECT_EQ(window_.selected, 1);
  EXPECT_TRUE(window_.shown && window_.tabsEnabled && window_.groupListEnabled);
  EXPECT_TRUE(window_.groupListFocused);
  EXPECT_EQ(window_.tab, 0);
  EXPECT_EQ(window_.busyShown, 1);
  EXPECT_FALSE(window_.busy);
  EXPECT_FALSE(logic_->state().bStarting || logic_->state().bLoading);

  EXPECT_EQ(statements_, Strings{" SELECT g_name FROM 'groups'"});
  EXPECT_EQ(test::ReadBytes(RecordPath("1001")), before);
  EXPECT_TRUE(window_.messages.empty());

  const ProgramState& state = logic_->state();
  EXPECT_EQ(state.sGroupName, "Year 5 Willow");
  EXPECT_EQ(state.sOriginalGroup, "Year 5 Willow");
  EXPECT_EQ(state.iFormCatCount, 3);
  EXPECT_NE(window_.page.find("Group: <b>Year 5 Willow</b>"), std::string::npos);
  EXPECT_NE(window_.page.find("name='F_FirstName' value=\"Émile\">"), std::string::npos);
  EXPECT_NE(window_.page.find("<b>Hobbies</b> and interests</font><br>    <textarea name='cat1'"),
            std::string::npos);
  EXPECT_NE(window_.page.find("name='cat3' cols='45' rows='10' wrap='VIRTUAL'>The school trip"),
            std::string::npos);
  EXPECT_EQ(window_.page.find("cat4"), std::string::npos);
  EXPECT_EQ(window_.attachmentEnabled, (std::array<bool, 3>{true, true, true}));
  EXPECT_EQ(window_.photos.back(), dir_ / "Profile" / "1001" / "image.fwi");
}

TEST_F(WizardTest, RecordGroupMissingFromTheListSelectsThePlaceholder) {
  Start("1005");
  EXPECT_EQ(window_.selected, 0);
  EXPECT_NE(window_.page.find("Group: <b>Select a group...</b>"), std::string::npos);
  EXPECT_EQ(window_.attachmentEnabled, (std::array<bool, 3>{false, false, false}));
  EXPECT_NE(window_.page.find("name='cat3'"), std::string::npos);
  EXPECT_EQ(Sent(" UPDATE"), 0u);
}

TEST_F(WizardTest, GroupChangeSavesTheOldPageUnderTheNewGroupThenBuildsTheNewForm) {
  Start("1001");
  TypeIntoPage("  anne-MARIE ", "o'neil", {" first ", "\r\nsecond\r\n", "third"});
  window_.PersonSelectsGroup(3);

  const auto record = textdata::ReadProfileRecord(RecordPath("1001"));
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

  EXPECT_NE(window_.page.find("Group: <b>Art Studio</b>"), std::string::npos);
  EXPECT_NE(window_.page.find("value=\"Anne-marie\""), std::string::npos);
  EXPECT_EQ(window_.attachmentEnabled, (std::array<bool, 3>{true, true, false}));
}

TEST_F(WizardTest, PlaceholderAfterStartUpAsksForAGroupAndBuildsItsForm) {
  Start("1001");
  const std::string before = test::ReadBytes(RecordPath("1001"));
  window_.PersonSelectsGroup(0);

  ASSERT_EQ(window_.messages.size(), 1u);
  EXPECT_EQ(window_.messages[0].text, "Please select a group first.");
  EXPECT_EQ(window_.messages[0].title, "");
  EXPECT_EQ(window_.messages[0].buttons, MessageButtons::kOk);
  EXPECT_EQ(window_.messages[0].icon, MessageIcon::kNone);
  EXPECT_EQ(test::ReadBytes(RecordPath("1001")), before);
  EXPECT_EQ(Sent(" UPDATE"), 0u);
  EXPECT_NE(window_.page.find("Group: <b>Select a group...</b>"), std::string::npos);
  EXPECT_EQ(window_.attachmentEnabled, (std::array<bool, 3>{false, false, false}));
}

TEST_F(WizardTest, SavingTwiceSendsTheNamesEachTimeAndNoGroupStatement) {
  Start("1001");
  TypeIntoPage("Émile", "Dubois", {"a", "b"});
  logic_->butSaveText_Click();
  logic_->butSaveText_Click();
  EXPECT_EQ(Sent(" UPDATE persons"), 2u);
  EXPECT_EQ(Sent(" Select g_id"), 0u);
  EXPECT_EQ(Sent(" UPDATE group_persons"), 0u);
  // The page had two of the three category fields: the third is written empty.
  EXPECT_EQ(textdata::ReadProfileRecord(RecordPath("1001"))->categories, (Strings{"a", "b", ""}));
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
  ASSERT_EQ(window_.messages.size(), 3u);
  for (std::size_t i : {0u, 2u}) {
    EXPECT_EQ(window_.messages[i].text, "Exit Kelvarin Marrowick?");
  }
  EXPECT_EQ(window_.messages[1].text, "Exit Kelvarin Vellumtide?");
  for (const MessageBox& box : window_.messages) {
    EXPECT_EQ(box.title, "Exit");
    EXPECT_EQ(box.buttons, MessageButtons::kYesNo);
    EXPECT_EQ(box.icon, MessageIcon::kQuestion);
  }
  EXPECT_EQ(Sent(" UPDATE"), 0u);

  window_.ended = false;
  window_.answers = {MessageAnswer::kYes};
  logic_->mnuProfile_Click();
  EXPECT_TRUE(window_.closed && window_.ended);
}

TEST_F(WizardTest, MissingSetupFileGivesEmptyCaptionsAndNoAttachments) {
  fs::remove(SetupDataPath(dir_.path()));
  Start("1001");
  EXPECT_NE(window_.page.find("<p><font face='Verdana, Arial' size='2'></font><br>    <textarea "
                              "name='cat3'"),
            std::string::npos);
  EXPECT_EQ(window_.attachmentEnabled, (std::array<bool, 3>{false, false, false}));
}

TEST_F(WizardTest, MissingDatabaseLeavesOnlyThePlaceholder) {
  fs::remove(DatabasePath(dir_.path()));
  Start("1001");
  EXPECT_EQ(window_.entries, Strings{"Select a group..."});
  EXPECT_EQ(window_.selected, 0);
  EXPECT_NE(window_.page.find("value=\"Émile\""), std::string::npos);
  EXPECT_FALSE(fs::exists(DatabasePath(dir_.path())));
}

TEST_F(WizardTest, MissingProfileFolderOpensAnEmptyFormAndWritesNoRecord) {
  Start("9999");
  EXPECT_EQ(window_.selected, 0);
  EXPECT_NE(window_.page.find("name='F_FirstName' value=\"\">"), std::string::npos);
  EXPECT_EQ(window_.page.find("textarea"), std::string::npos);

  TypeIntoPage("Nina", "Holt", {});
  window_.PersonSelectsGroup(2);
  EXPECT_FALSE(fs::exists(dir_ / "Profile" / "9999"));
  EXPECT_EQ(Sent(" UPDATE persons"), 1u);
  EXPECT_EQ(logic_->state().sOriginalGroup, "Chess & Go Club");
}

TEST_F(WizardTest, IdentifierThatIsNoPlainFolderNameReadsAndWritesNothing) {
  const std::string before = test::ReadBytes(RecordPath("1001"));
  Start("../Profile/1001");
  EXPECT_EQ(logic_->state().sProfilePath, fs::path());
  EXPECT_NE(window_.page.find("name='F_FirstName' value=\"\">"), std::string::npos);
  TypeIntoPage("Mallory", "X", {});
  window_.PersonSelectsGroup(1);
  EXPECT_EQ(test::ReadBytes(RecordPath("1001")), before);
  EXPECT_FALSE(fs::exists(dir_ / "pr.dat"));
  EXPECT_FALSE(fs::exists(dir_ / "Profile" / "pr.dat"));
}

}  // namespace
}  // namespace vt::app
