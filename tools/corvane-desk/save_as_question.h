// The "received file exists" question. The library asks it on its worker
// thread while the user-interface thread pumps events inside the library's
// runner, so the question is handed to that thread and the worker waits for
// the answer. Cancel answers every open and later question of the operation,
// so a worker never waits on a thread that is itself waiting for the worker.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

namespace corvane::desk {

class SaveAsQuestion final : public QObject {
  Q_OBJECT

 public:
  // Any thread but the user interface's: blocks until answered.
  std::optional<std::string> Ask(const std::string& proposedName);

  // User-interface thread: a new operation, whose dialogs sit over `parent`.
  void Begin(QWidget* parent);
  // User-interface thread: every question of this operation is answered "cancelled".
  void CancelAll();

 private:
  void Show(int question, const QString& proposedName);

  std::mutex mutex_;
  std::condition_variable answered_;
  bool cancelled_ = false;
  int asked_ = 0;
  std::optional<std::optional<std::string>> answer_;
  QPointer<QWidget> parent_;
};

}  // namespace corvane::desk
