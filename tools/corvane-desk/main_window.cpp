#include "corvane-desk/main_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTime>
#include <algorithm>

#include "corvane-desk/demo_device.h"
#include "corvane-desk/preview_dialog.h"
#include "corvane32/corvane32.h"
#include "hostkit/port_words.h"

namespace corvane::desk {
namespace {

const QString kDemoPrefix = "demo:";
const int kBaudRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

bool IsDeviceRoot(const QString& directory) {
  return directory.isEmpty() || directory == "/" || directory == "\\" ||
         (directory.size() == 3 && directory[1] == ':' && (directory[2] == '\\' || directory[2] == '/'));
}

}  // namespace

// Marks the window busy for one operation: nothing else may start meanwhile,
// not even from an event handled while the library pumps the event loop.
class BusyWindow {
 public:
  explicit BusyWindow(bool& busy) : busy_(busy) { busy_ = true; }
  ~BusyWindow() { busy_ = false; }
  BusyWindow(const BusyWindow&) = delete;
  BusyWindow& operator=(const BusyWindow&) = delete;

 private:
  bool& busy_;
};

MainWindow::MainWindow(DeskOptions options)
    : options_(std::move(options)),
      host_(*this),
      link_(host_.Window()),
      connectionBar_("Connection"),
      vertical_(Qt::Vertical),
      panes_(Qt::Horizontal),
      pcGroup_("This PC"),
      pcLayout_(&pcGroup_),
      pcPane_(FilePane::Side::Pc),
      deviceGroup_("Data Collector"),
      deviceLayout_(&deviceGroup_),
      devicePane_(FilePane::Side::DataCollector) {
  setObjectName("mainWindow");
  setWindowTitle(options_.demo != nullptr ? "Corvane Desk — demo with a simulated Data Collector" : "Corvane Desk");
  BuildConnectionBar();
  BuildPanes();
  setCentralWidget(&central_);
  connection_.setObjectName("connectionState");
  statusBar()->addPermanentWidget(&connection_);
  RestoreSettings();
  UpdateButtons();
  Log(options_.demo != nullptr ? "Demo: choose a simulated Data Collector in Port and press Connect."
                               : "Choose the port of the Data Collector's cable and press Connect.");
}

MainWindow::~MainWindow() { link_.Close(); }

void MainWindow::BuildConnectionBar() {
  connectionBar_.setObjectName("connectionBar");
  connectionBar_.setMovable(false);
  addToolBar(Qt::TopToolBarArea, &connectionBar_);
  port_.setObjectName("portChoice");
  port_.setEditable(true);
  port_.setMinimumContentsLength(34);
  port_.setToolTip("The serial port of the cable; a path such as /dev/ttyUSB0 may be typed.");
  rescan_.setText("Rescan");
  rescan_.setToolTip("Look for serial ports again (after plugging in an adapter)");
  connect(&rescan_, &QToolButton::clicked, this, &MainWindow::FillPorts);
  for (const int rate : kBaudRates) baud_.addItem(QString::number(rate), rate);
  baud_.setObjectName("baudChoice");
  for (const char* name : {"none", "odd", "even", "mark", "space"}) parity_.addItem(QString(name), QString(name));
  parity_.setObjectName("parityChoice");
  framing_.setObjectName("framingChoice");
  framing_.addItem("Auto", "auto");
  framing_.addItem("Classic", "classic");
  framing_.addItem("Wide", "wide");
  framing_.setToolTip("Auto finds out which framing the Data Collector speaks");
  connect(&framing_, &QComboBox::currentIndexChanged, this,
          [this] { link_.SetFraming(framing_.currentData().toString()); });
  connect_.setObjectName("connectButton");
  connect_.setText("Connect");
  connect(&connect_, &QPushButton::clicked, this, [this] { link_.IsOpen() ? Disconnect() : Connect(); });

  auto label = [this](const char* text) { connectionBar_.addWidget(&labels_.emplace_back(text)); };
  label(" Port ");
  connectionBar_.addWidget(&port_);
  connectionBar_.addWidget(&rescan_);
  connectionBar_.addSeparator();
  label(" Baud ");
  connectionBar_.addWidget(&baud_);
  label(" Parity ");
  connectionBar_.addWidget(&parity_);
  label(" Framing ");
  connectionBar_.addWidget(&framing_);
  connectionBar_.addSeparator();
  connectionBar_.addWidget(&connect_);
  FillPorts();
}

void MainWindow::BuildPanes() {
  centralLayout_.setContentsMargins(8, 6, 8, 6);
  central_.setLayout(&centralLayout_);
  centralLayout_.addWidget(&vertical_);
  vertical_.addWidget(&panes_);
  vertical_.addWidget(&log_);
  vertical_.setStretchFactor(0, 4);
  vertical_.setStretchFactor(1, 1);
  panes_.addWidget(&pcGroup_);
  panes_.addWidget(&deviceGroup_);
  log_.setObjectName("activityLog");
  log_.setReadOnly(true);
  log_.setMaximumBlockCount(2000);
  log_.setPlaceholderText("What happened");

  pcUp_.setText("Up");
  pcUp_.setToolTip("The folder above");
  connect(&pcUp_, &QToolButton::clicked, this, [this] { OpenPcEntry("..", true); });
  pcPath_.setObjectName("pcPath");
  connect(&pcPath_, &QLineEdit::returnPressed, this, [this] { ShowPcFolder(pcPath_.text()); });
  pcBrowse_.setText("Browse…");
  connect(&pcBrowse_, &QToolButton::clicked, this, [this] {
    const QString chosen = QFileDialog::getExistingDirectory(this, "Folder on this PC", pcFolder_);
    if (!chosen.isEmpty()) ShowPcFolder(chosen);
  });
  pcRefresh_.setText("Refresh");
  connect(&pcRefresh_, &QToolButton::clicked, this, &MainWindow::RefreshPc);
  pcPathRow_.addWidget(&pcUp_);
  pcPathRow_.addWidget(&pcPath_, 1);
  pcPathRow_.addWidget(&pcBrowse_);
  pcPathRow_.addWidget(&pcRefresh_);
  send_.setObjectName("sendButton");
  send_.setText("Send to Data Collector  →");
  send_.setToolTip("Send the selected files (or drag them to the Data Collector's side)");
  connect(&send_, &QPushButton::clicked, this, [this] {
    QStringList paths;
    for (const QString& name : pcPane_.SelectedFiles()) paths.push_back(QDir(pcFolder_).filePath(name));
    SendFiles(paths);
  });
  pcPreview_.setObjectName("pcPreviewButton");
  pcPreview_.setText("Preview");
  connect(&pcPreview_, &QPushButton::clicked, this, [this] {
    const QStringList names = pcPane_.SelectedFiles();
    if (!names.isEmpty()) PreviewPcFile(names.front());
  });
  serve_.setObjectName("serveButton");
  serve_.setText("Serve this folder");
  serve_.setToolTip("Let the Data Collector upload to, download from and list this folder until Stop");
  connect(&serve_, &QPushButton::clicked, this, &MainWindow::ServeFolder);
  pcButtons_.addWidget(&send_);
  pcButtons_.addWidget(&pcPreview_);
  pcButtons_.addStretch();
  pcButtons_.addWidget(&serve_);
  pcLayout_.addLayout(&pcPathRow_);
  pcLayout_.addWidget(&pcPane_, 1);
  pcLayout_.addLayout(&pcButtons_);

  devicePath_.setObjectName("devicePath");
  devicePath_.setText("Not connected");
  deviceRefresh_.setObjectName("deviceRefresh");
  deviceRefresh_.setText("Refresh");
  connect(&deviceRefresh_, &QToolButton::clicked, this, &MainWindow::RefreshDevice);
  devicePathRow_.addWidget(&devicePath_, 1);
  devicePathRow_.addWidget(&deviceRefresh_);
  get_.setObjectName("getButton");
  get_.setText("←  Get to this PC");
  get_.setToolTip("Copy the selected files to the PC's folder (or drag them there)");
  connect(&get_, &QPushButton::clicked, this, [this] { GetFiles(devicePane_.SelectedFiles()); });
  delete_.setObjectName("deleteButton");
  delete_.setText("Delete");
  connect(&delete_, &QPushButton::clicked, this, &MainWindow::DeleteSelected);
  devicePreview_.setObjectName("devicePreviewButton");
  devicePreview_.setText("Preview");
  connect(&devicePreview_, &QPushButton::clicked, this, [this] {
    const QStringList names = devicePane_.SelectedFiles();
    if (!names.isEmpty()) PreviewDeviceFile(names.front());
  });
  receive_.setObjectName("receiveButton");
  receive_.setText("Receive");
  receive_.setToolTip("Wait for a file that the Data Collector sends from its own menu");
  connect(&receive_, &QPushButton::clicked, this, &MainWindow::ReceiveFile);
  deviceButtons_.addWidget(&get_);
  deviceButtons_.addWidget(&devicePreview_);
  deviceButtons_.addWidget(&delete_);
  deviceButtons_.addStretch();
  deviceButtons_.addWidget(&receive_);
  deviceLayout_.addLayout(&devicePathRow_);
  deviceLayout_.addWidget(&devicePane_, 1);
  deviceLayout_.addLayout(&deviceButtons_);

  connect(&pcPane_, &FilePane::EntryOpened, this, &MainWindow::OpenPcEntry);
  connect(&devicePane_, &FilePane::EntryOpened, this, &MainWindow::OpenDeviceEntry);
  connect(&pcPane_, &FilePane::FilesArrived, this, &MainWindow::GetFiles);
  connect(&devicePane_, &FilePane::FilesArrived, this, [this](const QStringList& names) {
    QStringList paths;
    for (const QString& name : names) paths.push_back(QDir(pcFolder_).filePath(name));
    SendFiles(paths);
  });
  connect(&devicePane_, &FilePane::LocalFilesArrived, this, &MainWindow::SendFiles);
  connect(&pcPane_, &QTreeWidget::itemSelectionChanged, this, &MainWindow::UpdateButtons);
  connect(&devicePane_, &QTreeWidget::itemSelectionChanged, this, &MainWindow::UpdateButtons);
}

void MainWindow::FillPorts() {
  const QString typed = port_.currentText();
  port_.clear();
  if (options_.demo != nullptr) {
    port_.addItem("Simulated Data Collector, classic framing", kDemoPrefix + "classic");
    port_.addItem("Simulated Data Collector, wide framing", kDemoPrefix + "wide");
  }
  // As `corvane ports` lists them: each port by its identity, then the name that
  // stays with a USB adapter whichever tty it gets, which may be chosen as well.
  for (const PortInfo& port : TransferListPorts()) {
    port_.addItem(QString::fromStdString(host::DescribePort(port)), QFile::decodeName(port.path.c_str()));
    if (port.byIdPath.empty()) continue;
    const QString byId = QFile::decodeName(port.byIdPath.c_str());
    port_.addItem("    " + byId, byId);
    port_.setItemData(port_.count() - 1, "The same adapter, by a name that stays with it", Qt::ToolTipRole);
  }
  if (!typed.isEmpty()) port_.setCurrentText(typed);
}

void MainWindow::RestoreSettings() {
  const QSettings settings;
  const QString port = settings.value("line/port").toString();
  const int known = port_.findData(port);
  if (known >= 0) {
    port_.setCurrentIndex(known);
  } else if (!port.isEmpty()) {
    port_.setCurrentText(port);
  }
  baud_.setCurrentIndex(std::max(0, baud_.findData(settings.value("line/baud", 9600).toInt())));
  parity_.setCurrentIndex(std::max(0, parity_.findData(settings.value("line/parity", "none").toString())));
  framing_.setCurrentIndex(std::max(0, framing_.findData(settings.value("line/framing", "auto").toString())));
  restoreGeometry(settings.value("window/geometry").toByteArray());
  panes_.restoreState(settings.value("window/panes").toByteArray());
  QString folder = options_.pcFolder;
  if (folder.isEmpty()) folder = settings.value("pc/folder").toString();
  if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
  ShowPcFolder(folder);
}

void MainWindow::SaveSettings() const {
  QSettings settings;
  const LineSettings line = ChosenSettings();
  // The built-in device is no port to come back to.
  if (!line.port.startsWith(kDemoPrefix)) settings.setValue("line/port", line.port);
  settings.setValue("line/baud", line.baudRate);
  settings.setValue("line/parity", line.parity);
  settings.setValue("line/framing", line.framing);
  settings.setValue("window/geometry", saveGeometry());
  settings.setValue("window/panes", panes_.saveState());
  if (options_.demo == nullptr) settings.setValue("pc/folder", pcFolder_);
}

LineSettings MainWindow::ChosenSettings() const {
  LineSettings settings;
  const int index = port_.currentIndex();
  settings.port = index >= 0 && port_.currentText() == port_.itemText(index) ? port_.itemData(index).toString()
                                                                              : port_.currentText().trimmed();
  settings.baudRate = baud_.currentData().toInt();
  settings.parity = parity_.currentData().toString();
  settings.framing = framing_.currentData().toString();
  return settings;
}

void MainWindow::ChooseFraming(const QString& framing) {
  framing_.setCurrentIndex(std::max(0, framing_.findData(framing)));
}

void MainWindow::UpdateButtons() {
  const bool open = link_.IsOpen() && !busy_;
  connect_.setText(link_.IsOpen() ? "Disconnect" : "Connect");
  for (QWidget* line : std::initializer_list<QWidget*>{&port_, &rescan_, &baud_, &parity_}) {
    line->setEnabled(!link_.IsOpen());
  }
  send_.setEnabled(open && !pcPane_.SelectedFiles().isEmpty());
  get_.setEnabled(open && !devicePane_.SelectedFiles().isEmpty());
  delete_.setEnabled(open && !devicePane_.SelectedFiles().isEmpty());
  devicePreview_.setEnabled(open && devicePane_.SelectedFiles().size() == 1 &&
                            IsSurveyFile(devicePane_.SelectedFiles().front()));
  pcPreview_.setEnabled(pcPane_.SelectedFiles().size() == 1 && IsSurveyFile(pcPane_.SelectedFiles().front()));
  receive_.setEnabled(open);
  serve_.setEnabled(open);
  deviceRefresh_.setEnabled(open);
  devicePane_.setEnabled(link_.IsOpen());
  // The built-in device's port already names its framing.
  const QString found = ChosenSettings().port.startsWith(kDemoPrefix) ? QString() : link_.FoundFraming();
  connection_.setText(!link_.IsOpen() ? QString("Not connected")
                                      : "Connected: " + port_.currentText() + ", " + baud_.currentText() + " baud" +
                                            (found.isEmpty() ? QString() : "; Auto found the " + found + " framing"));
}

void MainWindow::Connect() {
  if (busy_ || link_.IsOpen()) return;
  LineSettings settings = ChosenSettings();
  if (settings.port.isEmpty()) {
    QMessageBox::information(this, "Corvane Desk", "Choose the port of the Data Collector's cable first.");
    return;
  }
  if (settings.port.startsWith(kDemoPrefix) && options_.demo != nullptr) {
    demoFraming_ = settings.port == kDemoPrefix + "wide" ? dc::Framing::Wide : dc::Framing::Classic;
    settings.port = options_.demo->Serve(demoFraming_);
    if (settings.port.isEmpty()) {
      QMessageBox::warning(this, "Corvane Desk",
                           "The simulated Data Collector did not start: " + options_.demo->StartError());
      return;
    }
  }
  if (!link_.Open(settings)) {
    const QString words = DescribeFailedOpen(settings);
    Log(words);
    QMessageBox::warning(this, "Cannot connect", words);
    return;
  }
  Log("Connected to " + port_.currentText() + " at " + baud_.currentText() + " baud.");
  SaveSettings();
  UpdateButtons();
  RefreshDevice();
}

void MainWindow::Disconnect() {
  if (busy_) return;
  link_.Close();
  devicePane_.clear();
  deviceFiles_.clear();
  devicePath_.setText("Not connected");
  Log("Disconnected.");
  UpdateButtons();
}

bool MainWindow::ReopenDemo(const QString& port) {
  if (port.isEmpty()) {
    QMessageBox::warning(this, "Corvane Desk",
                         "The simulated Data Collector did not start: " + options_.demo->StartError());
    return false;
  }
  LineSettings settings = link_.Settings();
  settings.port = port;
  return link_.Open(settings);
}

bool MainWindow::Report(const QString& what, const Outcome& outcome) {
  if (outcome.Succeeded()) return true;
  if (outcome.Cancelled()) {
    Log("Cancelled: " + what + ".");
    return false;
  }
  Log("Could not " + what + ": " + QString(outcome.words).replace('\n', ' '));
  QMessageBox::warning(this, "Corvane Desk", "Could not " + what + ".\n\n" + outcome.words);
  return false;
}

void MainWindow::Log(const QString& line) {
  log_.appendPlainText(QTime::currentTime().toString("HH:mm:ss") + "  " + line);
  statusBar()->showMessage(line, 8000);
}

void MainWindow::ShowPcFolder(const QString& folder) {
  const QDir dir(folder);
  if (!dir.exists()) {
    Log("There is no folder " + folder + ".");
    pcPath_.setText(pcFolder_);
    return;
  }
  pcFolder_ = dir.absolutePath();
  pcPath_.setText(QDir::toNativeSeparators(pcFolder_));
  RefreshPc();
}

void MainWindow::RefreshPc() {
  const QDir dir(pcFolder_);
  std::vector<PaneEntry> entries;
  if (!dir.isRoot()) entries.push_back({"..", true, -1, {}});
  const auto order = QDir::Name | QDir::IgnoreCase;
  for (const QFileInfo& info : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, order)) {
    entries.push_back({info.fileName(), true, -1, info.lastModified()});
  }
  for (const QFileInfo& info : dir.entryInfoList(QDir::Files, order)) {
    entries.push_back({info.fileName(), false, info.size(), info.lastModified()});
  }
  pcPane_.ShowEntries(entries);
  UpdateButtons();
}

void MainWindow::RefreshDevice() {
  if (busy_ || !link_.IsOpen()) return;
  DeviceListing listing;
  Outcome outcome;
  const bool framingKnown = !link_.FoundFraming().isEmpty();
  {
    BusyWindow busy(busy_);
    outcome = link_.List(listing);
  }
  if (!framingKnown && link_.FoundFraming() == "wide") {
    Log("Framing Auto: the Data Collector did not answer in the classic framing but in the wide one, which this "
        "connection now uses. Choose Wide under Framing to connect without the classic attempt.");
  }
  if (!Report("list the Data Collector's directory", outcome)) return;
  deviceFolder_ = listing.directory;
  devicePath_.setText("Directory: " + deviceFolder_);
  std::vector<PaneEntry> entries;
  const bool listsParent =
      std::any_of(listing.entries.begin(), listing.entries.end(), [](const DeviceEntry& e) { return e.name == ".."; });
  if (!listsParent && !IsDeviceRoot(deviceFolder_)) entries.push_back({"..", true, -1, {}});
  deviceFiles_.clear();
  for (const DeviceEntry& entry : listing.entries) {
    entries.push_back({entry.name, entry.isFolder, entry.size, entry.modified});
    if (!entry.isFolder) deviceFiles_.push_back(entry.name);
  }
  devicePane_.ShowEntries(entries);
  UpdateButtons();
}

void MainWindow::OpenPcEntry(const QString& name, bool isFolder) {
  if (busy_) return;
  if (isFolder) {
    QDir dir(pcFolder_);
    if (name == ".." ? dir.cdUp() : dir.cd(name)) ShowPcFolder(dir.absolutePath());
    return;
  }
  if (IsSurveyFile(name)) PreviewPcFile(name);
}

void MainWindow::OpenDeviceEntry(const QString& name, bool isFolder) {
  if (busy_ || !link_.IsOpen()) return;
  if (!isFolder) {
    if (IsSurveyFile(name)) PreviewDeviceFile(name);
    return;
  }
  Outcome outcome;
  {
    BusyWindow busy(busy_);
    outcome = link_.ChangeDirectory(name);
  }
  if (Report("change the Data Collector's directory to " + name, outcome)) RefreshDevice();
}

void MainWindow::SendFiles(const QStringList& paths) {
  if (busy_ || !link_.IsOpen() || paths.isEmpty()) return;
  {
    BusyWindow busy(busy_);
    for (const QString& path : paths) {
      const QString name = QFileInfo(path).fileName();
      if (!Report("send " + name, link_.Send(path))) break;
      Log("Sent " + name + ".");
    }
  }
  RefreshDevice();
}

void MainWindow::GetFiles(const QStringList& names) {
  if (busy_ || !link_.IsOpen() || names.isEmpty()) return;
  {
    BusyWindow busy(busy_);
    for (const QString& name : names) {
      if (!Report("get " + name, link_.Get(name, pcFolder_))) break;
      Log("Got " + name + ".");
    }
  }
  RefreshPc();
}

void MainWindow::DeleteSelected() {
  const QStringList names = devicePane_.SelectedFiles();
  if (busy_ || !link_.IsOpen() || names.isEmpty()) return;
  const QString question = names.size() == 1
                               ? "Delete " + names.front() + " from the Data Collector?"
                               : QString("Delete these %1 files from the Data Collector?\n\n%2")
                                     .arg(names.size())
                                     .arg(names.join("\n"));
  if (QMessageBox::question(this, "Delete", question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) !=
      QMessageBox::Yes) {
    return;
  }
  {
    BusyWindow busy(busy_);
    for (const QString& name : names) {
      if (!Report("delete " + name, link_.Delete(name))) break;
      Log("Deleted " + name + " from the Data Collector.");
    }
  }
  RefreshDevice();
}

void MainWindow::ReceiveFile() {
  if (busy_ || !link_.IsOpen()) return;
  if (options_.demo != nullptr && !ReopenDemo(options_.demo->SendFileThenServe(demoFraming_))) return;
  QString written;
  Outcome outcome;
  {
    BusyWindow busy(busy_);
    Log("Waiting for the Data Collector to send a file: start the sending on the Data Collector now.");
    outcome = link_.Receive(pcFolder_, written);
  }
  if (Report("receive a file", outcome)) Log("Received " + written + ".");
  RefreshPc();
}

void MainWindow::ServeFolder() {
  if (busy_ || !link_.IsOpen()) return;
  if (options_.demo != nullptr && !ReopenDemo(options_.demo->DriveServer("JOB1.CR5"))) return;
  Outcome outcome;
  {
    BusyWindow busy(busy_);
    Log("Serving " + QDir::toNativeSeparators(pcFolder_) + " to the Data Collector until Stop.");
    host_.ExpectServer(pcFolder_, [this](const QString& line) { Log("Data Collector: " + line); });
    outcome = link_.Serve(pcFolder_);
  }
  if (Report("serve the folder", outcome)) Log("Server stopped.");
  if (options_.demo != nullptr) ReopenDemo(options_.demo->Serve(demoFraming_));
  RefreshPc();
  RefreshDevice();
}

void MainWindow::PreviewPcFile(const QString& name) {
  const QDir dir(pcFolder_);
  QString companion;
  if (name.endsWith(".PL5", Qt::CaseInsensitive)) {
    companion = CompanionCoordinates(name, dir.entryList(QDir::Files));
    if (!companion.isEmpty()) companion = dir.filePath(companion);
  }
  ShowPreview(name, "on this PC", dir.filePath(name), companion);
}

// A file on the Data Collector is fetched into a scratch folder first, with
// the coordinate file of a polyline file's job.
void MainWindow::PreviewDeviceFile(const QString& name) {
  if (busy_ || !link_.IsOpen()) return;
  const QTemporaryDir scratch;
  QStringList wanted{name};
  if (name.endsWith(".PL5", Qt::CaseInsensitive)) {
    const QString companion = CompanionCoordinates(name, deviceFiles_);
    if (!companion.isEmpty()) wanted.push_back(companion);
  }
  {
    BusyWindow busy(busy_);
    for (const QString& file : wanted) {
      if (!Report("fetch " + file + " for the preview", link_.Get(file, scratch.path()))) return;
    }
  }
  const QDir dir(scratch.path());
  const QStringList fetched = dir.entryList(QDir::Files);
  auto fetchedPath = [&](const QString& wantedName) {
    for (const QString& file : fetched) {
      if (file.compare(wantedName, Qt::CaseInsensitive) == 0) return dir.filePath(file);
    }
    return QString();
  };
  ShowPreview(name, "on the Data Collector", fetchedPath(name), wanted.size() > 1 ? fetchedPath(wanted[1]) : "");
}

void MainWindow::ShowPreview(const QString& name, const QString& where, const QString& path,
                             const QString& companion) {
  QString note;
  SurveyDrawing drawing = ReadSurveyFile(path, companion, note);
  preview_ = std::make_unique<PreviewDialog>(this, name, where, std::move(drawing), note);
  preview_->show();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // An operation in hand ends through its own window's Cancel.
  if (busy_) {
    event->ignore();
    return;
  }
  SaveSettings();
  link_.Close();
  event->accept();
}

}  // namespace corvane::desk
