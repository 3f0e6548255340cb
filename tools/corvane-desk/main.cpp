#include <QApplication>
#include <QCommandLineParser>
#include <QComboBox>
#include <QTextStream>
#include <QTimer>
#include <optional>

#include "corvane-desk/demo_device.h"
#include "corvane-desk/main_window.h"
#include "corvane-desk/screenshots.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Corvane");
  QApplication::setApplicationName("corvane-desk");
  QApplication::setApplicationVersion(CORVANE_VERSION);

  QCommandLineParser parser;
  parser.setApplicationDescription("Corvane Desk: files between this PC and a Data Collector.");
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption demoOption("demo", "Start with the built-in simulated Data Collector and sample jobs.");
  const QCommandLineOption screenshotOption("screenshots", "Render the README's screenshots into DIR and quit.",
                                            "DIR");
  parser.addOption(demoOption);
  parser.addOption(screenshotOption);
  parser.process(app);

  std::optional<corvane::desk::DemoDevice> demo;
  if (parser.isSet(demoOption) || parser.isSet(screenshotOption)) {
    demo.emplace();
    if (!demo->IsUsable()) {
      QTextStream(stderr) << "corvane-desk: no scratch folder for the demo's files\n";
      return 1;
    }
  }
  corvane::desk::MainWindow window({demo ? &*demo : nullptr, demo ? demo->PcFolder() : QString()});
  if (parser.isSet(screenshotOption)) return TakeScreenshots(window, *demo, parser.value(screenshotOption));
  window.show();
  if (demo) {
    auto* port = window.findChild<QComboBox*>("portChoice");
    port->setCurrentIndex(port->findData("demo:classic"));
    QTimer::singleShot(0, &window, [&window] { window.Connect(); });
  }
  return app.exec();
}
