#include "corvane-desk/save_as_question.h"

#include <QFile>
#include <QFileDialog>

namespace corvane::desk {

std::optional<std::string> SaveAsQuestion::Ask(const std::string& proposedName) {
  int question = 0;
  {
    std::lock_guard lock(mutex_);
    if (cancelled_) return std::nullopt;
    question = ++asked_;
    answer_.reset();
  }
  const QString proposed = QFile::decodeName(proposedName.c_str());
  QMetaObject::invokeMethod(this, [this, question, proposed] { Show(question, proposed); }, Qt::QueuedConnection);
  std::unique_lock lock(mutex_);
  answered_.wait(lock, [this] { return cancelled_ || answer_.has_value(); });
  if (cancelled_) return std::nullopt;
  return *answer_;
}

void SaveAsQuestion::Begin(QWidget* parent) {
  std::lock_guard lock(mutex_);
  cancelled_ = false;
  answer_.reset();
  parent_ = parent;
}

void SaveAsQuestion::CancelAll() {
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
  }
  answered_.notify_all();
}

void SaveAsQuestion::Show(int question, const QString& proposedName) {
  {
    std::lock_guard lock(mutex_);
    if (cancelled_ || question != asked_ || answer_) return;
  }
  // Qt's own dialog, the same on every desktop and under a virtual display.
  const QString chosen = QFileDialog::getSaveFileName(
      parent_, QString("%1 exists: save the received file as").arg(QFileInfo(proposedName).fileName()), proposedName,
      "All files (*);;Survey files (*.cr5 *.CR5 *.pl5 *.PL5 *.rw5 *.RW5 *.txt *.TXT)", nullptr,
      QFileDialog::DontUseNativeDialog);
  {
    std::lock_guard lock(mutex_);
    if (question != asked_) return;
    answer_ = chosen.isEmpty() ? std::nullopt : std::optional<std::string>(QFile::encodeName(chosen).toStdString());
  }
  answered_.notify_all();
}

}  // namespace corvane::desk
