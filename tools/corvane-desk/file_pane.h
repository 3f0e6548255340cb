// One side of the window: the entries of a folder, folders first, with size
// and date; a double-click opens an entry, and files are dragged to the other
// side (or, on the Data Collector's side, dropped from a file manager).
#pragma once

#include <QDateTime>
#include <QStringList>
#include <QTreeWidget>
#include <vector>

namespace corvane::desk {

struct PaneEntry {
  QString name;
  bool isFolder = false;
  qint64 size = -1;    // -1: not known
  QDateTime modified;  // invalid: not known
};

class FilePane final : public QTreeWidget {
  Q_OBJECT

 public:
  enum class Side { Pc, DataCollector };

  explicit FilePane(Side side);

  // Shows the entries in the order given.
  void ShowEntries(const std::vector<PaneEntry>& entries);
  // The names of the selected files (not folders), in the order shown.
  QStringList SelectedFiles() const;
  // Selects the entry of that name; false when there is none.
  bool SelectEntry(const QString& name);

 signals:
  void EntryOpened(const QString& name, bool isFolder);
  // Files of the other side were dropped here, by name on that side.
  void FilesArrived(const QStringList& names);
  // Files from outside the application (a file manager) were dropped here.
  void LocalFilesArrived(const QStringList& paths);

 protected:
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  bool Accepts(const QMimeData* data) const;
  QString OwnFormat() const;
  QString OtherFormat() const;

  Side side_;
};

}  // namespace corvane::desk
