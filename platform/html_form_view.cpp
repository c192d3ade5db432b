#include "platform/html_form_view.h"

#include <algorithm>

#include <gumbo.h>

#include <QColor>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QVBoxLayout>
#include <memory>
#include <span>
#include <string_view>
#include <unordered_map>

#include "entryform/entry_page.h"

namespace vt::platform {
namespace {

// The page is made in blocks of this many labels and fields, each built when it is first shown
// or reached by the keyboard: a page of thousands of fields opens as fast as a short one.
constexpr std::size_t kPiecesPerBlock = 24;

// For estimating the height of a block not built yet.
constexpr int kMinimumEstimateWidth = 200;
constexpr int kEditorFrame = 12;

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

// The editors keep the paragraph and line separators of Qt's documents; the page hands every
// line break back as CR LF.
std::string WithCrLf(QString text) {
  text.replace(QChar::ParagraphSeparator, u'\n');
  text.replace(QChar::LineSeparator, u'\n');
  text.replace(u'\n', QStringLiteral("\r\n"));
  return text.toStdString();
}

// An editor's lines end in LF, as the page's fields have them: CR LF and a lone CR become LF.
QString AsEditorText(const std::string& text) {
  QString value = QString::fromStdString(text);
  value.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  value.replace(u'\r', u'\n');
  return value;
}

// Walks the parsed page in document order and lists the form's pieces, the editors named in
// `values` holding those texts (the first editor of a name takes it).
class FormBuilder {
 public:
  explicit FormBuilder(const std::vector<entryform::FieldValue>& values) {
    for (const entryform::FieldValue& value : values) {
      values_.try_emplace(value.name, &value.text);
    }
  }

  HtmlFormView::Form Build(const GumboNode& document) {
    Visit(document);
    EmitLabel();
    return std::move(form_);
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
    form_.elements.push_back({TagName(element), Attribute(element, "name"), false, {}, {}, {}});
    switch (element.tag) {
      case GUMBO_TAG_INPUT:
        if (IsTextInput(element)) {
          AddEditor(HtmlFormView::Piece::kLineEdit, Attribute(element, "value"), {});
        }
        return;
      case GUMBO_TAG_TEXTAREA:
        AddEditor(HtmlFormView::Piece::kTextArea, TextContent(element),
                  {PositiveAttribute(element, "cols", kDefaultCols),
                   PositiveAttribute(element, "rows", kDefaultRows)});
        return;
      case GUMBO_TAG_BR:
        if (rendering_) {
          chunk_ += "<br>";
        }
        return;
      case GUMBO_TAG_BODY:
        form_.background = QColor::fromString(Attribute(element, "bgcolor"));
        VisitContainer(element);
        return;
      default:
        VisitContainer(element);
    }
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

  // The editor's caption is the label before it, the text since the last field or paragraph.
  void AddEditor(HtmlFormView::Piece::Kind kind, const std::string& pageText, QSize textArea) {
    HtmlFormView::Element& element = form_.elements.back();
    element.field = true;
    const bool captioned = EmitLabel();
    HtmlFormView::Piece piece{
        kind, FieldText(element, pageText), form_.elements.size() - 1, textArea, {}};
    element.builtValue = WithCrLf(piece.text);  // until the editor is built
    if (captioned) {
      piece.caption = form_.pieces.back().text;
    }
    form_.pieces.push_back(std::move(piece));
    ReopenMarkup();
  }

  // The text the field was given, or else what the page holds for it.
  QString FieldText(HtmlFormView::Element& element, const std::string& pageText) {
    const auto given = values_.find(element.name);
    if (given == values_.end()) {
      return QString::fromStdString(pageText);
    }
    element.givenValue = *given->second;
    values_.erase(given);
    return AsEditorText(*element.givenValue);
  }

  // The markup still open goes on in the next chunk.
  void ReopenMarkup() {
    for (const GumboElement* element : open_) {
      chunk_ += StartTag(*element);
    }
  }

  // Closes the open tags, makes the chunk a label when it holds text and starts the next one
  // empty. True when it made one.
  bool EmitLabel() {
    const bool visible = chunkVisible_;
    if (visible) {
      TrimTrailingBreaks(chunk_);
      for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
        chunk_ += EndTag(**it);
      }
      form_.pieces.push_back(
          {HtmlFormView::Piece::kLabel, QString::fromStdString(chunk_), 0, {}, {}});
    }
    chunk_.clear();
    chunkVisible_ = false;
    return visible;
  }

  std::unordered_map<std::string_view, const std::string*> values_;
  HtmlFormView::Form form_;
  std::vector<const GumboElement*> open_;  // markup open at this point of the chunk
  std::string chunk_;
  bool chunkVisible_ = false;
  bool rendering_ = true;
};

std::string EditorValue(const QWidget& editor) {
  if (const auto* line = qobject_cast<const QLineEdit*>(&editor)) {
    return WithCrLf(line->text());
  }
  // Raw text: the plain-text export turns a no-break space into a blank.
  const auto& area = static_cast<const QPlainTextEdit&>(editor);
  return WithCrLf(area.document()->toRawText());
}

}  // namespace

// A run of the page's pieces. Until it is built it holds only their estimated height and, when it
// has fields, stands for them in the keyboard order: reaching it builds it and passes the focus
// on. Painted, that is scrolled into sight, it is built on the next pass of the event loop.
class HtmlFormView::Block : public QWidget {
 public:
  Block(HtmlFormView& view, std::size_t first, std::size_t end, bool hasFields, QWidget& page)
      : QWidget(&page), first(first), end(end), hasFields(hasFields), view_(view) {
    setFocusPolicy(hasFields ? Qt::TabFocus : Qt::NoFocus);
  }

  const std::size_t first;
  const std::size_t end;
  const bool hasFields;
  bool built = false;

 protected:
  void focusInEvent(QFocusEvent* event) override {
    view_.Build(*this);
    const bool backwards = event->reason() == Qt::BacktabFocusReason;
    view_.BlockField(*this, backwards)->setFocus(event->reason());
  }

  void paintEvent(QPaintEvent* /*event*/) override {
    if (!built && !buildQueued_) {
      buildQueued_ = true;
      QMetaObject::invokeMethod(
          this, [this] { view_.Build(*this); }, Qt::QueuedConnection);
    }
  }

 private:
  HtmlFormView& view_;
  bool buildQueued_ = false;
};

HtmlFormView::HtmlFormView(QWidget* parent) : QScrollArea(parent) {
  setWidgetResizable(true);
  setFocusPolicy(Qt::NoFocus);
  // The page suppresses its context menu; PreventContextMenu also keeps a parent's from showing.
  setContextMenuPolicy(Qt::PreventContextMenu);
  SetPage({});
}

HtmlFormView::~HtmlFormView() = default;

void HtmlFormView::SetPage(const std::string& html,
                           const std::vector<entryform::FieldValue>& values) {
  // Building a page costs more than anything else the window does; the same page, not yet typed
  // into, would be built again exactly as it stands.
  if (ShowsUntouched(html)) {
    return;
  }
  const ParsedPage parsed(
      gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size()));
  form_ = FormBuilder(values).Build(*parsed->document);
  html_ = html;
  auto* page = new QWidget;
  page->setContextMenuPolicy(Qt::PreventContextMenu);
  PaintBackground(*page);
  MakeBlocks(*page);
  setWidget(page);  // deletes the previous page with its editors
  PlaceFollowersInTabOrder();
}

void HtmlFormView::PaintBackground(QWidget& page) const {
  if (!form_.background.isValid()) {
    return;
  }
  QPalette palette = page.palette();
  palette.setColor(QPalette::Window, form_.background);
  page.setPalette(palette);
  page.setAutoFillBackground(true);
}

// The blocks that fill a screen are built at once, the rest when they are needed.
void HtmlFormView::MakeBlocks(QWidget& page) {
  auto* layout = new QVBoxLayout(&page);
  blocks_.clear();
  const QFontMetrics metrics(page.font());
  const int width = std::max(viewport()->width(), kMinimumEstimateWidth);
  const int screenHeight = screen()->availableGeometry().height();
  int top = 0;
  for (std::size_t first = 0; first < form_.pieces.size(); first += kPiecesPerBlock) {
    const std::size_t end = std::min(first + kPiecesPerBlock, form_.pieces.size());
    const auto pieces = std::span(form_.pieces).subspan(first, end - first);
    const bool hasFields = std::any_of(pieces.begin(), pieces.end(), [](const Piece& piece) {
      return piece.kind != Piece::kLabel;
    });
    auto* block = new Block(*this, first, end, hasFields, page);
    const int height = EstimatedHeight(pieces, metrics, width, layout->spacing());
    block->setMinimumHeight(height);
    layout->addWidget(block);
    blocks_.push_back(block);
    if (top < screenHeight) {
      Build(*block);
    }
    top += height;
  }
  layout->addStretch();
}

int HtmlFormView::EstimatedHeight(std::span<const Piece> pieces, const QFontMetrics& metrics,
                                  int width, int spacing) {
  int height = 0;
  for (const Piece& piece : pieces) {
    switch (piece.kind) {
      case Piece::kLabel:
        height += metrics.lineSpacing() *
                  (1 + static_cast<int>(piece.text.size()) * metrics.averageCharWidth() / width);
        break;
      case Piece::kLineEdit:
        height += metrics.height() + kEditorFrame;
        break;
      case Piece::kTextArea:
        height += piece.textArea.height() * metrics.lineSpacing() + kEditorFrame;
        break;
    }
    height += spacing;
  }
  return height;
}

void HtmlFormView::Build(Block& block) {
  if (block.built) {
    return;
  }
  block.built = true;
  block.setMinimumHeight(0);
  auto* page = block.parentWidget();
  auto* layout = new QVBoxLayout(&block);
  layout->setContentsMargins({});
  layout->setSpacing(page->layout()->spacing());
  QWidget* previous = &block;  // a focus stop still: its fields take its place in the order
  for (std::size_t i = block.first; i < block.end; ++i) {
    const Piece& piece = form_.pieces[i];
    if (piece.kind == Piece::kLabel) {
      layout->addWidget(MakeLabel(piece, block));
      continue;
    }
    QWidget* editor = MakeEditor(piece, block);
    layout->addWidget(editor, 0, Qt::AlignLeft);
    Element& element = form_.elements[piece.element];
    element.editor = editor;
    element.builtValue = EditorValue(*editor);
    QWidget::setTabOrder(previous, editor);
    previous = editor;
  }
  block.setFocusPolicy(Qt::NoFocus);
  for (QObject* child : block.children()) {
    if (child->isWidgetType()) {
      static_cast<QWidget*>(child)->show();
    }
  }
}

QLabel* HtmlFormView::MakeLabel(const Piece& piece, QWidget& block) {
  auto* label = new QLabel(piece.text, &block);
  label->setTextFormat(Qt::RichText);
  label->setWordWrap(true);
  return label;
}

// The editor is named for screen readers by its caption as shown; a field without one keeps its
// field name. No label becomes its buddy: a buddy would make Qt read every "&" of the caption as
// a shortcut marker.
QWidget* HtmlFormView::MakeEditor(const Piece& piece, QWidget& block) const {
  QWidget* editor = piece.kind == Piece::kLineEdit
                        ? MakeLineEdit(piece.text, block)
                        : MakeTextArea(piece.text, piece.textArea, block);
  const QString name = QString::fromStdString(form_.elements[piece.element].name);
  editor->setObjectName(name);
  editor->setContextMenuPolicy(Qt::PreventContextMenu);
  const QString caption = QTextDocumentFragment::fromHtml(piece.caption).toPlainText().trimmed();
  editor->setAccessibleName(caption.isEmpty() ? name : caption);
  return editor;
}

QWidget* HtmlFormView::MakeLineEdit(const QString& text, QWidget& block) {
  auto* edit = new QLineEdit(text, &block);
  edit->setCursorPosition(0);
  return edit;
}

QWidget* HtmlFormView::MakeTextArea(const QString& text, QSize colsAndRows, QWidget& block) {
  auto* edit = new QPlainTextEdit(&block);
  edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  edit->setTabChangesFocus(true);  // as in a browser: Tab leaves the field, never traps
  const QFontMetrics metrics(edit->font());
  const int margins =
      2 * (edit->frameWidth() + static_cast<int>(edit->document()->documentMargin()));
  edit->setFixedSize(colsAndRows.width() * metrics.averageCharWidth() + margins +
                         edit->verticalScrollBar()->sizeHint().width(),
                     colsAndRows.height() * metrics.lineSpacing() + margins);
  edit->setPlainText(text);  // after sizing: the text is laid out once, at its width
  return edit;
}

QWidget* HtmlFormView::BlockField(const Block& block, bool last) const {
  QWidget* field = nullptr;
  for (std::size_t i = block.first; i < block.end && (field == nullptr || last); ++i) {
    const Piece& piece = form_.pieces[i];
    if (piece.kind != Piece::kLabel) {
      field = form_.elements[piece.element].editor;
    }
  }
  return field;
}

bool HtmlFormView::ShowsUntouched(const std::string& html) const {
  return html == html_ && widget() != nullptr &&
         std::all_of(form_.elements.begin(), form_.elements.end(), [](const Element& element) {
           return element.editor == nullptr || EditorValue(*element.editor) == element.builtValue;
         });
}

std::vector<entryform::PageElement> HtmlFormView::Elements() const {
  std::vector<entryform::PageElement> elements;
  elements.reserve(form_.elements.size());
  for (const Element& element : form_.elements) {
    std::string value;
    if (element.field) {
      value = element.editor != nullptr ? EditorValue(*element.editor) : element.builtValue;
      if (element.givenValue && value == element.builtValue) {
        value = *element.givenValue;  // untouched: exactly what the field was given
      }
    }
    elements.push_back({element.tagName, element.name, std::move(value)});
  }
  return elements;
}

void HtmlFormView::FocusFirstField() {
  for (Block* block : blocks_) {
    if (block->hasFields) {
      Build(*block);
      BlockField(*block, false)->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

// The page joins the end of its window's keyboard order, its blocks in document order; the
// followers move after its last focus stop.
void HtmlFormView::PlaceFollowersInTabOrder() const {
  const auto last = std::find_if(blocks_.rbegin(), blocks_.rend(),
                                 [](const Block* block) { return block->hasFields; });
  if (last == blocks_.rend()) {
    return;
  }
  QWidget* previous = (*last)->built ? BlockField(**last, true) : *last;
  for (QWidget* follower : tabFollowers_) {
    QWidget::setTabOrder(previous, follower);
    previous = follower;
  }
}

}  // namespace vt::platform
