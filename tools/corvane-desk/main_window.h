// The main window: the connection bar, the PC's folder and the Data
// Collector's directory side by side, the transfers between them, server
// mode, previews, and a log of what happened.
#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <list>
#include <memory>
#include <optional>

#include "corvane-desk/desk_host.h"
#include "corvane-desk/device_link.h"
#include "corvane-desk/file_pane.h"
#include "corvane-dc/wire.h"

namespace corvane::desk {

class BusyWindow;
class DemoDevice;
class PreviewDialog;

struct DeskOptions {
  DemoDevice* demo = nullptr;  // the built-in device's ports are offered when set
  QString pcFolder;            // empty: as remembered, else the home folder
};

class MainWindow final : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(DeskOptions options);
  ~MainWindow() override;

  // The folder the PC pane shows.
  QString PcFolder() const { return pcFolder_; }
  void ShowPcFolder(const QString& folder);
  // The actions behind the buttons, for the drop targets and the screenshots.
  void Connect();
  void Disconnect();
  void SendFiles(const QStringList& paths);
  void GetFiles(const QStringList& names);
  void PreviewPcFile(const QString& name);
  void PreviewDeviceFile(const QString& name);
  void ChooseFraming(const QString& framing);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildConnectionBar();
  void BuildPanes();
  void FillPorts();
  void RestoreSettings();
  void SaveSettings() const;
  void UpdateButtons();
  LineSettings ChosenSettings() const;
  bool ReopenDemo(const QString& port);

  void RefreshPc();
  void RefreshDevice();
  void OpenPcEntry(const QString& name, bool isFolder);
  void OpenDeviceEntry(const QString& name, bool isFolder);
  void DeleteSelected();
  void ReceiveFile();
  void ServeFolder();
  void ShowPreview(const QString& name, const QString& where, const QString& path, const QString& companion);

  // Runs one library operation with the window marked busy; false when it did not succeed.
  bool Report(const QString& what, const Outcome& outcome);
  void Log(const QString& line);

  DeskOptions options_;
  DeskHost host_;
  DeviceLink link_;
  QString pcFolder_;
  QString deviceFolder_;
  QStringList deviceFiles_;
  bool busy_ = false;
  dc::Framing demoFraming_ = dc::Framing::Classic;
  std::unique_ptr<PreviewDialog> preview_;

  // Widgets in tree order, so that each is destroyed before its parent.
  QToolBar connectionBar_;
  std::list<QLabel> labels_;
  QComboBox port_;
  QToolButton rescan_;
  QComboBox baud_;
  QComboBox parity_;
  QComboBox framing_;
  QPushButton connect_;
  QWidget central_;
  QVBoxLayout centralLayout_;
  QSplitter vertical_;
  QSplitter panes_;
  QGroupBox pcGroup_;
  QVBoxLayout pcLayout_;
  QHBoxLayout pcPathRow_;
  QHBoxLayout pcButtons_;
  QToolButton pcUp_;
  QLineEdit pcPath_;
  QToolButton pcBrowse_;
  QToolButton pcRefresh_;
  FilePane pcPane_;
  QPushButton send_;
  QPushButton pcPreview_;
  QPushButton serve_;
  QGroupBox deviceGroup_;
  QVBoxLayout deviceLayout_;
  QHBoxLayout devicePathRow_;
  QHBoxLayout deviceButtons_;
  QLabel devicePath_;
  QToolButton deviceRefresh_;
  FilePane devicePane_;
  QPushButton get_;
  QPushButton delete_;
  QPushButton devicePreview_;
  QPushButton receive_;
  QPlainTextEdit log_;
  QLabel connection_;
};

}  // namespace corvane::desk
