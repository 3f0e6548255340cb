#include "corvane-desk/screenshots.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTextStream>
#include <QTimer>

#include "corvane-desk/demo_device.h"
#include "corvane-desk/file_pane.h"
#include "corvane-desk/main_window.h"

namespace corvane::desk {
namespace {

constexpr int kLargeJobPoints = 4000;
// Each byte the device sends waits this long, so that a send lasts long enough
// for the window to show a rate and the time left.
constexpr int kLinePauseMs = 2;

QWidget* TopLevel(const QString& name) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == name && widget->isVisible()) return widget;
  }
  return nullptr;
}

bool Save(QWidget& widget, const QString& path) {
  QApplication::processEvents();
  const bool saved = widget.grab().save(path);
  QTextStream(stderr) << (saved ? "wrote " : "could not write ") << path << "\n";
  return saved;
}

void Choose(MainWindow& window, const char* combo, const QString& data) {
  auto* box = window.findChild<QComboBox*>(combo);
  box->setCurrentIndex(box->findData(data));
}

}  // namespace

int TakeScreenshots(MainWindow& window, DemoDevice& demo, const QString& folder) {
  QDir().mkpath(folder);
  const QDir out(folder);
  int written = 0;
  window.resize(1180, 700);
  window.show();
  Choose(window, "portChoice", "demo:wide");
  window.ChooseFraming("wide");
  window.Connect();
  window.findChild<FilePane*>("pcPane")->SelectEntry("JOB1.PL5");
  window.findChild<FilePane*>("devicePane")->SelectEntry("TOPO.CR5");
  written += Save(window, out.filePath("main-window.png"));

  window.PreviewPcFile("JOB1.PL5");
  if (QWidget* preview = TopLevel("previewDialog")) {
    written += Save(*preview, out.filePath("preview.png"));
    preview->close();
  }

  const QString large = QDir(window.PcFolder()).filePath("SITE-DTM.CR5");
  QFile file(large);
  if (file.open(QIODevice::WriteOnly)) file.write(SampleCoordinateFile("SITE-DTM", kLargeJobPoints));
  file.close();
  window.Disconnect();
  demo.SetLinePause(kLinePauseMs);
  window.Connect();
  QTimer watch;
  bool taken = false;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    QWidget* dialog = TopLevel("progressDialog");
    if (taken || dialog == nullptr) return;
    const auto* bar = dialog->findChild<QProgressBar*>("progressBar");
    const auto* status = dialog->findChild<QLabel*>("progressStatus");
    if (bar->value() < 40 || !status->text().contains("left")) return;
    taken = true;
    written += Save(*dialog, out.filePath("progress.png"));
  });
  watch.start(50);
  window.SendFiles({large});
  watch.stop();
  return written == 3 ? 0 : 1;
}

}  // namespace corvane::desk
