#include "corvane-desk/desk_host.h"

#include <QApplication>
#include <QMenuBar>
#include <QToolBar>

#include "corvane-desk/progress_dialog.h"
#include "corvane-desk/server_watch.h"
#include "corvane32/corvane32.h"

namespace corvane::desk {
namespace {

class DialogSurface final : public ProgressSurface {
 public:
  DialogSurface(QWidget* parent, ProgressInput& input, SaveAsQuestion& saveAs)
      : saveAs_(saveAs),
        dialog_(
            parent,
            [this, &input] {
              saveAs_.CancelAll();
              input.OnCancel();
            },
            [&input] { input.OnOK(); }) {
    saveAs_.Begin(&dialog_);
  }
  ~DialogSurface() override {
    if (watch_) watch_->Look();
    saveAs_.CancelAll();
  }

  void WatchServer(const QString& folder, std::function<void(const QString&)> report) {
    dialog_.ShowServerLog();
    watch_ = std::make_unique<ServerWatch>(folder, [this, report = std::move(report)](const QString& line) {
      dialog_.AppendToLog(line);
      if (report) report(line);
    });
    watch_->Start();
  }

  void SetTexts(const std::string& message, const std::string& status) override {
    dialog_.SetTexts(QString::fromLocal8Bit(message.c_str()), QString::fromLocal8Bit(status.c_str()));
    if (!dialog_.isVisible()) {
      dialog_.show();
      dialog_.raise();
    }
  }
  void ShowProgressBar(bool visible) override { dialog_.ShowBar(visible); }
  void SetProgressPosition(int percent) override { dialog_.SetPercent(percent); }
  void ShowFrame(int frame) override { dialog_.ShowFrame(frame); }

 private:
  SaveAsQuestion& saveAs_;
  ProgressDialog dialog_;
  std::unique_ptr<ServerWatch> watch_;  // after the dialog: it writes into it
};

}  // namespace

DeskHost::DeskHost(QMainWindow& window) : window_(window) {
  TransferSetHostUi(this);
  TransferSetSaveAsHandler([this](const std::string& proposed) { return saveAs_.Ask(proposed); });
}

DeskHost::~DeskHost() {
  TransferSetSaveAsHandler({});
  TransferSetHostUi(nullptr);
}

void DeskHost::ExpectServer(const QString& folder, std::function<void(const QString&)> report) {
  servedFolder_ = folder;
  serverReport_ = std::move(report);
}

// The window's contents, not the window: the progress dialog is its child and stays usable.
void DeskHost::EnableHostWindow(HostWindow window, bool enable) {
  auto* mainWindow = static_cast<QMainWindow*>(window);
  if (mainWindow->centralWidget() != nullptr) mainWindow->centralWidget()->setEnabled(enable);
  if (mainWindow->menuBar() != nullptr) mainWindow->menuBar()->setEnabled(enable);
  for (QToolBar* bar : mainWindow->findChildren<QToolBar*>()) bar->setEnabled(enable);
}

// Qt does not tell whether events wait: each poll of the library runs one pass
// of the event loop, which handles all that waits.
bool DeskHost::HasPendingMessage() {
  if (pumped_) {
    pumped_ = false;
    return false;
  }
  return true;
}

void DeskHost::PumpMessage() {
  pumped_ = true;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

std::unique_ptr<ProgressSurface> DeskHost::CreateProgressSurface(HostWindow parent, ProgressInput& input) {
  auto surface = std::make_unique<DialogSurface>(parent != nullptr ? static_cast<QMainWindow*>(parent) : &window_,
                                                 input, saveAs_);
  if (!servedFolder_.isEmpty()) surface->WatchServer(servedFolder_, std::move(serverReport_));
  servedFolder_.clear();
  serverReport_ = nullptr;
  return surface;
}

void DeskHost::BeginWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void DeskHost::EndWaitCursor() { QApplication::restoreOverrideCursor(); }

}  // namespace corvane::desk
