// The library's host seams in Qt: the progress window as a dialog over the
// main window, the main window disabled while an operation runs, Qt's event
// loop driven from the library's message pump, and the Save As question.
#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

#include "corvane-desk/save_as_question.h"
#include "corvane32/host.h"

namespace corvane::desk {

class DeskHost final : public HostUi {
 public:
  // Installs itself in the library for its lifetime; one at a time, since the
  // library holds one host and the destructor restores the headless default.
  explicit DeskHost(QMainWindow& window);
  ~DeskHost() override;
  DeskHost(const DeskHost&) = delete;
  DeskHost& operator=(const DeskHost&) = delete;

  HostWindow Window() { return &window_; }
  // The next operation is a server run on `folder`: its window logs what the
  // Data Collector does, and every line also goes to `report`.
  void ExpectServer(const QString& folder, std::function<void(const QString&)> report);

  void EnableHostWindow(HostWindow window, bool enable) override;
  bool HasPendingMessage() override;
  void PumpMessage() override;
  std::unique_ptr<ProgressSurface> CreateProgressSurface(HostWindow parent, ProgressInput& input) override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;

 private:
  QMainWindow& window_;
  SaveAsQuestion saveAs_;
  bool pumped_ = false;
  QString servedFolder_;
  std::function<void(const QString&)> serverReport_;
};

}  // namespace corvane::desk
