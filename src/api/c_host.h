// The C interface's host: it calls the C callbacks on the caller's thread from
// the runner's message pump, hands the worker's Save As question over to that
// thread, and turns corvane_cancel from any thread into the progress window's Cancel.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "corvane32/host.h"
#include "session/host_seams.h"

namespace corvane {

using CProgressCallback = void (*)(void* user, std::int32_t done, std::int32_t total, const char* message);
using CSaveAsCallback = int (*)(void* user, const char* proposed, char* newName, std::size_t capacity);

class CHost final : public HostUi {
 public:
  void SetProgressCallback(CProgressCallback callback, void* user);
  void SetSaveAsCallback(CSaveAsCallback callback, void* user);

  // Any thread: the next pump presses Cancel. False when no operation runs.
  bool RequestCancel();
  bool Running() const { return running_; }

  // The host for the life of one operation: installed in the seams, and the
  // seams the caller had put back afterwards.
  class Operation {
   public:
    explicit Operation(CHost& host);
    ~Operation();
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

   private:
    CHost& host_;
    HostSeams previous_;
  };

  // One call each runner poll: HasPendingMessage alternates, so every poll pumps once.
  bool HasPendingMessage() override;
  void PumpMessage() override;
  std::unique_ptr<ProgressSurface> CreateProgressSurface(HostWindow parent, ProgressInput& input) override;

 private:
  class Surface;
  struct Question {
    std::string proposed;
    bool asked = false;
    bool answered = false;
    std::optional<std::string> answer;
  };

  // Worker thread: waits for the caller's thread to answer, or for the operation's cancel.
  std::optional<std::string> AskOnCallerThread(const std::string& proposed);
  // Caller's thread: answers an open question, "cancel" without asking when `cancelling`.
  void AnswerQuestion(bool cancelling);

  CProgressCallback progress_ = nullptr;
  void* progressUser_ = nullptr;
  CSaveAsCallback saveAs_ = nullptr;
  void* saveAsUser_ = nullptr;

  std::atomic<bool> running_{false};
  std::atomic<bool> cancelWanted_{false};
  bool pumpDue_ = false;
  ProgressInput* input_ = nullptr;
  std::string message_;

  std::mutex mutex_;
  std::condition_variable answered_;
  std::optional<Question> question_;
};

CHost& TheCHost();

}  // namespace corvane
