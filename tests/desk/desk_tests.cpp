// The desktop application's window against the simulated Data Collector on a
// pty, under a virtual X server: what the panes, the progress window and the
// preview show after each thing a user does.
#include <QtTest>
#include <QtWidgets>
#include <functional>
#include <memory>
#include <optional>

#include "corvane-dc/simulated_device.h"
#include "corvane-desk/demo_device.h"
#include "corvane-desk/file_pane.h"
#include "corvane-desk/main_window.h"
#include "corvane32/corvane32.h"
#include "support/files.h"

using corvane::desk::FilePane;
using corvane::desk::MainWindow;
namespace dc = corvane::dc;

namespace {

const QByteArray kNotes = "Control checked.\r\nBM4 disturbed.\r\n";
const QByteArray kField = "Collected in the field.\r\n";

void Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QByteArray Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Names(const FilePane& pane) {
  QStringList names;
  for (int i = 0; i < pane.topLevelItemCount(); ++i) names.push_back(pane.topLevelItem(i)->text(0));
  return names;
}

QWidget* TopLevel(const QString& name) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == name && widget->isVisible()) return widget;
  }
  return nullptr;
}

}  // namespace

class DeskTest final : public QObject {
  Q_OBJECT

 private:
  // `choice` is the Framing chosen in the window; by default the device's own.
  void Connect(dc::Framing framing, dc::FaultOptions faults = {}, const QString& choice = {}) {
    dc::DeviceOptions options;
    options.framing = framing;
    options.directory = deviceFolder_.toStdString();
    options.faults = faults;
    device_ = std::make_unique<dc::PtyDevice>(options);
    QVERIFY(device_->Start());
    window_->findChild<QComboBox*>("portChoice")->setCurrentText(QString::fromStdString(device_->SlavePath()));
    window_->ChooseFraming(!choice.isEmpty() ? choice : framing == dc::Framing::Wide ? "wide" : "classic");
    Click("connectButton");
    QCOMPARE(window_->findChild<QLabel*>("devicePath")->text(), QString("Directory: /"));
  }
  FilePane& Pane(const char* name) { return *window_->findChild<FilePane*>(name); }
  void Click(const char* button) { window_->findChild<QPushButton*>(button)->click(); }
  void Select(const char* pane, const QString& name) { QVERIFY(Pane(pane).SelectEntry(name)); }
  void Open(const char* pane, const QString& name) {
    FilePane& files = Pane(pane);
    QVERIFY(files.SelectEntry(name));
    const QPoint where = files.visualItemRect(files.currentItem()).center();
    // A double-click opens what the click before it pressed.
    QTest::mouseClick(files.viewport(), Qt::LeftButton, Qt::NoModifier, where);
    QTest::mouseDClick(files.viewport(), Qt::LeftButton, Qt::NoModifier, where);
  }
  // A window of its own on a built-in device, connected through `port` in `framing` (by default the window's).
  corvane::desk::DemoDevice& ConnectDemo(const QString& port, const QString& framing = {}) {
    window_.reset();  // one window holds the library's host seams at a time
    corvane::desk::DemoDevice& demo = demo_.emplace();
    window_ = std::make_unique<MainWindow>(corvane::desk::DeskOptions{&demo, demo.PcFolder()});
    window_->show();
    auto* ports = window_->findChild<QComboBox*>("portChoice");
    ports->setCurrentIndex(ports->findData(port));
    if (!framing.isEmpty()) window_->ChooseFraming(framing);
    Click("connectButton");
    return demo;
  }
  QString LogText() const { return window_->findChild<QPlainTextEdit*>("activityLog")->toPlainText(); }
  // The next modal dialog is handed to `answer`; any other one is a failure, noted and closed.
  void AnswerNextModal(std::function<void(QWidget&)> answer) { answer_ = std::move(answer); }
  void LookForModals() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    if (answer_) {
      const auto answer = std::move(answer_);
      answer_ = nullptr;
      answer(*modal);
      return;
    }
    const auto* box = qobject_cast<QMessageBox*>(modal);
    unexpected_.push_back("unexpected dialog: " + (box != nullptr ? box->text() : modal->windowTitle()));
    modal->close();
  }

 private slots:
  void init() {
    workspace_.emplace();
    pcFolder_ = workspace_->filePath("pc");
    deviceFolder_ = workspace_->filePath("device");
    QDir().mkpath(pcFolder_);
    QDir().mkpath(deviceFolder_ + "/JOBS");
    Write(pcFolder_ + "/NOTES.TXT", kNotes);
    const std::string job = corvane::testing::CoordinateFileBytes(
        "JOB", 3, {{1, 5000.0, 2000.0, 100.25, "CP1"}, {2, 5010.5, 2003.0, 100.5, "TREE"}, {3, 5020.0, 1999.75, -9.99e27, "FENCE"}});
    Write(pcFolder_ + "/JOB.CR5", QByteArray::fromStdString(job));
    Write(pcFolder_ + "/JOB.PL5", "SS,1\r\nPT,2\r\nPT,3\r\nSA,7,1\r\n");
    Write(deviceFolder_ + "/FIELD.TXT", kField);
    Write(deviceFolder_ + "/JOBS/BRIDGE.CR5", "7,7200.0,3100.0,88.4,DECK\r\n8,7206.0,3101.5,88.45,DECK\r\n");
    window_ = std::make_unique<MainWindow>(corvane::desk::DeskOptions{nullptr, pcFolder_});
    window_->resize(1100, 700);
    window_->show();
    unexpected_.clear();
    connect(&modalWatch_, &QTimer::timeout, this, &DeskTest::LookForModals, Qt::UniqueConnection);
    modalWatch_.start(20);
  }

  void cleanup() {
    modalWatch_.stop();
    window_.reset();
    demo_.reset();
    device_.reset();
    workspace_.reset();
    QVERIFY2(unexpected_.isEmpty(), qPrintable(unexpected_.join("\n")));
  }

  void connectListTransferDeleteAndChangeDirectory_data() {
    QTest::addColumn<dc::Framing>("framing");
    QTest::addColumn<QString>("choice");
    QTest::newRow("classic") << dc::Framing::Classic << "classic";
    QTest::newRow("auto finding a wide device") << dc::Framing::Wide << "auto";
  }

  void connectListTransferDeleteAndChangeDirectory() {
    QFETCH(dc::Framing, framing);
    QFETCH(QString, choice);
    Connect(framing, {}, choice);
    QCOMPARE(Names(Pane("devicePane")), QStringList({"JOBS", "FIELD.TXT"}));
    // The library's automatic choice asks for a listing in the classic framing only; the
    // window finds a wide device all the same, says so, and keeps to the wide framing.
    if (choice == "auto") {
      QVERIFY(window_->findChild<QLabel*>("connectionState")->text().endsWith("; Auto found the wide framing"));
      QVERIFY(LogText().contains("did not answer in the classic framing but in the wide one"));
    }
    QCOMPARE(Pane("devicePane").topLevelItem(1)->text(1), QString::number(kField.size()));

    Select("pcPane", "NOTES.TXT");
    Click("sendButton");
    QCOMPARE(Read(deviceFolder_ + "/NOTES.TXT"), kNotes);
    QVERIFY(Names(Pane("devicePane")).contains("NOTES.TXT"));

    // A drag of JOB.CR5 from the PC's side, dropped on the Data Collector's.
    FilePane& pc = Pane("pcPane");
    QVERIFY(pc.SelectEntry("JOB.CR5"));
    const std::unique_ptr<QMimeData> dragged(pc.model()->mimeData({pc.currentIndex()}));
    FilePane& device = Pane("devicePane");
    const QPoint at = device.viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, dragged.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(device.viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, dragged.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(device.viewport(), &drop);
    QVERIFY(QFile::exists(deviceFolder_ + "/JOB.CR5"));
    QVERIFY(Names(device).contains("JOB.CR5"));

    Select("devicePane", "FIELD.TXT");
    Click("getButton");
    QCOMPARE(Read(pcFolder_ + "/FIELD.TXT"), kField);
    QVERIFY(Names(pc).contains("FIELD.TXT"));

    // Got again, the file is there already: a Save As dialog asks for another name.
    Write(pcFolder_ + "/FIELD.TXT", "kept\r\n");
    AnswerNextModal([&](QWidget& modal) {
      auto& dialog = dynamic_cast<QFileDialog&>(modal);
      QCOMPARE(QFileInfo(dialog.selectedFiles().value(0)).fileName(), QString("FIELD.TXT"));
      dialog.selectFile(pcFolder_ + "/FIELD2.TXT");
      static_cast<QDialog&>(dialog).accept();
    });
    Select("devicePane", "FIELD.TXT");
    Click("getButton");
    QCOMPARE(Read(pcFolder_ + "/FIELD.TXT"), QByteArray("kept\r\n"));
    QCOMPARE(Read(pcFolder_ + "/FIELD2.TXT"), kField);
    QVERIFY(Names(pc).contains("FIELD2.TXT"));

    Select("devicePane", "FIELD.TXT");
    AnswerNextModal([](QWidget& modal) {
      auto& box = dynamic_cast<QMessageBox&>(modal);
      QVERIFY(box.text().contains("FIELD.TXT"));
      box.button(QMessageBox::Yes)->click();
    });
    Click("deleteButton");
    QVERIFY(!QFile::exists(deviceFolder_ + "/FIELD.TXT"));
    QVERIFY(!Names(device).contains("FIELD.TXT"));

    Open("devicePane", "JOBS");
    QCOMPARE(window_->findChild<QLabel*>("devicePath")->text(), QString("Directory: /JOBS"));
    QCOMPARE(Names(device), QStringList({"..", "BRIDGE.CR5"}));
    Open("devicePane", "..");
    QCOMPARE(window_->findChild<QLabel*>("devicePath")->text(), QString("Directory: /"));
    QVERIFY(!LogText().contains("Could not"));
  }

  void cancelHalfWayLeavesNoPartialFileAndAUsableWindow() {
    // Every byte the device sends waits a millisecond: the get lasts long enough to be cancelled.
    Write(deviceFolder_ + "/BIG.CR5", QByteArray(60000, 'x'));
    dc::FaultOptions slow;
    slow.delayProbability = 1.0;
    slow.delayMs = 1;
    Connect(dc::Framing::Wide, slow);
    bool windowWasDisabled = false;
    bool enterKeptItOpen = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
      QWidget* dialog = TopLevel("progressDialog");
      if (dialog == nullptr || !dialog->findChild<QLabel*>("progressStatus")->text().contains(" of ")) return;
      watch.stop();
      windowWasDisabled = !window_->centralWidget()->isEnabled();
      QTest::keyClick(dialog, Qt::Key_Return);
      enterKeptItOpen = dialog->isVisible() && !dialog->findChild<QLabel*>("progressStatus")->text().startsWith("Waiting");
      QTest::keyClick(dialog, Qt::Key_Escape);
    });
    watch.start(20);
    Select("devicePane", "BIG.CR5");
    Click("getButton");
    QVERIFY(windowWasDisabled);
    QVERIFY(enterKeptItOpen);
    QVERIFY(LogText().contains("Cancelled: get BIG.CR5."));
    QVERIFY(!Names(Pane("pcPane")).contains("BIG.CR5"));
    QVERIFY(TopLevel("progressDialog") == nullptr);
    QVERIFY(window_->centralWidget()->isEnabled());
    window_->findChild<QToolButton*>("deviceRefresh")->click();
    QVERIFY(Names(Pane("devicePane")).contains("BIG.CR5"));
  }

  void previewShowsPointsAndLines_data() {
    QTest::addColumn<bool>("onDevice");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QStringList>("firstRow");
    QTest::addColumn<QStringList>("lastRow");
    const QStringList cp1{"1", "5,000.000", "2,000.000", "100.250", "CP1"};
    const QStringList fence{"3", "5,020.000", "1,999.750", "—", "FENCE"};
    QTest::newRow("coordinate file on the PC") << false << "JOB.CR5" << "3 points, 0 lines." << cp1 << fence;
    QTest::newRow("polyline file on the PC") << false << "JOB.PL5" << "3 points, 1 line. Points from JOB.CR5. Not drawn: SA lines."
                                              << cp1 << fence;
    QTest::newRow("coordinate lines on the Data Collector")
        << true << "BRIDGE.CR5" << "2 points, 0 lines." << QStringList{"7", "7,200.000", "3,100.000", "88.400", "DECK"}
        << QStringList{"8", "7,206.000", "3,101.500", "88.450", "DECK"};
  }

  void previewShowsPointsAndLines() {
    QFETCH(bool, onDevice);
    QFETCH(QString, file);
    QFETCH(QString, summary);
    QFETCH(QStringList, firstRow);
    QFETCH(QStringList, lastRow);
    if (onDevice) {
      Connect(dc::Framing::Classic);
      Open("devicePane", "JOBS");
      Select("devicePane", file);
      Click("devicePreviewButton");
    } else {
      Open("pcPane", file);
    }
    QWidget* preview = TopLevel("previewDialog");
    QVERIFY(preview != nullptr);
    QVERIFY(preview->findChild<QLabel*>("previewSummary")->text().endsWith(summary));
    const auto* table = preview->findChild<QTableWidget*>("pointTable");
    auto row = [table](int r) {
      QStringList cells;
      for (int c = 0; c < table->columnCount(); ++c) cells.push_back(table->item(r, c)->text());
      return cells;
    };
    QCOMPARE(row(0), firstRow);
    QCOMPARE(row(table->rowCount() - 1), lastRow);
  }

  // The built-in device sends FIELD.TXT from its own menu while the PC receives.
  void demoDeviceSendsAFile() {
    corvane::desk::DemoDevice& demo = ConnectDemo("demo:classic");
    QVERIFY(Names(Pane("devicePane")).contains("FIELD.TXT"));

    Click("receiveButton");
    QCOMPARE(Read(demo.PcFolder() + "/FIELD.TXT"), Read(demo.DeviceFolder() + "/FIELD.TXT"));
    QVERIFY(LogText().contains("Received FIELD.TXT."));
  }

  // The built-in device works with the PC's server while the window serves the
  // folder: it uploads a job, lists the folder and downloads another; Stop ends it.
  void demoDeviceUsesTheServedFolder() {
    corvane::desk::DemoDevice& demo = ConnectDemo("demo:wide", "wide");

    const QString uploaded = demo.DeviceFolder() + "/TOPO.CR5";
    const QString downloaded = demo.PcFolder() + "/JOB1.CR5";
    const QStringList expected{"Uploaded TOPO.CR5 (" + QLocale().toString(QFileInfo(uploaded).size()) + " bytes)",
                               "Listed the served folder",
                               "Downloaded JOB1.CR5 (" + QLocale().toString(QFileInfo(downloaded).size()) + " bytes)"};
    QStringList shown;
    QString stopText;
    // The deadline only guards against a hang; the lines shown tell what went wrong.
    QDeadlineTimer deadline(std::chrono::seconds(90));
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
      QWidget* dialog = TopLevel("progressDialog");
      if (dialog == nullptr) return;
      shown = dialog->findChild<QPlainTextEdit*>("serverLog")->toPlainText().split('\n', Qt::SkipEmptyParts);
      if (shown.size() < expected.size() && !deadline.hasExpired()) return;
      watch.stop();
      auto* stop = dialog->findChild<QPushButton*>("cancelButton");
      stopText = stop->text();
      stop->click();
    });
    watch.start(20);
    Click("serveButton");
    QCOMPARE(shown, expected);
    QCOMPARE(stopText, QString("Stop"));
    QVERIFY(TopLevel("progressDialog") == nullptr);
    QVERIFY(window_->centralWidget()->isEnabled());
    QVERIFY(LogText().contains("Server stopped."));
    QCOMPARE(Read(demo.PcFolder() + "/TOPO.CR5"), Read(uploaded));
    QCOMPARE(Read(demo.DeviceFolder() + "/JOB1.CR5"), Read(downloaded));
    QVERIFY(Names(Pane("pcPane")).contains("TOPO.CR5"));
    QVERIFY(Names(Pane("devicePane")).contains("JOB1.CR5"));
  }

  // The window shows what the library finds in the way of the port, not a guess of its own.
  void aPortThatWillNotOpenIsExplainedByTheLibrary() {
    const QString missing = "/dev/corvane-no-such-port";
    const std::vector<corvane::PortFinding> found = TransferDiagnosePort(missing.toStdString());
    QVERIFY(!found.empty());
    QString shown;
    AnswerNextModal([&shown](QWidget& modal) {
      auto& box = dynamic_cast<QMessageBox&>(modal);
      shown = box.text();
      box.button(QMessageBox::Ok)->click();
    });
    window_->findChild<QComboBox*>("portChoice")->setCurrentText(missing);
    Click("connectButton");
    QVERIFY2(shown.startsWith("Cannot open " + missing + " at "), qPrintable(shown));
    for (const corvane::PortFinding& finding : found) {
      QVERIFY2(shown.contains(QString::fromStdString(finding.problem)), qPrintable(shown));
      QVERIFY2(shown.contains(QString::fromStdString(finding.fix)), qPrintable(shown));
    }
    QVERIFY(LogText().contains(shown));
  }

 private:
  std::optional<QTemporaryDir> workspace_;
  QString pcFolder_;
  QString deviceFolder_;
  std::unique_ptr<dc::PtyDevice> device_;
  std::optional<corvane::desk::DemoDevice> demo_;
  std::unique_ptr<MainWindow> window_;
  QTimer modalWatch_;
  std::function<void(QWidget&)> answer_;
  QStringList unexpected_;
};

int main(int argc, char** argv) {
  // Settings the window remembers go to a scratch folder, not the user's.
  const QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Corvane");
  QApplication::setApplicationName("corvane-desk-tests");
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  DeskTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "desk_tests.moc"
