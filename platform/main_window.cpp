#include "platform/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringListModel>
#include <QTabWidget>
#include <QVBoxLayout>
#include <utility>

#include "app/frm_main.h"
#include "imaging/picture_file.h"
#include "platform/dialogs.h"
#include "platform/file_dialog.h"
#include "platform/html_form_view.h"

namespace vt::platform {
namespace {

// Room for the profile photo as the image control writes it.
constexpr QSize kPhotoBox(280, 427);
constexpr QSize kInitialSize(860, 680);
constexpr std::array<int, 3> kIconSizes = {16, 32, 48};
constexpr int kGroupListWidthInCharacters = 40;
// The tab that holds the entry form.
constexpr int kProfileTab = 1;

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QStringLiteral("Kelvarin  Vellumtide"));

  QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
  mnuFile->setObjectName(QStringLiteral("mnuFile"));
  QAction* mnuProfile = mnuFile->addAction(QStringLiteral("Exit"));
  mnuProfile->setObjectName(QStringLiteral("mnuProfile"));
  connect(mnuProfile, &QAction::triggered, this, [this] {
    if (logic_ != nullptr) {
      logic_->mnuProfile_Click();
    }
  });

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  sstProfile_ = new QTabWidget(central);
  sstProfile_->setObjectName(QStringLiteral("sstProfile"));
  sstProfile_->addTab(MakeGroupsTab(), QStringLiteral("Groups"));
  sstProfile_->addTab(MakeProfileTab(), QStringLiteral("Profile"));
  layout->addWidget(sstProfile_);

  panUpdate_ = new QLabel(QStringLiteral("Updating Information...."), central);
  panUpdate_->setObjectName(QStringLiteral("panUpdate"));
  panUpdate_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panUpdate_->setLineWidth(2);
  panUpdate_->setMargin(16);
  panUpdate_->setAutoFillBackground(true);
  panUpdate_->hide();

  setCentralWidget(central);
  resize(kInitialSize);
}

QWidget* MainWindow::MakeGroupsTab() {
  auto* tab = new QWidget;
  auto* frame =
      new QGroupBox(QStringLiteral("Step 1. Select class or group from the drop-down box."), tab);
  auto* caption = new QLabel(QStringLiteral("Class or group."), frame);
  cboGroups_ = new QComboBox(frame);
  cboGroups_->setObjectName(QStringLiteral("cboGroups"));
  // Sizing the list to its longest entry would measure every group's name at the first show.
  cboGroups_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cboGroups_->setMinimumContentsLength(kGroupListWidthInCharacters);
  groupEntries_ = new QStringListModel(cboGroups_);
  cboGroups_->setModel(groupEntries_);
  caption->setBuddy(cboGroups_);  // also names the list for screen readers
  connect(cboGroups_, &QComboBox::currentIndexChanged, this, [this] {
    if (logic_ != nullptr) {
      logic_->cboGroups_Click();
    }
  });
  auto* frameLayout = new QVBoxLayout(frame);
  frameLayout->addWidget(caption);
  frameLayout->addWidget(cboGroups_);

  QPushButton* butNext1 = MakeButton(QStringLiteral("Next >"), QStringLiteral("butNext_1"),
                                     [](app::frmMain& logic) { logic.butNext_Click(1); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(butNext1);

  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(frame);
  layout->addStretch();
  layout->addLayout(buttons);
  return tab;
}

QWidget* MainWindow::MakeProfileTab() {
  auto* tab = new QWidget;
  auto* frame = new QGroupBox(QStringLiteral("Step 2. Enter profile details."), tab);
  wbrInputInfo_ = new HtmlFormView(frame);
  wbrInputInfo_->setObjectName(QStringLiteral("wbrInputInfo"));
  QPushButton* butSaveText = MakeButton(QStringLiteral("Save Text"), QStringLiteral("butSaveText"),
                                        [](app::frmMain& logic) { logic.butSaveText_Click(); });
  auto* formColumn = new QVBoxLayout;
  formColumn->addWidget(wbrInputInfo_, 1);
  formColumn->addWidget(butSaveText, 0, Qt::AlignLeft);

  picProfileImage_ = new QLabel(frame);
  picProfileImage_->setObjectName(QStringLiteral("picProfileImage"));
  picProfileImage_->setAccessibleName(QStringLiteral("Profile photo"));
  picProfileImage_->setFixedSize(kPhotoBox);
  picProfileImage_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  butChangeImage_ = MakeButton(QStringLiteral("Change Image"), QStringLiteral("butChangeImage"),
                               [](app::frmMain& logic) { logic.butChangeImage_Click(); });
  const auto addFile = [](std::int16_t index) {
    return [index](app::frmMain& logic) { logic.butAddFile_Click(index); };
  };
  butAddFile_ = {
      MakeButton(QStringLiteral("Add Presentation File"), QStringLiteral("butAddFile_0"),
                 addFile(0)),
      MakeButton(QStringLiteral("Add Movie File"), QStringLiteral("butAddFile_1"), addFile(1)),
      MakeButton(QStringLiteral("Add Narration File"), QStringLiteral("butAddFile_2"), addFile(2))};
  auto* photoColumn = new QVBoxLayout;
  photoColumn->addWidget(picProfileImage_);
  photoColumn->addWidget(butChangeImage_);
  for (QPushButton* button : butAddFile_) {
    photoColumn->addWidget(button);
  }
  photoColumn->addStretch();

  auto* frameLayout = new QHBoxLayout(frame);
  frameLayout->addLayout(formColumn, 1);
  frameLayout->addLayout(photoColumn);

  QPushButton* butBack2 = MakeButton(QStringLiteral("< Back"), QStringLiteral("butBack_2"),
                                     [](app::frmMain& logic) { logic.butBack_Click(2); });
  QPushButton* butNext2 = MakeButton(QStringLiteral("Exit"), QStringLiteral("butNext_2"),
                                     [](app::frmMain& logic) { logic.butNext_Click(2); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(butBack2);
  buttons->addWidget(butNext2);
  // The form comes first in the keyboard order of its tab, then the buttons as they are laid out.
  wbrInputInfo_->SetTabFollowers({butSaveText, butChangeImage_, butAddFile_[0], butAddFile_[1],
                                  butAddFile_[2], butBack2, butNext2});

  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(frame, 1);
  layout->addLayout(buttons);
  return tab;
}

QPushButton* MainWindow::MakeButton(const QString& caption, const QString& objectName,
                                    std::function<void(app::frmMain&)> handler) {
  auto* button = new QPushButton(caption);
  button->setObjectName(objectName);
  button->setAccessibleName(caption);
  if (handler) {
    connect(button, &QPushButton::clicked, this, [this, handler = std::move(handler)] {
      if (logic_ != nullptr) {
        handler(*logic_);
      }
    });
  }
  return button;
}

void MainWindow::ShowWindow() {
  show();
}

void MainWindow::SetProgramIcon() {
  QIcon icon;
  for (const int size : kIconSizes) {
    icon.addFile(QStringLiteral(":/kvicon/kvicon-%1.png").arg(size), QSize(size, size));
  }
  setWindowIcon(icon);
  QApplication::setWindowIcon(icon);
}

void MainWindow::SelectTab(int index) {
  sstProfile_->setCurrentIndex(index);
  if (index == kProfileTab) {
    wbrInputInfo_->FocusFirstField();  // the form comes first, not the button that led here
  }
}

void MainWindow::SetTabsEnabled(bool enabled) {
  sstProfile_->setEnabled(enabled);
}

void MainWindow::SetGroupEntries(const std::vector<std::string>& entries) {
  QStringList list;
  list.reserve(static_cast<qsizetype>(entries.size()));
  for (const std::string& entry : entries) {
    list.append(QString::fromStdString(entry));
  }
  const QSignalBlocker blocker(cboGroups_);
  groupEntries_->setStringList(list);
  cboGroups_->setCurrentIndex(-1);
}

int MainWindow::SelectedGroupIndex() const {
  return cboGroups_->currentIndex();
}

std::string MainWindow::SelectedGroupText() const {
  return cboGroups_->currentText().toStdString();
}

void MainWindow::SetSelectedGroupIndex(int index) {
  const QSignalBlocker blocker(cboGroups_);
  cboGroups_->setCurrentIndex(index);
}

int MainWindow::FindGroupEntry(const std::string& text) const {
  return static_cast<int>(groupEntries_->stringList().indexOf(QString::fromStdString(text)));
}

void MainWindow::SetGroupListEnabled(bool enabled) {
  cboGroups_->setEnabled(enabled);
}

void MainWindow::FocusGroupList() {
  cboGroups_->setFocus(Qt::OtherFocusReason);
}

void MainWindow::ShowPage(const std::string& html,
                          const std::vector<entryform::FieldValue>& values) {
  wbrInputInfo_->SetPage(html, values);
}

std::vector<entryform::PageElement> MainWindow::PageElements() const {
  return wbrInputInfo_->Elements();
}

bool MainWindow::ShowPhoto(const std::filesystem::path& picture) {
  const QImage image = imaging::ReadPicture(picture);
  if (image.isNull()) {
    return false;
  }
  picProfileImage_->setPixmap(QPixmap::fromImage(image));
  return true;
}

void MainWindow::SetAttachmentButtonEnabled(int index, bool enabled) {
  if (index >= 0 && index < static_cast<int>(butAddFile_.size())) {
    butAddFile_[static_cast<std::size_t>(index)]->setEnabled(enabled);
  }
}

void MainWindow::SetAttachmentButtonToolTip(int index, const std::string& text) {
  if (index >= 0 && index < static_cast<int>(butAddFile_.size())) {
    // Qt looks for markup in the first line only, which is always the logic's own words.
    butAddFile_[static_cast<std::size_t>(index)]->setToolTip(QString::fromStdString(text));
  }
}

void MainWindow::ShowBusy() {
  if (!busy_) {
    busy_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  CenterBusyPanel();
  panUpdate_->show();
  panUpdate_->raise();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::HideBusy() {
  panUpdate_->hide();
  if (busy_) {
    busy_ = false;
    QApplication::restoreOverrideCursor();
  }
}

void MainWindow::CenterBusyPanel() {
  panUpdate_->adjustSize();
  const QWidget* central = centralWidget();
  panUpdate_->move((central->width() - panUpdate_->width()) / 2,
                   (central->height() - panUpdate_->height()) / 2);
}

app::MessageAnswer MainWindow::ShowMessage(const app::MessageBox& box) {
  return ShowMessageBox(this, box);
}

std::optional<std::string> MainWindow::ShowFileDialog(const app::FileDialogSetup& setup) {
  return platform::ShowFileDialog(this, setup);
}

void MainWindow::CloseWindow() {
  close();
}

void MainWindow::EndProgram() {
  ending_ = true;  // the closing path must not ask again
  close();
  QCoreApplication::exit(0);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  bool cancel = false;
  if (!ending_ && logic_ != nullptr) {
    logic_->Form_Unload(cancel);
  }
  event->setAccepted(!cancel);
}

}  // namespace vt::platform
