#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <string_view>

#include "properties/property_bag.h"

class QDialog;

namespace vt::controls {

// Lets the person pick a folder and keeps its path. It shows nothing of its own: the host sets the
// title, calls OpenWindow and reads SelectedPath.
class DirSelect : public QWidget, public properties::PersistentControl {
  Q_OBJECT

 public:
  static constexpr std::string_view kDefaultTitle = "Select a folder.";
  // SelectedPath when no folder was chosen.
  static constexpr std::string_view kNone = "0";

  // Shows the dialog modally and answers its result. A host can route it through its own dialog
  // seam, and tests answer the dialog there.
  using DialogRunner = std::function<int(QDialog&)>;

  explicit DirSelect(QWidget* parent = nullptr);

  // Shows Qt's folder chooser; answers whether a folder was chosen, which SelectedPath then holds.
  bool OpenWindow();

  const std::string& WindowTitle() const { return windowTitle_; }
  void SetWindowTitle(std::string title);
  const std::string& SelectedPath() const { return selectedPath_; }
  void SetSelectedPath(std::string path);

  void SetDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }

  void ReadProperties(const properties::PropertyBag& bag) override;
  void WriteProperties(properties::PropertyBag& bag) const override;

 private:
  std::string windowTitle_{kDefaultTitle};
  std::string selectedPath_{kNone};
  DialogRunner runDialog_;
};

}  // namespace vt::controls
