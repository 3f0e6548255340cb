#include "corvane-desk/progress_dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace corvane::desk {

ProgressDialog::ProgressDialog(QWidget* parent, std::function<void()> cancel, std::function<void()> ok)
    : QDialog(parent), cancel_(std::move(cancel)), ok_(std::move(ok)), layout_(this) {
  setObjectName("progressDialog");
  setWindowTitle("Transfer");
  setModal(false);
  setMinimumWidth(440);
  message_.setObjectName("progressMessage");
  message_.setWordWrap(true);
  message_.setMinimumHeight(message_.fontMetrics().lineSpacing() * 2);
  QFont bold = message_.font();
  bold.setBold(true);
  message_.setFont(bold);
  status_.setObjectName("progressStatus");
  status_.setAlignment(Qt::AlignCenter);
  status_.setMinimumHeight(status_.fontMetrics().lineSpacing() * 2);
  bar_.setObjectName("progressBar");
  bar_.setRange(0, 100);
  bar_.setTextVisible(true);
  bar_.hide();
  log_.setObjectName("serverLog");
  log_.setReadOnly(true);
  log_.setMinimumHeight(140);
  log_.hide();
  cancelButton_.setObjectName("cancelButton");
  cancelButton_.setText("Cancel");
  // Enter must not press it: only Cancel, Escape and the close box cancel.
  cancelButton_.setAutoDefault(false);
  cancelButton_.setDefault(false);
  connect(&cancelButton_, &QPushButton::clicked, this, [this] { cancel_(); });

  layout_.addWidget(&message_);
  layout_.addWidget(&animation_, 0, Qt::AlignHCenter);
  layout_.addWidget(&bar_);
  layout_.addWidget(&status_);
  layout_.addWidget(&log_);
  layout_.addLayout(&buttons_);
  buttons_.addStretch();
  buttons_.addWidget(&cancelButton_);
  buttons_.addStretch();
}

void ProgressDialog::SetTexts(const QString& message, const QString& status) {
  message_.setText(message);
  status_.setText(status);
}

void ProgressDialog::ShowBar(bool visible) { bar_.setVisible(visible); }

void ProgressDialog::SetPercent(int percent) { bar_.setValue(percent); }

void ProgressDialog::ShowServerLog() {
  cancelButton_.setText("Stop");
  log_.show();
  setMinimumWidth(520);
}

void ProgressDialog::AppendToLog(const QString& line) { log_.appendPlainText(line); }

void ProgressDialog::reject() { cancel_(); }

void ProgressDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      cancel_();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      ok_();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  cancel_();
}

}  // namespace corvane::desk
