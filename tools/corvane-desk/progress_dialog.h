// The library's progress window as a real dialog: the message, the picture
// whose lit dot runs towards the receiver, the counts with rate and time left,
// the bar, and Cancel (Stop for a server). Modeless: the library keeps the
// events moving while its operation runs.
#pragma once

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <functional>

#include "corvane-desk/transfer_animation.h"

namespace corvane::desk {

class ProgressDialog final : public QDialog {
  Q_OBJECT

 public:
  // `cancel` runs on the Cancel button, Escape and the close box; `ok` on Enter.
  ProgressDialog(QWidget* parent, std::function<void()> cancel, std::function<void()> ok);

  void SetTexts(const QString& message, const QString& status);
  void ShowBar(bool visible);
  void SetPercent(int percent);
  void ShowFrame(int frame) { animation_.ShowFrame(frame); }
  // A server's window: Stop instead of Cancel, and a log of what the Data Collector did.
  void ShowServerLog();
  void AppendToLog(const QString& line);

  void reject() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  std::function<void()> cancel_;
  std::function<void()> ok_;
  QVBoxLayout layout_;
  QHBoxLayout buttons_;
  QLabel message_;
  TransferAnimation animation_;
  QLabel status_;
  QProgressBar bar_;
  QPlainTextEdit log_;
  QPushButton cancelButton_;
};

}  // namespace corvane::desk
