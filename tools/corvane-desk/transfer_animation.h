// The progress window's picture: a PC at the left, a Data Collector at the
// right, and eight dots between them of which the frame's one is lit.
#pragma once

#include <QWidget>

namespace corvane::desk {

class TransferAnimation final : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kDots = 8;

  explicit TransferAnimation(QWidget* parent = nullptr);
  // 0: no dot lit; k: the k-th dot counted from the PC. Drawn at once: the
  // library steps the frames between two passes of the event loop.
  void ShowFrame(int frame);
  int Frame() const { return frame_; }
  QSize sizeHint() const override { return {320, 72}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int frame_ = 0;
};

}  // namespace corvane::desk
