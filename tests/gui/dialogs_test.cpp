#include "platform/dialogs.h"

#include <gtest/gtest.h>

#include <QTest>
#include <string>
#include <vector>

#include "tests/gui/message_hooks.h"

namespace vt::platform {
namespace {

using app::MessageAnswer;
using app::MessageButtons;
using app::MessageIcon;
using Strings = std::vector<std::string>;
using test::Press;

const app::MessageBox kExitQuestion = {"Exit Kelvarin Vellumtide?", "Exit", MessageButtons::kYesNo,
                                       MessageIcon::kQuestion};
const app::MessageBox kNotice = {"Please select a group first.", "", MessageButtons::kOk,
                                 MessageIcon::kNone};

DialogHook PressKey(Qt::Key key) {
  return [key](QDialog& dialog) { QTest::keyClick(&dialog, key); };
}

TEST(MessageBox, ShowsItsTextTitleButtonsAndIconAndReturnsTheButtonPressed) {
  const std::string kExitSeen = "[Exit] Exit Kelvarin Vellumtide? (YesNo, Question)";
  const struct {
    app::MessageBox box;
    DialogHook answer;
    MessageAnswer expected;
    std::string seen;
  } cases[] = {
      {kExitQuestion, Press(QMessageBox::Yes), MessageAnswer::kYes, kExitSeen},
      {kExitQuestion, Press(QMessageBox::No), MessageAnswer::kNo, kExitSeen},
      {kExitQuestion, PressKey(Qt::Key_Return), MessageAnswer::kYes, kExitSeen},
      {kExitQuestion, PressKey(Qt::Key_Escape), MessageAnswer::kNo, kExitSeen},
      // Without a title the box is titled with the program's name.
      {kNotice, Press(QMessageBox::Ok), MessageAnswer::kOk,
       "[Vellumtide] Please select a group first. (Ok)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seen);
    Strings shown;
    ScopedDialogHooks hooks({[&](QDialog& dialog) {
      shown.push_back(test::Described(dynamic_cast<QMessageBox&>(dialog)));
      c.answer(dialog);
    }});
    EXPECT_EQ(ShowMessageBox(nullptr, c.box), c.expected);
    EXPECT_EQ(hooks.Remaining(), 0u);
    EXPECT_EQ(shown, Strings{c.seen});
  }
}

TEST(DialogHooks, DialogLeftUnansweredIsClosedAndOneBeyondTheHooksIsRejectedAndNoted) {
  QDialog dialog;
  ScopedDialogHooks outer(
      {[](QDialog& shown) { EXPECT_TRUE(shown.isVisible()); }, Press(QMessageBox::Yes)});
  EXPECT_EQ(RunDialog(dialog), QDialog::Rejected);
  EXPECT_FALSE(dialog.isVisible());
  {
    ScopedDialogHooks hooks({});
    EXPECT_EQ(ShowMessageBox(nullptr, kExitQuestion), MessageAnswer::kNo);
    EXPECT_EQ(hooks.Unexpected(), Strings{"Exit: Exit Kelvarin Vellumtide?"});
  }
  EXPECT_EQ(ShowMessageBox(nullptr, kExitQuestion), MessageAnswer::kYes)
      << "the outer hooks are back in force";
}

}  // namespace
}  // namespace vt::platform
