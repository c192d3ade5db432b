#include "platform/file_dialog.h"

#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <algorithm>
#include <vector>

#include "platform/dialogs.h"

namespace vt::platform {
namespace {

// Lists folders, to navigate, and the files whose names match any pattern, letter case ignored
// (file names on Linux are case-sensitive, the patterns are not meant to be). No patterns: all.
class PatternFilter : public QSortFilterProxyModel {
 public:
  PatternFilter(const std::vector<std::string>& patterns, QObject* parent)
      : QSortFilterProxyModel(parent) {
    for (const std::string& pattern : patterns) {
      patterns_.push_back(
          QRegularExpression::fromWildcard(QString::fromStdString(pattern), Qt::CaseInsensitive));
    }
  }

  // The file system model sorts: folders first, sizes and dates by value rather than as text.
  void sort(int column, Qt::SortOrder order) override { sourceModel()->sort(column, order); }

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override {
    if (patterns_.empty()) {
      return true;
    }
    const auto* files = static_cast<const QFileSystemModel*>(sourceModel());
    const QModelIndex entry = files->index(sourceRow, 0, sourceParent);
    if (files->isDir(entry)) {
      return true;
    }
    const QString name = files->fileName(entry);
    return std::any_of(patterns_.begin(), patterns_.end(),
                       [&name](const QRegularExpression& re) { return re.match(name).hasMatch(); });
  }

 private:
  std::vector<QRegularExpression> patterns_;
};

}  // namespace

std::optional<std::string> ShowFileDialog(QWidget* parent, const app::FileDialogSetup& setup) {
  QFileDialog dialog(parent);
  // Options first: the widgets, and the model the filter works on, exist only without the native
  // dialog.
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontResolveSymlinks);
  dialog.setWindowTitle(QString::fromStdString(setup.title));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Apply"));
  dialog.setNameFilter(QString::fromStdString(setup.filterLabel));
  dialog.setSizeGripEnabled(true);

  auto* filter = new PatternFilter(setup.patterns, &dialog);
  dialog.setProxyModel(filter);
  // Qt filters its own model by the label's patterns, split at blanks ("*.MPG;" would hide every
  // .MPG file), whenever the entry is chosen; the model must list everything for the proxy.
  auto* files = static_cast<QFileSystemModel*>(filter->sourceModel());
  const auto listEverything = [files] { files->setNameFilters({}); };
  listEverything();
  QObject::connect(&dialog, &QFileDialog::filterSelected, files, listEverything);

  const bool accepted = RunDialog(dialog) == QDialog::Accepted;
  const QStringList chosen = dialog.selectedFiles();
  if (!accepted || chosen.isEmpty()) {
    return std::nullopt;
  }
  return QFile::encodeName(chosen.constFirst()).toStdString();
}

}  // namespace vt::platform
