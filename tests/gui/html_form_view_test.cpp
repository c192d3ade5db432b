#include "platform/html_form_view.h"

#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>
#include <map>

namespace vt::platform {
namespace {

using entryform::BuildEntryPage, entryform::EntryFieldValues;
using Strings = std::vector<std::string>;
using Categories = std::vector<entryform::CategoryField>;

// The page between two buttons, as in the wizard.
class HtmlFormViewTest : public ::testing::Test {
 protected:
  HtmlFormViewTest() {
    after->setObjectName(QStringLiteral("After"));
    view->SetTabFollowers({after});
    window.resize(700, 600);
    view->setGeometry(0, 40, 700, 500);
    window.show();
  }

  // The entry page as the wizard shows it, the texts given exactly.
  void Show(const std::string& group, const Categories& categories,
            const std::string& first = "Ann") {
    view->SetPage(BuildEntryPage(group, first, "Lee", categories),
                  EntryFieldValues(first, "Lee", categories));
  }

  // "name=value" of each field, in page order.
  Strings Fields() const {
    Strings fields;
    for (const entryform::PageElement& element : view->Elements()) {
      if (element.tagName == "INPUT" || element.tagName == "TEXTAREA") {
        fields.push_back(element.name + "=" + element.value);
      }
    }
    return fields;
  }

  QWidget* Find(const char* name) const { return view->findChild<QWidget*>(QLatin1String(name)); }

  QWidget window;
  QPushButton* before = new QPushButton(&window);
  HtmlFormView* view = new HtmlFormView(&window);
  QPushButton* after = new QPushButton(&window);
};

// A text as stored in a category, given back exactly, as is each field after it: leading breaks
// (which a textarea would drop), markup, entities, tabs, NUL and control and non-characters.
// Containing a mistyped caption is the page builder's work.
TEST_F(HtmlFormViewTest, TextComesBackExactlyUntilTypedIntoAndTheSamePageIsRebuiltOnlyThen) {
  const std::string text =
      "\r\n\r\ntwo breaks first\nline feeds\tand\t\ttabs\u00a0\u00a0Z\u00fcrich "
      "\u0395\u03bb\u65e5\u672c 😀  \r\n" +
      std::string(1, '\0') + "\x01\x0B\x1B\x7F\u0081\u009D\uFDD0\uFFFE\uFFFF\U0001FFFF" +
      R"(</textarea><b>x</b><input name='x'> & "q" < 5 > &amp; &#0; &nbsp;)";
  Show("H", {{"Caption", text}, {"Next", "x"}}, text);
  EXPECT_EQ(Fields(), (Strings{"F_FirstName=" + text, "F_LastName=Lee", "cat1=" + text, "cat2=x"}));

  // The same page again is rebuilt only once typed into; a new one replaces it.
  Show("A", {{"Hobbies", "x"}});
  const QPointer<QWidget> shown = Find("cat1");
  Show("A", {{"Hobbies", "x"}});
  EXPECT_EQ(Find("cat1"), shown.data()) << "an untouched page stays as it is";
  QTest::keyClicks(Find("F_FirstName"), QStringLiteral("ne"));
  QTest::keyClicks(Find("cat1"), QStringLiteral("yz"));
  QTest::keyClick(Find("cat1"), Qt::Key_Return);  // a line break as typed is given back as CR LF
  EXPECT_EQ(Fields(), (Strings{"F_FirstName=neAnn", "F_LastName=Lee", "cat1=yz\r\nx"}));
  Show("A", {{"Hobbies", "x"}});
  EXPECT_EQ(Fields(), (Strings{"F_FirstName=Ann", "F_LastName=Lee", "cat1=x"}));
  Show("B", {});
  EXPECT_EQ(Fields(), (Strings{"F_FirstName=Ann", "F_LastName=Lee"}));
}

// Neither an editor's menu nor the window's own shows on the page; an ordinary editor beside it
// proves the check sees menus.
TEST_F(HtmlFormViewTest, ShowsEachCaptionAboveItsFieldWhichItNamesForScreenReadersWithoutMenus) {
  window.setContextMenuPolicy(Qt::CustomContextMenu);
  const QSignalSpy windowMenus(&window, &QWidget::customContextMenuRequested);
  Show("<b>Chess</b> & Go",
       {{"<b>Hobbies</b> <i>and</i> interests<style>b {}</style><template><i>x</i></template>", ""},
        {"Arts &amp; crafts", ""}});
  // Top to bottom: each label's text as read (a caption's markup is shown as such, the group's
  // as text), each field as a screen reader names it.
  std::map<int, std::string> shown;
  for (QWidget* widget : view->widget()->findChildren<QWidget*>()) {
    std::string& at = shown[widget->mapTo(view->widget(), QPoint()).y()];
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      at += QTextDocumentFragment::fromHtml(label->text()).toPlainText().trimmed().toStdString();
      // What is painted: rich text, and no buddy, which would drop each "&" and underline the
      // letter after it.
      QLabel plain(label->text(), label->parentWidget());
      plain.setGeometry(label->geometry());
      EXPECT_EQ(label->grab().toImage(), plain.grab().toImage()) << at;
    } else if (widget->inherits("QLineEdit") || widget->inherits("QPlainTextEdit")) {
      at += widget->objectName().toStdString() + ": " + widget->accessibleName().toStdString();
    }
  }
  std::string page;
  for (const auto& [top, text] : shown) {
    page += text.empty() ? "" : text + "|";
  }
  EXPECT_EQ(page,
            "Group: <b>Chess</b> & Go|First Name|F_FirstName: First Name|Last Name|"
            "F_LastName: Last Name|Hobbies and interests|cat1: Hobbies and interests|"
            "Arts & crafts|cat2: Arts & crafts|");
  QLineEdit ordinary(&window);
  for (QWidget* part : std::initializer_list<QWidget*>{
           &ordinary, Find("F_FirstName"), static_cast<QPlainTextEdit*>(Find("cat1"))->viewport(),
           view->findChild<QLabel*>(), view->widget(), view, before}) {
    QContextMenuEvent request(QContextMenuEvent::Keyboard, {4, 4}, part->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(part, &request);
    QWidget* menu = QApplication::activePopupWidget();  // closed when there is one
    EXPECT_EQ(menu && menu->close(), part == &ordinary) << part->metaObject()->className();
  }
  EXPECT_EQ(windowMenus.size(), 1) << "asked for on the button only";
}

TEST_F(HtmlFormViewTest, TextAreasAreSizedByColumnsAndRowsOnTheBodyColour) {
  view->SetPage(
      "<body bgcolor=#336699><textarea name=small cols=45 rows=10>a\tb  c"
      "</textarea><textarea name=large cols=90 rows=20></textarea>");
  const QFontMetrics metrics(Find("small")->font());
  EXPECT_EQ(Find("large")->size() - Find("small")->size(),
            QSize(45 * metrics.averageCharWidth(), 10 * metrics.lineSpacing()));
  EXPECT_EQ(Find("small")->accessibleName(), u"small") << "no caption: named by its field";
  EXPECT_EQ(Fields(), (Strings{"small=a\tb  c", "large="})) << "what the page holds";
  EXPECT_EQ(view->grab().toImage().pixelColor(view->viewport()->width() - 30, 2),
            QColor(0x33, 0x66, 0x99));
}

TEST_F(HtmlFormViewTest, ALongPageIsBuiltAsItIsReachedAndWalkedByKeyboard) {
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  Categories categories;
  Strings order = {"F_FirstName: First Name", "F_LastName: Last Name"};
  for (int k = 1; k <= 300; ++k) {
    const std::string n = std::to_string(k);
    categories.push_back({"Caption " + n, "text\r\n\v" + n});
    order.push_back("cat" + n + ": Caption " + n);
  }
  Show("G", categories);
  ASSERT_EQ(Find("cat300"), nullptr) << "the end of the page is not built before it is needed";
  after->setFocus();
  QTest::keyClick(after, Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), Find("cat300")) << "Shift+Tab reaches the page's end";

  // Tab from the button before the page reaches every field in order, each brought into sight,
  // then the follower.
  order.push_back("After: ");
  Strings reached;
  before->setFocus();
  while (reached.size() < order.size()) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    const QWidget* at = QApplication::focusWidget();
    const bool hidden = view->isAncestorOf(at) &&
                        !view->viewport()->rect().contains(at->mapTo(view->viewport(), QPoint()));
    reached.push_back(at->objectName().toStdString() + ": " + at->accessibleName().toStdString() +
                      (hidden ? " out of sight" : ""));
  }
  EXPECT_EQ(reached, order);

  // A new page of the same length: scrolled to its end, what comes into sight is built.
  before->setFocus();
  Show("H", categories);
  QApplication::processEvents();
  ASSERT_EQ(Find("cat300"), nullptr);
  view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
  EXPECT_TRUE(QTest::qWaitFor([&] { return Find("cat300") != nullptr; }));
}

}  // namespace
}  // namespace vt::platform
