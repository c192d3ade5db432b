#include "platform/html_form_view.h"

#include <gtest/gtest.h>

#include <ostream>

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <string>
#include <vector>

#include "entryform/entry_page.h"

namespace vt::platform {
namespace {

using entryform::BuildEntryPage;

class HtmlFormViewTest : public ::testing::Test {
 protected:
  HtmlFormViewTest() {
    view.resize(700, 900);
    view.show();
  }

  template <typename Editor>
  Editor* Field(const char* name) {
    auto* editor = view.findChild<Editor*>(QString::fromLatin1(name));
    EXPECT_NE(editor, nullptr) << name;
    return editor;
  }

  std::string Value(const std::string& name) const {
    for (const entryform::PageElement& element : view.Elements()) {
      if (element.name == name) {
        return element.value;
      }
    }
    ADD_FAILURE() << "no element named " << name;
    return {};
  }

  // The label's text as a document would show it, lines without blanks at their ends.
  static QString Shown(const QLabel* label) {
    QTextDocument document;
    document.setHtml(label->text());
    QStringList lines = document.toPlainText().split(u'\n');
    for (QString& line : lines) {
      line = line.trimmed();
    }
    return lines.join(u'\n');
  }

  // The character format at the start of `text` in what the label shows.
  static QTextCharFormat FormatOf(const QLabel* label, const QString& text) {
    QTextDocument document;
    document.setHtml(label->text());
    QTextCursor cursor = document.find(text);
    EXPECT_FALSE(cursor.isNull()) << text.toStdString();
    return cursor.charFormat();
  }

  HtmlFormView view;
};

TEST_F(HtmlFormViewTest, TextAreasAndSingleLineNameInputsGiveBackEveryStoredTextUnchanged) {
  // Texts the page's escaping, the parser's line-break rules and Qt's documents could each alter,
  // with what comes back when it differs: every line break as CR LF.
  const std::pair<std::string, std::string> texts[] = {
      {R"(Go, chess & "speed" puzzles < 5 minutes > 3)", ""},
      {"&amp; &lt;b&gt; &#10; &nbsp; &quot; typed literally", ""},
      {"</textarea><b>not bold</b><input name='x'>", ""},
      {"\r\nstarts with a break", ""},
      {"\r\n\r\ntwo breaks first", ""},
      {"ends with a break\r\n", ""},
      {"\r\n", ""},
      {"line one\r\nline two\r\n\r\nline four", ""},
      {"tab\there\t\tand there", ""},
      {"no-break\u00a0space\u00a0\u00a0twice", ""},
      {"Zürich, Åkesson, grand-père, Ελληνικά, Кириллица, 日本語, 😀", ""},
      {"  blanks at both ends  ", ""},
      {"", ""},
      {"\nline feeds only\n", "\r\nline feeds only\r\n"},
      {"\n", "\r\n"},
  };
  for (const auto& [stored, returned] : texts) {
    SCOPED_TRACE(stored);
    view.SetPage(BuildEntryPage("G", "", "", {{"Caption", stored}, {"Next", "x"}}));
    EXPECT_EQ(Value("cat1"), returned.empty() ? stored : returned);
    EXPECT_EQ(Value("cat2"), "x");
    if (stored.find_first_of("\r\n") == std::string::npos) {
      view.SetPage(BuildEntryPage("G", stored, "Lee", {}));
      EXPECT_EQ(Value("F_FirstName"), stored);
      EXPECT_EQ(Value("F_LastName"), "Lee");
    }
  }
}

// Code points an HTML parser replaces or remaps, each of which a record may hold.
struct CodePoint {
  std::string name;
  std::string text;
};

void PrintTo(const CodePoint& c, std::ostream* out) {
  *out << c.name;
}

class CodePointTest : public HtmlFormViewTest, public ::testing::WithParamInterface<CodePoint> {};

TEST_P(CodePointTest, ComesBackUnchangedFromEveryField) {
  const std::string text = "a" + GetParam().text + "b";
  const std::vector<entryform::CategoryField> categories = {{"Caption", text}};
  view.SetPage(BuildEntryPage("G", text, "Lee", categories),
               entryform::EntryFieldValues(text, "Lee", categories));
  EXPECT_EQ(Value("cat1"), text);
  EXPECT_EQ(Value("F_FirstName"), text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CodePointTest,
    ::testing::Values(CodePoint{"Null", std::string("\0", 1)}, CodePoint{"StartOfHeading", "\x01"},
                      CodePoint{"VerticalTab", "\x0B"}, CodePoint{"FormFeed", "\x0C"},
                      CodePoint{"Escape", "\x1B"}, CodePoint{"UnitSeparator", "\x1F"},
                      CodePoint{"Delete", "\x7F"}, CodePoint{"C1Padding", "\xC2\x81"},
                      CodePoint{"C1Reverse", "\xC2\x8D"}, CodePoint{"C1Control", "\xC2\x9D"},
                      CodePoint{"NoBreakSpace", "\xC2\xA0"},
                      CodePoint{"NoncharacterFDD0", "\xEF\xB7\x90"},
                      CodePoint{"NoncharacterFFFE", "\xEF\xBF\xBE"},
                      CodePoint{"NoncharacterFFFF", "\xEF\xBF\xBF"},
                      CodePoint{"Noncharacter1FFFF", "\xF0\x9F\xBF\xBF"},
                      CodePoint{"ReplacementCharacter", "\xEF\xBF\xBD"},
                      CodePoint{"CharacterReferenceLookalike", "&#x80;&#0;&amp"}),
    [](const auto& info) { return info.param.name; });

// A caption an organiser mistyped: whatever it holds, every field of the page is still there,
// holding its text.
struct MalformedCaption {
  std::string name;
  std::string caption;
};

void PrintTo(const MalformedCaption& c, std::ostream* out) {
  *out << c.name;
}

class MalformedCaptionTest : public HtmlFormViewTest,
                             public ::testing::WithParamInterface<MalformedCaption> {};

TEST_P(MalformedCaptionTest, KeepsEveryFieldOfThePage) {
  const std::vector<entryform::CategoryField> categories = {
      {GetParam().caption, "first text"}, {"Second", "second text"}, {"Third", "third text"}};
  view.SetPage(BuildEntryPage("G", "Ann", "Lee", categories),
               entryform::EntryFieldValues("Ann", "Lee", categories));
  EXPECT_EQ(Value("F_FirstName"), "Ann");
  EXPECT_EQ(Value("F_LastName"), "Lee");
  EXPECT_EQ(Value("cat1"), "first text");
  EXPECT_EQ(Value("cat2"), "second text");
  EXPECT_EQ(Value("cat3"), "third text");
  std::size_t fields = 0;
  for (const entryform::PageElement& element : view.Elements()) {
    fields += element.tagName == "INPUT" || element.tagName == "TEXTAREA" ? 1 : 0;
  }
  EXPECT_EQ(fields, 5u) << "no field added or lost";
}

INSTANTIATE_TEST_SUITE_P(
    Captions, MalformedCaptionTest,
    ::testing::Values(MalformedCaption{"UnclosedSingleQuote", "<a href='x>Hobbies</a>"},
                      MalformedCaption{"UnclosedDoubleQuote", "<a href=\"x>Hobbies</a>"},
                      MalformedCaption{"UnclosedComment", "Hobbies <!-- to do"},
                      MalformedCaption{"Title", "<title>Hobbies"},
                      MalformedCaption{"Script", "<script>"},
                      MalformedCaption{"Style", "<style>b { }"},
                      MalformedCaption{"TextArea", "<textarea>Hobbies"},
                      MalformedCaption{"UnclosedAnchor", "<a href='x'>Hobbies"},
                      MalformedCaption{"ClosesThePage", "</font></p></body></html><p>After"},
                      MalformedCaption{"AFieldOfItsOwn", "<input name='cat2' value='x'>"},
                      MalformedCaption{"UnfinishedTag", "Hobbies <b"}),
    [](const auto& info) { return info.param.name; });

TEST_F(HtmlFormViewTest, ShowsCaptionMarkupAndEscapedValuesAsTextAndNamesFieldsByCaption) {
  view.SetPage(BuildEntryPage("<b>Chess</b> & Go", "", "",
                              {{"<b>Hobbies</b> and interests", ""}, {"Arts &amp; crafts", ""}}));
  view.resize(600, 800);
  view.show();

  // The group line is a label of its own; each field is named by its caption alone.
  QStringList labels;
  for (const QLabel* label : view.findChildren<QLabel*>()) {
    labels.append(Shown(label));
  }
  EXPECT_EQ(labels.join(u'|').toStdString(),
            "Group: <b>Chess</b> & Go|First Name|Last Name|Hobbies and interests|Arts & crafts|"
            "||||");
  EXPECT_EQ(Field<QLineEdit>("F_FirstName")->accessibleName(), QStringLiteral("First Name"));
  EXPECT_EQ(Field<QPlainTextEdit>("cat2")->accessibleName(), QStringLiteral("Arts & crafts"));
  const QLabel* group = view.findChildren<QLabel*>().first();
  EXPECT_EQ(FormatOf(group, QStringLiteral("<b>Chess")).fontWeight(), QFont::Bold);
  const QLabel* hobbies = view.findChildren<QLabel*>().at(3);
  EXPECT_EQ(FormatOf(hobbies, QStringLiteral("Hobbies")).fontWeight(), QFont::Bold);
  EXPECT_EQ(FormatOf(hobbies, QStringLiteral("and interests")).fontWeight(), QFont::Normal);

  // What is painted: the same text in a label that reads nothing as a shortcut marker. A label
  // with a buddy would drop each "&" and underline the letter after it.
  for (QLabel* label : view.findChildren<QLabel*>()) {
    QLabel plain(label->text(), label->parentWidget());
    plain.setTextFormat(Qt::RichText);
    plain.setWordWrap(true);
    plain.setGeometry(label->geometry());
    EXPECT_EQ(label->grab().toImage(), plain.grab().toImage()) << Shown(label).toStdString();
  }
}

TEST_F(HtmlFormViewTest, PaintsThePageInItsBodyColour) {
  const QColor plain = view.palette().color(QPalette::Window);
  ASSERT_NE(plain, QColor(Qt::white));
  const auto background = [this] { return view.widget()->palette().color(QPalette::Window); };
  view.SetPage(BuildEntryPage("Chess", "", "", {}));
  EXPECT_EQ(background(), QColor(Qt::white));
  view.SetPage("<body bgcolor='#336699'>x</body>");
  EXPECT_EQ(background(), QColor(0x33, 0x66, 0x99));
  for (const char* page : {"<body>x</body>", "<body bgcolor='no colour'>x</body>"}) {
    view.SetPage(page);
    EXPECT_EQ(background(), plain) << page;
  }
}

TEST_F(HtmlFormViewTest, TextAreasAreSizedByColumnsAndRowsAndWrapSoftly) {
  const std::string words(40, 'w');
  view.SetPage("<textarea name='small' cols='45' rows='10'>" + words + ' ' + words + ' ' + words +
               "</textarea><textarea name='large' cols='90' rows='20'></textarea>");
  QPlainTextEdit* small = Field<QPlainTextEdit>("small");
  QPlainTextEdit* large = Field<QPlainTextEdit>("large");
  const QFontMetrics metrics(small->font());
  EXPECT_EQ(large->width() - small->width(), 45 * metrics.averageCharWidth());
  EXPECT_EQ(large->height() - small->height(), 10 * metrics.lineSpacing());
  EXPECT_GE(small->width(), 45 * metrics.averageCharWidth());

  QApplication::processEvents();
  EXPECT_GT(small->document()->firstBlock().layout()->lineCount(), 1);
  EXPECT_EQ(Value("small"), words + ' ' + words + ' ' + words) << "wrapping adds no breaks";
}

TEST_F(HtmlFormViewTest, SamePageIsRebuiltOnlyWhenTypedIntoAndANewOneReplacesIt) {
  const std::string page = BuildEntryPage("A", "Ann", "Lee", {{"Hobbies", "x"}});
  view.SetPage(page);
  const QPointer<QPlainTextEdit> untouched = Field<QPlainTextEdit>("cat1");
  view.SetPage(page);
  EXPECT_EQ(Field<QPlainTextEdit>("cat1"), untouched.data()) << "an untouched page stays as it is";

  QTest::keyClicks(Field<QLineEdit>("F_FirstName"), QStringLiteral("ne"));
  QTest::keyClicks(Field<QPlainTextEdit>("cat1"), QStringLiteral("yz"));
  view.SetPage(page);
  EXPECT_EQ(Value("F_FirstName"), "Ann");
  EXPECT_EQ(Value("cat1"), "x");

  const QPointer<QPlainTextEdit> oldArea = Field<QPlainTextEdit>("cat1");
  view.SetPage(BuildEntryPage("B", "Bo", "", {}));
  QApplication::processEvents();
  EXPECT_TRUE(oldArea.isNull());
  EXPECT_EQ(view.findChild<QPlainTextEdit*>(), nullptr);
  EXPECT_EQ(Value("F_FirstName"), "Bo");
  for (const entryform::PageElement& element : view.Elements()) {
    EXPECT_NE(element.tagName, "TEXTAREA");
  }
}

TEST_F(HtmlFormViewTest, ALongPageIsBuiltAsItIsReachedAndGivesBackEveryText) {
  QWidget window;  // the page's fields between two buttons, as in the wizard
  auto* before = new QPushButton(QStringLiteral("Before"), &window);
  view.setParent(&window);
  const auto release = qScopeGuard([this] { view.setParent(nullptr); });  // the fixture owns it
  auto* after = new QPushButton(QStringLiteral("After"), &window);
  view.SetTabFollowers({after});
  window.resize(700, 600);
  view.setGeometry(0, 40, 700, 500);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

  constexpr int kCount = 300;
  std::vector<entryform::CategoryField> categories;
  for (int k = 1; k <= kCount; ++k) {
    categories.push_back({"Caption " + std::to_string(k), "text\r\n\x0B" + std::to_string(k)});
  }
  view.SetPage(BuildEntryPage("G", "Ann", "Lee", categories),
               entryform::EntryFieldValues("Ann", "Lee", categories));
  ASSERT_EQ(view.findChild<QPlainTextEdit*>(QStringLiteral("cat300")), nullptr)
      << "the end of the page is not built before it is needed";
  EXPECT_EQ(Value("cat300"),
            "text\r\n\x0B"
            "300")
      << "not built, still given back exactly";

  // Tab from the button before the page reaches every field in order, then the follower;
  // Shift+Tab walks back the same way.
  std::vector<std::string> expected = {"F_FirstName", "F_LastName"};
  for (int k = 1; k <= kCount; ++k) {
    expected.push_back("cat" + std::to_string(k));
  }
  expected.push_back("After");
  after->setObjectName(QStringLiteral("After"));
  before->setFocus();
  std::vector<std::string> forwards;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    forwards.push_back(QApplication::focusWidget()->objectName().toStdString());
  }
  EXPECT_EQ(forwards, expected);
  const QWidget* last = Field<QPlainTextEdit>("cat300");
  EXPECT_TRUE(view.viewport()->rect().contains(last->mapTo(view.viewport(), QPoint(0, 0))))
      << "each field the keyboard reaches is brought into sight";
  std::vector<std::string> backwards;
  for (std::size_t i = 1; i < expected.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    backwards.push_back(QApplication::focusWidget()->objectName().toStdString());
  }
  expected.pop_back();
  EXPECT_EQ(backwards, std::vector<std::string>(expected.rbegin(), expected.rend()));
  EXPECT_EQ(Value("cat300"),
            "text\r\n\x0B"
            "300");

  // A new page of the same length: scrolled to its end, what comes into sight is built.
  before->setFocus();
  view.SetPage(BuildEntryPage("H", "Ann", "Lee", categories),
               entryform::EntryFieldValues("Ann", "Lee", categories));
  QApplication::processEvents();
  ASSERT_EQ(view.findChild<QPlainTextEdit*>(QStringLiteral("cat300")), nullptr);
  view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return view.findChild<QPlainTextEdit*>(QStringLiteral("cat300")) != nullptr; }));
}

// True when the context-menu request brought up a menu, shown at once or run modally; the menu
// is closed again.
bool ContextMenuShown(QWidget* target) {
  bool shown = false;
  const auto closeMenu = [&shown] {
    if (QWidget* popup = QApplication::activePopupWidget()) {
      shown = true;
      popup->close();
    }
  };
  QTimer modalGuard;
  modalGuard.setSingleShot(true);
  QObject::connect(&modalGuard, &QTimer::timeout, closeMenu);
  modalGuard.start(0);
  const QPoint position(4, 4);
  QContextMenuEvent request(QContextMenuEvent::Keyboard, position, target->mapToGlobal(position));
  QApplication::sendEvent(target, &request);
  closeMenu();
  return shown;
}

TEST_F(HtmlFormViewTest, NoContextMenuAnywhereOnThePage) {
  QWidget window;  // a parent with a menu of its own, which the page must not show either
  window.setContextMenuPolicy(Qt::ActionsContextMenu);
  window.addAction(QStringLiteral("Parent's item"));
  view.setParent(&window);
  const auto release = qScopeGuard([this] { view.setParent(nullptr); });  // the fixture owns it
  window.show();
  view.SetPage(BuildEntryPage("G", "Ann", "Lee", {{"Hobbies", "x"}}));

  QLineEdit ordinary(&window);
  ASSERT_TRUE(ContextMenuShown(&ordinary)) << "the check must see a menu when there is one";

  EXPECT_FALSE(ContextMenuShown(Field<QLineEdit>("F_FirstName")));
  QPlainTextEdit* area = Field<QPlainTextEdit>("cat1");
  EXPECT_FALSE(ContextMenuShown(area));
  EXPECT_FALSE(ContextMenuShown(area->viewport()));
  EXPECT_FALSE(ContextMenuShown(view.findChild<QLabel*>()));
  EXPECT_FALSE(ContextMenuShown(view.widget()));
}

}  // namespace
}  // namespace vt::platform
