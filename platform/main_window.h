#pragma once

#include <QMainWindow>
#include <array>
#include <functional>

#include "app/main_window_port.h"

class QComboBox;
class QLabel;
class QPushButton;
class QStringListModel;
class QTabWidget;

namespace vt::app {
class frmMain;
}

namespace vt::platform {

class HtmlFormView;

// frmMain's window: the two wizard tabs, the entry form view, the busy panel and the menu. What
// the person does goes to the logic's handlers; what the logic asks is done through the port.
class MainWindow : public QMainWindow, public app::MainWindowPort {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override { HideBusy(); }

  // The logic is made after the window, which it takes by reference.
  void SetLogic(app::frmMain* logic) { logic_ = logic; }

  void ShowWindow() override;
  void SetProgramIcon() override;
  void SelectTab(int index) override;
  void SetTabsEnabled(bool enabled) override;
  void SetGroupEntries(const std::vector<std::string>& entries) override;
  int SelectedGroupIndex() const override;
  std::string SelectedGroupText() const override;
  void SetSelectedGroupIndex(int index) override;
  int FindGroupEntry(const std::string& text) const override;
  void SetGroupListEnabled(bool enabled) override;
  void FocusGroupList() override;
  void ShowPage(const std::string& html, const std::vector<entryform::FieldValue>& values) override;
  std::vector<entryform::PageElement> PageElements() const override;
  bool ShowPhoto(const std::filesystem::path& picture) override;
  void SetAttachmentButtonEnabled(int index, bool enabled) override;
  void SetAttachmentButtonToolTip(int index, const std::string& text) override;
  void ShowBusy() override;
  void HideBusy() override;
  app::MessageAnswer ShowMessage(const app::MessageBox& box) override;
  std::optional<std::string> ShowFileDialog(const app::FileDialogSetup& setup) override;
  void CloseWindow() override;
  void EndProgram() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* MakeGroupsTab();
  QWidget* MakeProfileTab();
  QPushButton* MakeButton(const QString& caption, const QString& objectName,
                          std::function<void(app::frmMain&)> handler = {});
  void CenterBusyPanel();

  app::frmMain* logic_ = nullptr;
  QTabWidget* sstProfile_ = nullptr;
  QComboBox* cboGroups_ = nullptr;
  QStringListModel* groupEntries_ = nullptr;
  HtmlFormView* wbrInputInfo_ = nullptr;
  QPushButton* butChangeImage_ = nullptr;
  std::array<QPushButton*, 3> butAddFile_{};
  QLabel* picProfileImage_ = nullptr;
  QLabel* panUpdate_ = nullptr;
  bool busy_ = false;
  bool ending_ = false;
};

}  // namespace vt::platform
