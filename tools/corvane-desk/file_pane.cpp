#include "corvane-desk/file_pane.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLocale>
#include <QMimeData>
#include <QUrl>
#include <memory>

namespace corvane::desk {
namespace {

constexpr int kNameRole = Qt::UserRole;
constexpr int kFolderRole = Qt::UserRole + 1;
const QString kPcFormat = "application/x-corvane-pc-files";
const QString kDeviceFormat = "application/x-corvane-device-files";

}  // namespace

FilePane::FilePane(Side side) : side_(side) {
  setObjectName(side == Side::Pc ? "pcPane" : "devicePane");
  setColumnCount(3);
  setHeaderLabels({"Name", "Size", "Modified"});
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setAlternatingRowColors(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::CopyAction);
  setDropIndicatorShown(false);
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(0, QHeaderView::Stretch);
  header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
  headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    emit EntryOpened(item->data(0, kNameRole).toString(), item->data(0, kFolderRole).toBool());
  });
}

void FilePane::ShowEntries(const std::vector<PaneEntry>& entries) {
  clear();
  const QLocale locale;
  const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
  const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
  QList<QTreeWidgetItem*> items;
  for (const PaneEntry& entry : entries) {
    QStringList columns{entry.name, entry.isFolder ? QString() : entry.size >= 0 ? locale.toString(entry.size) : "",
                        entry.modified.isValid() ? locale.toString(entry.modified, QLocale::ShortFormat) : ""};
    if (entry.isFolder && entry.name != "..") columns[1] = "Folder";
    auto item = std::make_unique<QTreeWidgetItem>(columns);
    item->setIcon(0, entry.isFolder ? folderIcon : fileIcon);
    item->setData(0, kNameRole, entry.name);
    item->setData(0, kFolderRole, entry.isFolder);
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    // Folders are opened, not carried.
    if (entry.isFolder) item->setFlags(item->flags() & ~Qt::ItemIsDragEnabled);
    items.push_back(item.release());  // the tree owns its items
  }
  addTopLevelItems(items);
}

QStringList FilePane::SelectedFiles() const {
  QStringList names;
  for (int i = 0; i < topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = topLevelItem(i);
    if (item->isSelected() && !item->data(0, kFolderRole).toBool()) names.push_back(item->data(0, kNameRole).toString());
  }
  return names;
}

bool FilePane::SelectEntry(const QString& name) {
  for (int i = 0; i < topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = topLevelItem(i);
    if (item->data(0, kNameRole).toString() != name) continue;
    setCurrentItem(item);
    return true;
  }
  return false;
}

QString FilePane::OwnFormat() const { return side_ == Side::Pc ? kPcFormat : kDeviceFormat; }

QString FilePane::OtherFormat() const { return side_ == Side::Pc ? kDeviceFormat : kPcFormat; }

QStringList FilePane::mimeTypes() const { return {OwnFormat()}; }

QMimeData* FilePane::mimeData(const QList<QTreeWidgetItem*>& items) const {
  QStringList names;
  for (const QTreeWidgetItem* item : items) {
    if (!item->data(0, kFolderRole).toBool()) names.push_back(item->data(0, kNameRole).toString());
  }
  auto data = std::make_unique<QMimeData>();
  data->setData(OwnFormat(), names.join('\n').toUtf8());
  return data.release();  // the drag owns it
}

bool FilePane::Accepts(const QMimeData* data) const {
  return data->hasFormat(OtherFormat()) || (side_ == Side::DataCollector && data->hasUrls());
}

void FilePane::dragEnterEvent(QDragEnterEvent* event) {
  if (!Accepts(event->mimeData())) return event->ignore();
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void FilePane::dragMoveEvent(QDragMoveEvent* event) {
  if (!Accepts(event->mimeData())) return event->ignore();
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void FilePane::dropEvent(QDropEvent* event) {
  const QMimeData* data = event->mimeData();
  if (!Accepts(data)) return event->ignore();
  event->setDropAction(Qt::CopyAction);
  event->accept();
  if (data->hasFormat(OtherFormat())) {
    emit FilesArrived(QString::fromUtf8(data->data(OtherFormat())).split('\n', Qt::SkipEmptyParts));
    return;
  }
  QStringList paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile());
  }
  if (!paths.isEmpty()) emit LocalFilesArrived(paths);
}

}  // namespace corvane::desk
