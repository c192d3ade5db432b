#include "platform/dialogs.h"

#include <gtest/gtest.h>

#include <QTest>
#include <string>
#include <vector>

#include "tests/gui/message_hooks.h"
#include "tests/support/row_name.h"

namespace vt::platform {
namespace {

using app::MessageAnswer, test::Press;
using Strings = std::vector<std::string>;

const app::MessageBox kExit = {"Exit <b>Vellumtide</b>?", "Exit", app::MessageButtons::kYesNo,
                               app::MessageIcon::kQuestion};
const app::MessageBox kNotice = {"Select a group.", "", app::MessageButtons::kOk,
                                 app::MessageIcon::kNone};

struct Box {
  std::string name;
  app::MessageBox box;
  DialogHook answer;
  MessageAnswer expected;
};

class MessageBoxTest : public ::testing::TestWithParam<Box> {};

// The text is shown as it stands, never as markup; a box without a title has the program's name.
TEST_P(MessageBoxTest, ShowsItsTextTitleButtonsAndIconAndReturnsTheAnswer) {
  Strings seen;
  ScopedDialogHooks hooks({[&](QDialog& dialog) {
    auto& box = dynamic_cast<QMessageBox&>(dialog);
    seen.push_back(test::Described(box) + (box.textFormat() == Qt::PlainText ? "" : " as markup"));
    GetParam().answer(dialog);
  }});
  EXPECT_EQ(ShowMessageBox(nullptr, GetParam().box), GetParam().expected);
  EXPECT_EQ(seen, Strings{GetParam().box.title.empty()
                              ? "[Vellumtide] Select a group. (Ok)"
                              : "[Exit] Exit <b>Vellumtide</b>? (YesNo, Question)"});
}

const Box kBoxes[] = {
    {"Yes", kExit, Press(QMessageBox::Yes), MessageAnswer::kYes},
    {"No", kExit, Press(QMessageBox::No), MessageAnswer::kNo},
    {"ReturnIsYes", kExit, [](QDialog& box) { QTest::keyClick(&box, Qt::Key_Return); },
     MessageAnswer::kYes},
    {"EscapeIsNo", kExit, [](QDialog& box) { QTest::keyClick(&box, Qt::Key_Escape); },
     MessageAnswer::kNo},
    {"Notice", kNotice, Press(QMessageBox::Ok), MessageAnswer::kOk},
};
INSTANTIATE_TEST_SUITE_P(Answers, MessageBoxTest, ::testing::ValuesIn(kBoxes), test::RowName());

TEST(DialogHooks, CloseWhatIsLeftOpenRejectAndNoteWhatHasNoHookAndNest) {
  QDialog dialog;
  ScopedDialogHooks outer(
      {[](QDialog& shown) { EXPECT_TRUE(shown.isVisible()); }, Press(QMessageBox::Yes)});
  EXPECT_EQ(RunDialog(dialog), QDialog::Rejected);
  EXPECT_FALSE(dialog.isVisible());
  {
    ScopedDialogHooks inner({});
    EXPECT_EQ(ShowMessageBox(nullptr, kExit), MessageAnswer::kNo);
    EXPECT_EQ(inner.Unexpected(), Strings{"Exit: Exit <b>Vellumtide</b>?"});
  }
  EXPECT_EQ(ShowMessageBox(nullptr, kExit), MessageAnswer::kYes) << "the outer hooks are back";
  EXPECT_EQ(outer.Remaining(), 0u);
}

}  // namespace
}  // namespace vt::platform
