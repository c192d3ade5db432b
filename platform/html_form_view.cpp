#include "platform/html_form_view.h"

#include <algorithm>

#include <gumbo.h>

#include <QColor>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QVBoxLayout>
#include <memory>
#include <string_view>

#include "entryform/entry_page.h"

namespace vt::platform {
namespace {

// What an HTML textarea measures without cols and rows.
constexpr int kDefaultCols = 20;
constexpr int kDefaultRows = 2;

struct GumboOutputDeleter {
  void operator()(GumboOutput* output) const {
    gumbo_destroy_output(&kGumboDefaultOptions, output);
  }
};
using ParsedPage = std::unique_ptr<GumboOutput, GumboOutputDeleter>;

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return text;
}

std::string TagName(const GumboElement& element) {
  if (element.tag != GUMBO_TAG_UNKNOWN) {
    return UpperAscii(gumbo_normalized_tagname(element.tag));
  }
  GumboStringPiece original = element.original_tag;
  gumbo_tag_from_original_text(&original);
  return UpperAscii(std::string(original.data, original.length));
}

std::string Attribute(const GumboElement& element, const char* name) {
  const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, name);
  return attribute != nullptr ? attribute->value : "";
}

int PositiveAttribute(const GumboElement& element, const char* name, int fallback) {
  bool ok = false;
  const int value = QString::fromStdString(Attribute(element, name)).toInt(&ok);
  return ok && value > 0 ? value : fallback;
}

std::string TextContent(const GumboElement& element) {
  std::string text;
  for (unsigned i = 0; i < element.children.length; ++i) {
    const auto* child = static_cast<const GumboNode*>(element.children.data[i]);
    if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE) {
      text += child->v.text.text;
    }
  }
  return text;
}

bool IsTextInput(const GumboElement& element) {
  const std::string type = UpperAscii(Attribute(element, "type"));
  return type.empty() || type == "TEXT";
}

// Document structure and unknown tags carry no formatting a label could show.
bool IsLabelMarkup(GumboTag tag) {
  return tag != GUMBO_TAG_HTML && tag != GUMBO_TAG_HEAD && tag != GUMBO_TAG_BODY &&
         tag != GUMBO_TAG_UNKNOWN;
}

bool IsRendered(GumboTag tag) {
  return tag != GUMBO_TAG_HEAD && tag != GUMBO_TAG_SCRIPT && tag != GUMBO_TAG_STYLE &&
         tag != GUMBO_TAG_TEMPLATE;
}

std::string StartTag(const GumboElement& element) {
  std::string tag = "<";
  tag += gumbo_normalized_tagname(element.tag);
  for (unsigned i = 0; i < element.attributes.length; ++i) {
    const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
    tag += ' ';
    tag += attribute->name;
    tag += "=\"" + entryform::EscapeHtml(attribute->value) + '"';
  }
  return tag + '>';
}

std::string EndTag(const GumboElement& element) {
  return std::string("</") + gumbo_normalized_tagname(element.tag) + '>';
}

// A line break or blank right before a field adds nothing: the field starts its own row.
void TrimTrailingBreaks(std::string& chunk) {
  constexpr std::string_view kBreak = "<br>";
  for (;;) {
    const std::size_t blanks = chunk.find_last_not_of(" \t\r\n\f");
    chunk.resize(blanks == std::string::npos ? 0 : blanks + 1);
    if (!std::string_view(chunk).ends_with(kBreak)) {
      return;
    }
    chunk.resize(chunk.size() - kBreak.size());
  }
}

// Walks the parsed page in document order and lays the form out on `page`.
class FormBuilder {
 public:
  explicit FormBuilder(QWidget& page) : page_(page), layout_(*new QVBoxLayout(&page)) {}

  std::vector<HtmlFormView::Element> Build(const GumboNode& document) {
    Visit(document);
    EmitLabel();
    layout_.addStretch();
    return std::move(elements_);
  }

 private:
  void Visit(const GumboNode& node) {
    switch (node.type) {
      case GUMBO_NODE_DOCUMENT:
        VisitChildren(node.v.document.children);
        break;
      case GUMBO_NODE_ELEMENT:
      case GUMBO_NODE_TEMPLATE:
        VisitElement(node.v.element);
        break;
      case GUMBO_NODE_TEXT:
      case GUMBO_NODE_CDATA:
        AppendText(node.v.text.text, true);
        break;
      case GUMBO_NODE_WHITESPACE:
        AppendText(node.v.text.text, false);
        break;
      case GUMBO_NODE_COMMENT:
        break;
    }
  }

  void VisitChildren(const GumboVector& children) {
    for (unsigned i = 0; i < children.length; ++i) {
      Visit(*static_cast<const GumboNode*>(children.data[i]));
    }
  }

  void VisitElement(const GumboElement& element) {
    elements_.push_back({TagName(element), Attribute(element, "name"), nullptr, {}, {}});
    switch (element.tag) {
      case GUMBO_TAG_INPUT:
        if (IsTextInput(element)) {
          AddEditor(MakeLineEdit(element));
        }
        return;
      case GUMBO_TAG_TEXTAREA:
        AddEditor(MakeTextArea(element));
        return;
      case GUMBO_TAG_BR:
        if (rendering_) {
          chunk_ += "<br>";
        }
        return;
      case GUMBO_TAG_BODY:
        PaintBackground(Attribute(element, "bgcolor"));
        VisitContainer(element);
        return;
      default:
        VisitContainer(element);
    }
  }

  // The page's background colour, as a browser paints it; a colour Qt cannot read is ignored.
  void PaintBackground(const std::string& colour) {
    const QColor background = QColor::fromString(colour);
    if (!background.isValid()) {
      return;
    }
    QPalette palette = page_.palette();
    palette.setColor(QPalette::Window, background);
    page_.setPalette(palette);
    page_.setAutoFillBackground(true);
  }

  void VisitContainer(const GumboElement& element) {
    const bool wasRendering = rendering_;
    rendering_ = rendering_ && IsRendered(element.tag);
    const bool markup = rendering_ && IsLabelMarkup(element.tag);
    if (markup) {
      chunk_ += StartTag(element);
      open_.push_back(&element);
    }
    VisitChildren(element.children);
    if (markup) {
      open_.pop_back();
      chunk_ += EndTag(element);
    }
    if (element.tag == GUMBO_TAG_P && chunkVisible_ && rendering_) {
      // A paragraph of its own, such as the group line, is its own label: no field is named by
      // more than its caption.
      EmitLabel();
      ReopenMarkup();
    }
    rendering_ = wasRendering;
  }

  void AppendText(const char* text, bool visible) {
    if (rendering_) {
      chunk_ += entryform::EscapeHtml(text);
      chunkVisible_ = chunkVisible_ || visible;
    }
  }

  QLineEdit* MakeLineEdit(const GumboElement& element) {
    auto* edit = new QLineEdit(QString::fromStdString(Attribute(element, "value")), &page_);
    edit->setCursorPosition(0);
    return edit;
  }

  QPlainTextEdit* MakeTextArea(const GumboElement& element) {
    auto* edit = new QPlainTextEdit(&page_);
    edit->setPlainText(QString::fromStdString(TextContent(element)));
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    edit->setTabChangesFocus(true);  // as in a browser: Tab leaves the field, never traps
    const QFontMetrics metrics(edit->font());
    const int margins =
        2 * (edit->frameWidth() + static_cast<int>(edit->document()->documentMargin()));
    const int cols = PositiveAttribute(element, "cols", kDefaultCols);
    const int rows = PositiveAttribute(element, "rows", kDefaultRows);
    edit->setFixedSize(
        cols * metrics.averageCharWidth() + margins + edit->verticalScrollBar()->sizeHint().width(),
        rows * metrics.lineSpacing() + margins);
    return edit;
  }

  // The editor is named for screen readers by its caption as shown, the text before it since the
  // last field or paragraph; a field without one keeps its field name. No label becomes its buddy:
  // a buddy would make Qt read every "&" of the caption as a shortcut marker.
  void AddEditor(QWidget* editor) {
    const QString name = QString::fromStdString(elements_.back().name);
    editor->setObjectName(name);
    editor->setContextMenuPolicy(Qt::PreventContextMenu);
    elements_.back().editor = editor;
    const QLabel* label = EmitLabel();
    const QString caption =
        label != nullptr ? QTextDocumentFragment::fromHtml(label->text()).toPlainText().trimmed()
                         : QString();
    editor->setAccessibleName(caption.isEmpty() ? name : caption);
    layout_.addWidget(editor, 0, Qt::AlignLeft);
    ReopenMarkup();
  }

  // The markup still open goes on in the next chunk.
  void ReopenMarkup() {
    for (const GumboElement* element : open_) {
      chunk_ += StartTag(*element);
    }
  }

  // Closes the open tags, shows the chunk when it holds text and starts the next one empty.
  QLabel* EmitLabel() {
    QLabel* label = nullptr;
    if (chunkVisible_) {
      TrimTrailingBreaks(chunk_);
      for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
        chunk_ += EndTag(**it);
      }
      label = new QLabel(QString::fromStdString(chunk_), &page_);
      label->setTextFormat(Qt::RichText);
      label->setWordWrap(true);
      layout_.addWidget(label);
    }
    chunk_.clear();
    chunkVisible_ = false;
    return label;
  }

  QWidget& page_;
  QVBoxLayout& layout_;
  std::vector<HtmlFormView::Element> elements_;
  std::vector<const GumboElement*> open_;  // markup open at this point of the chunk
  std::string chunk_;
  bool chunkVisible_ = false;
  bool rendering_ = true;
};

// An editor's lines end in LF, as the page's fields have them: CR LF and a lone CR become LF.
QString AsEditorText(const std::string& text) {
  QString value = QString::fromStdString(text);
  value.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  value.replace(u'\r', u'\n');
  return value;
}

// The editors keep the paragraph and line separators of Qt's documents; the page hands every
// line break back as CR LF.
std::string WithCrLf(QString text) {
  text.replace(QChar::ParagraphSeparator, u'\n');
  text.replace(QChar::LineSeparator, u'\n');
  text.replace(u'\n', QStringLiteral("\r\n"));
  return text.toStdString();
}

std::string EditorValue(const QWidget& editor) {
  if (const auto* line = qobject_cast<const QLineEdit*>(&editor)) {
    return WithCrLf(line->text());
  }
  // Raw text: the plain-text export turns a no-break space into a blank.
  const auto& area = static_cast<const QPlainTextEdit&>(editor);
  return WithCrLf(area.document()->toRawText());
}

}  // namespace

HtmlFormView::HtmlFormView(QWidget* parent) : QScrollArea(parent) {
  setWidgetResizable(true);
  setFocusPolicy(Qt::NoFocus);
  // The page suppresses its context menu; PreventContextMenu also keeps a parent's from showing.
  setContextMenuPolicy(Qt::PreventContextMenu);
  SetPage({});
}

void HtmlFormView::SetPage(const std::string& html,
                           const std::vector<entryform::FieldValue>& values) {
  // Building a page costs more than anything else the window does; the same page, not yet typed
  // into, would be built again exactly as it stands.
  if (ShowsUntouched(html)) {
    return;
  }
  const ParsedPage parsed(
      gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size()));
  auto* page = new QWidget;
  page->setContextMenuPolicy(Qt::PreventContextMenu);
  elements_ = FormBuilder(*page).Build(*parsed->document);
  setWidget(page);  // deletes the previous page with its editors
  html_ = html;
  PutValues(values);
  for (Element& element : elements_) {
    if (element.editor != nullptr) {
      element.builtValue = EditorValue(*element.editor);
    }
  }
  PlaceEditorsInTabOrder();
}

bool HtmlFormView::ShowsUntouched(const std::string& html) const {
  return html == html_ && widget() != nullptr &&
         std::all_of(elements_.begin(), elements_.end(), [](const Element& element) {
           return element.editor == nullptr || EditorValue(*element.editor) == element.builtValue;
         });
}

std::vector<entryform::PageElement> HtmlFormView::Elements() const {
  std::vector<entryform::PageElement> elements;
  elements.reserve(elements_.size());
  for (const Element& element : elements_) {
    std::string value = element.editor != nullptr ? EditorValue(*element.editor) : std::string();
    if (element.givenValue && value == element.builtValue) {
      value = *element.givenValue;  // untouched: exactly what the field was given
    }
    elements.push_back({element.tagName, element.name, std::move(value)});
  }
  return elements;
}

void HtmlFormView::PutValues(const std::vector<entryform::FieldValue>& values) {
  for (const entryform::FieldValue& value : values) {
    const auto element =
        std::find_if(elements_.begin(), elements_.end(), [&](const Element& candidate) {
          return candidate.editor != nullptr && candidate.name == value.name;
        });
    if (element == elements_.end()) {
      continue;
    }
    element->givenValue = value.text;
    if (auto* line = qobject_cast<QLineEdit*>(element->editor)) {
      line->setText(AsEditorText(value.text));
      line->setCursorPosition(0);
    } else {
      static_cast<QPlainTextEdit*>(element->editor)->setPlainText(AsEditorText(value.text));
    }
  }
}

void HtmlFormView::FocusFirstField() const {
  const auto first = std::find_if(elements_.begin(), elements_.end(),
                                  [](const Element& element) { return element.editor != nullptr; });
  if (first != elements_.end()) {
    first->editor->setFocus(Qt::TabFocusReason);
  }
}

void HtmlFormView::PlaceEditorsInTabOrder() const {
  QWidget* previous = tabAnchor_;
  for (const Element& element : elements_) {
    if (element.editor == nullptr) {
      continue;
    }
    if (previous != nullptr) {
      QWidget::setTabOrder(previous, element.editor);
    }
    previous = element.editor;
  }
}

}  // namespace vt::platform
