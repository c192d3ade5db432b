#pragma once

#include <QScrollArea>
#include <optional>
#include <string>
#include <vector>

#include "entryform/entry_page.h"
#include "entryform/entry_values.h"

namespace vt::platform {

// The entry form view: a native form built from an HTML page. Text and markup between the
// fields become rich-text labels, INPUT a line edit and TEXTAREA a multi-line editor.
class HtmlFormView : public QScrollArea {
  Q_OBJECT

 public:
  explicit HtmlFormView(QWidget* parent = nullptr);

  // Replaces whatever the view showed; typed but unread input is lost. The editors named in
  // `values` hold those texts exactly, whatever the parser made of them on the page.
  void SetPage(const std::string& html, const std::vector<entryform::FieldValue>& values = {});

  // Every element of the page in document order, editors with the text they hold now and every
  // line break as CR LF.
  std::vector<entryform::PageElement> Elements() const;

  // Puts the keyboard focus on the page's first field, if it has one.
  void FocusFirstField() const;

  // The page's editors follow `previous` in the keyboard order.
  void SetTabAnchor(QWidget* previous) { tabAnchor_ = previous; }

  struct Element {
    std::string tagName;
    std::string name;
    QWidget* editor = nullptr;  // a QLineEdit or QPlainTextEdit, owned by the page
    std::string builtValue;     // what the editor held when the page was built
    // The exact text the page was given for the field: it stands for the editor's text while
    // that is untouched, also where the editor cannot hold a character (U+FDD0, which Qt's
    // documents use for themselves).
    std::optional<std::string> givenValue;
  };

 private:
  void PutValues(const std::vector<entryform::FieldValue>& values);
  void PlaceEditorsInTabOrder() const;
  bool ShowsUntouched(const std::string& html) const;

  std::string html_;
  std::vector<Element> elements_;
  QWidget* tabAnchor_ = nullptr;
};

}  // namespace vt::platform
