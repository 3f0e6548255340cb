#include "api/c_host.h"

#include <chrono>
#include <cstring>
#include <vector>

#include "session/transfer_session.h"
#include "corvane/corvane.h"
#include "corvane32/corvane32.h"

namespace corvane {

// The C host draws nothing; it keeps the message line for the progress callback.
class CHost::Surface final : public ProgressSurface {
 public:
  Surface(CHost& host, ProgressInput& input) : host_(host) { host_.input_ = &input; }
  ~Surface() override { host_.input_ = nullptr; }
  void SetTexts(const std::string& message, const std::string& /*status*/) override { host_.message_ = message; }
  void ShowProgressBar(bool /*visible*/) override {}
  void SetProgressPosition(int /*percent*/) override {}
  void ShowFrame(int /*frame*/) override {}
  bool IsDrawn() const override { return false; }

 private:
  CHost& host_;
};

CHost& TheCHost() {
  static CHost host;
  return host;
}

void CHost::SetProgressCallback(CProgressCallback callback, void* user) {
  progress_ = callback;
  progressUser_ = user;
}

void CHost::SetSaveAsCallback(CSaveAsCallback callback, void* user) {
  saveAs_ = callback;
  saveAsUser_ = user;
}

bool CHost::RequestCancel() {
  if (!running_) return false;
  cancelWanted_ = true;
  return true;
}

CHost::Operation::Operation(CHost& host) : host_(host), previous_(TheHostSeams()) {
  host_.cancelWanted_ = false;
  host_.pumpDue_ = false;
  host_.message_.clear();
  host_.running_ = true;
  TheHostSeams().ui = &host_;
  if (host_.saveAs_ == nullptr) {
    TheHostSeams().saveAs = nullptr;  // answered "cancelled" at once
  } else {
    TheHostSeams().saveAs = [&host](const std::string& proposed) { return host.AskOnCallerThread(proposed); };
  }
}

CHost::Operation::~Operation() {
  TheHostSeams() = std::move(previous_);
  host_.running_ = false;
}

bool CHost::HasPendingMessage() {
  pumpDue_ = !pumpDue_;
  return pumpDue_;
}

void CHost::PumpMessage() {
  if (progress_ != nullptr) {
    std::int32_t done = 0;
    std::int32_t total = 0;
    TransferGetStatus(done, total);
    progress_(progressUser_, done, total, message_.c_str());
  }
  // A cancel from the callback just called, or from another thread since the last pump.
  const bool cancelling = cancelWanted_.exchange(false) && input_ != nullptr;
  if (cancelling) input_->OnCancel();
  AnswerQuestion(cancelling);
}

std::unique_ptr<ProgressSurface> CHost::CreateProgressSurface(HostWindow /*parent*/, ProgressInput& input) {
  return std::make_unique<Surface>(*this, input);
}

std::optional<std::string> CHost::AskOnCallerThread(const std::string& proposed) {
  constexpr auto kCancelRetest = std::chrono::milliseconds(50);
  std::unique_lock lock(mutex_);
  question_.emplace();
  question_->proposed = proposed;
  // The runner stops polling only after it has set the cancel event, so
  // watching that event is what keeps a cancel from waiting on this question.
  while (!question_->answered && !CancelRequested()) answered_.wait_for(lock, kCancelRetest);
  std::optional<std::string> answer = question_->answered ? std::move(question_->answer) : std::nullopt;
  question_.reset();
  return answer;
}

void CHost::AnswerQuestion(bool cancelling) {
  std::string proposed;
  {
    std::lock_guard lock(mutex_);
    if (!question_ || question_->asked) return;
    question_->asked = true;
    proposed = question_->proposed;
  }
  std::optional<std::string> answer;
  if (!cancelling && saveAs_ != nullptr) {
    std::vector<char> name(CORVANE_MAX_PATH + 1, '\0');
    // A name that fills the buffer without its terminating zero was cut: cancel rather than guess.
    if (saveAs_(saveAsUser_, proposed.c_str(), name.data(), name.size()) == 1 &&
        std::memchr(name.data(), '\0', name.size()) != nullptr && name[0] != '\0') {
      answer = std::string(name.data());
    }
  }
  {
    std::lock_guard lock(mutex_);
    // The worker may have given up on a cancel meanwhile; then nobody waits for this answer.
    if (question_ && question_->asked) {
      question_->answer = std::move(answer);
      question_->answered = true;
    }
  }
  answered_.notify_all();
}

}  // namespace corvane
