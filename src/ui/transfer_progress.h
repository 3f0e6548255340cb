// The progress window of an operation: what is being done, how far it has
// come, the rate and the time left, an animation whose direction shows the
// direction of the transfer, and Cancel. The logic lives here; the drawing goes
// through a ProgressSurface supplied by the host.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "corvane32/host.h"

namespace corvane {

class CTransferProgress final : public ProgressInput {
 public:
  // Reads the progress counters; true while the operation is busy.
  using StatusSource = std::function<bool(std::int32_t& done, std::int32_t& total)>;
  // The current time in whole seconds.
  using SecondsClock = std::function<std::int64_t()>;

  CTransferProgress(StatusSource status, SecondsClock clock);
  ~CTransferProgress();
  CTransferProgress(const CTransferProgress&) = delete;
  CTransferProgress& operator=(const CTransferProgress&) = delete;

  // Set before Create: false runs the animation backward (every command but send).
  void SetForward(bool forward) { m_forward = forward; }
  // Creates the window on the host's surface (nullptr surface: draws nothing)
  // and initialises it: bar hidden, frame 0, texts shown.
  bool Create(HostUi& host, HostWindow parent);
  void SetMessage(const std::string& text);
  // False once the operation has ended or Cancel was pressed.
  bool Poll(bool detailed);
  // The 100 ms animation timer.
  void OnTimer();
  void OnOK() override;
  void OnCancel() override;
  void DestroyWindow();

  bool Cancelled() const { return m_cancelled; }
  // False for a headless host or a surface that draws nothing: the animation need not run.
  bool IsShown() const { return surface_ != nullptr && surface_->IsDrawn(); }
  const std::string& Status() const { return m_status; }
  const std::string& Message() const { return m_message; }
  int Frame() const { return m_frame; }

 private:
  void TransferTexts();
  void ShowBar(bool visible);

  StatusSource status_;
  SecondsClock clock_;
  std::unique_ptr<ProgressSurface> surface_;
  bool barVisible_ = false;
  std::string m_status = "Please Wait...";
  std::string m_message;
  bool m_cancelled = false;
  bool m_forward = true;
  std::int32_t m_lastDone = 0;
  std::int32_t m_lastRate = 0;
  std::int64_t m_startTime = 0;
  int m_frame = 0;
};

// "921 bytes", "0.90 KB", "9.0 KB", "1,024 KB" (with the locale's separator).
std::string FormatByteCount(std::int32_t count);
// Same, with the thousands separator given (tests, and hosts that know better).
std::string FormatByteCount(std::int32_t count, const std::string& thousandsSeparator);

}  // namespace corvane
