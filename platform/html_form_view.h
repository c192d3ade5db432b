#pragma once

#include <QColor>
#include <QScrollArea>
#include <QSize>
#include <QString>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "entryform/entry_page.h"
#include "entryform/entry_values.h"

class QFontMetrics;
class QLabel;

namespace vt::platform {

// The entry form view: a native form built from an HTML page. Text and markup between the
// fields become rich-text labels, INPUT a line edit and TEXTAREA a multi-line editor.
class HtmlFormView : public QScrollArea {
  Q_OBJECT

 public:
  explicit HtmlFormView(QWidget* parent = nullptr);
  ~HtmlFormView() override;

  // Replaces whatever the view showed; typed but unread input is lost. The editors named in
  // `values` hold those texts exactly, whatever the parser made of them on the page.
  void SetPage(const std::string& html, const std::vector<entryform::FieldValue>& values = {});

  // Every element of the page in document order, editors with the text they hold now and every
  // line break as CR LF.
  std::vector<entryform::PageElement> Elements() const;

  // Puts the keyboard focus on the page's first field, if it has one.
  void FocusFirstField();

  // The widgets that follow the page's editors in the keyboard order, in their order.
  void SetTabFollowers(std::vector<QWidget*> followers) { tabFollowers_ = std::move(followers); }

  struct Element {
    std::string tagName;
    std::string name;
    bool field = false;         // a text INPUT or a TEXTAREA
    QWidget* editor = nullptr;  // a QLineEdit or QPlainTextEdit, owned by the page, once built
    std::string builtValue;     // what the editor held when built (or will hold)
    // The exact text the page was given for the field: it stands for the editor's text while
    // that is untouched, also where the editor cannot hold a character (U+FDD0, which Qt's
    // documents use for themselves).
    std::optional<std::string> givenValue;
  };

  // A label or an editor of the page, made when the block holding it is built.
  struct Piece {
    enum Kind { kLabel, kLineEdit, kTextArea };
    Kind kind;
    QString text;             // a label's rich text, an editor's first text
    std::size_t element = 0;  // an editor's element
    QSize textArea;           // a text area's columns and rows
    QString caption;          // an editor's caption: the rich text of the label before it
  };

  struct Form {
    std::vector<Element> elements;
    std::vector<Piece> pieces;
    QColor background;
  };

 private:
  class Block;

  void PaintBackground(QWidget& page) const;
  void MakeBlocks(QWidget& page);
  static int EstimatedHeight(std::span<const Piece> pieces, const QFontMetrics& metrics, int width,
                             int spacing);
  void Build(Block& block);
  static QLabel* MakeLabel(const Piece& piece, QWidget& block);
  QWidget* MakeEditor(const Piece& piece, QWidget& block) const;
  static QWidget* MakeLineEdit(const QString& text, QWidget& block);
  static QWidget* MakeTextArea(const QString& text, QSize colsAndRows, QWidget& block);
  QWidget* BlockField(const Block& block, bool last) const;
  void PlaceFollowersInTabOrder() const;
  bool ShowsUntouched(const std::string& html) const;

  std::string html_;
  Form form_;
  std::vector<Block*> blocks_;  // owned by the page
  std::vector<QWidget*> tabFollowers_;
};

}  // namespace vt::platform
