#include "platform/dialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QTest>
#include <string>
#include <vector>

namespace vt::platform {
namespace {

using app::MessageAnswer;
using app::MessageButtons;
using app::MessageIcon;

const app::MessageBox kExitQuestion = {"Exit Kelvarin Vellumtide?", "Exit", MessageButtons::kYesNo,
                                       MessageIcon::kQuestion};

// What a hook saw of a message box.
struct Seen {
  QString title;
  QString text;
  QMessageBox::StandardButtons buttons;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool visible = false;
};

DialogHook Press(QMessageBox::StandardButton button, Seen* seen = nullptr) {
  return [button, seen](QDialog& dialog) {
    auto& box = dynamic_cast<QMessageBox&>(dialog);
    if (seen != nullptr) {
      *seen = {box.windowTitle(), box.text(), box.standardButtons(), box.icon(), box.isVisible()};
    }
    box.button(button)->click();
  };
}

DialogHook PressKey(Qt::Key key) {
  return [key](QDialog& dialog) { QTest::keyClick(&dialog, key); };
}

TEST(MessageBox, QuestionShowsItsTextTitleButtonsAndIcon) {
  for (const auto& [button, answer] : {std::pair{QMessageBox::Yes, MessageAnswer::kYes},
                                       std::pair{QMessageBox::No, MessageAnswer::kNo}}) {
    Seen seen;
    ScopedDialogHooks hooks({Press(button, &seen)});
    EXPECT_EQ(ShowMessageBox(nullptr, kExitQuestion), answer);
    EXPECT_EQ(seen.title, QStringLiteral("Exit"));
    EXPECT_EQ(seen.text, QStringLiteral("Exit Kelvarin Vellumtide?"));
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_TRUE(seen.visible);
    EXPECT_EQ(hooks.Remaining(), 0u);
  }
}

TEST(MessageBox, NoticeWithoutTitleIsTitledWithTheProgramsName) {
  Seen seen;
  ScopedDialogHooks hooks({Press(QMessageBox::Ok, &seen)});
  EXPECT_EQ(ShowMessageBox(nullptr, {"Please select a group first.", "", MessageButtons::kOk,
                                     MessageIcon::kNone}),
            MessageAnswer::kOk);
  EXPECT_EQ(seen.title, QStringLiteral("Vellumtide"));
  EXPECT_EQ(seen.text, QStringLiteral("Please select a group first."));
  EXPECT_EQ(seen.buttons, QMessageBox::Ok);
  EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
}

TEST(MessageBox, KeyboardAnswersYesWithEnterAndNoWithEscape) {
  ScopedDialogHooks hooks({PressKey(Qt::Key_Return), PressKey(Qt::Key_Escape)});
  EXPECT_EQ(ShowMessageBox(nullptr, kExitQuestion), MessageAnswer::kYes);
  EXPECT_EQ(ShowMessageBox(nullptr, kExitQuestion), MessageAnswer::kNo);
}

TEST(DialogHooks, AnswerNestedDialogsInTurn) {
  std::vector<std::string> order;
  MessageAnswer inner = MessageAnswer::kOk;
  ScopedDialogHooks hooks({
      [&](QDialog& outer) {
        order.push_back("outer");
        inner = ShowMessageBox(&outer, {"Inner", "", MessageButtons::kYesNo, MessageIcon::kNone});
        Press(QMessageBox::Ok)(outer);
      },
      [&](QDialog& dialog) {
        order.push_back("inner");
        Press(QMessageBox::No)(dialog);
      },
  });
  EXPECT_EQ(ShowMessageBox(nullptr, {"Outer", "", MessageButtons::kOk, MessageIcon::kNone}),
            MessageAnswer::kOk);
  EXPECT_EQ(order, (std::vector<std::string>{"outer", "inner"}));
  EXPECT_EQ(inner, MessageAnswer::kNo);
  EXPECT_TRUE(hooks.Unexpected().empty());
}

TEST(DialogHooks, DialogLeftUnansweredIsClosed) {
  QDialog dialog;
  ScopedDialogHooks hooks({[](QDialog& shown) { EXPECT_TRUE(shown.isVisible()); }});
  EXPECT_EQ(RunDialog(dialog), QDialog::Rejected);
  EXPECT_FALSE(dialog.isVisible());
}

TEST(DialogHooks, DialogBeyondTheHooksIsRejectedAndNoted) {
  ScopedDialogHooks outer({Press(QMessageBox::Yes)});
  {
    ScopedDialogHooks hooks({});
    EXPECT_EQ(ShowMessageBox(nullptr, kExitQuestion), MessageAnswer::kNo);
    EXPECT_EQ(hooks.Unexpected(), std::vector<std::string>{"Exit: Exit Kelvarin Vellumtide?"});
  }
  EXPECT_EQ(ShowMessageBox(nullptr, kExitQuestion), MessageAnswer::kYes)
      << "the outer hooks are back in force";
}

}  // namespace
}  // namespace vt::platform
