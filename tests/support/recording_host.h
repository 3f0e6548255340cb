// The host application as the tests play it: it records what its progress
// window is asked to show and how its window is disabled, and once a condition
// holds it stops the running operation, with the window's Cancel or with
// TransferCancel. Header only: the programs that use it link the exported functions.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "corvane32/corvane32.h"

namespace corvane::testing {

class RecordingHost : public HostUi {
 public:
  void StopWhen(bool pressCancel, std::function<bool()> condition) {
    pressCancel_ = pressCancel;
    stopWhen_ = std::move(condition);
  }

  std::unique_ptr<ProgressSurface> CreateProgressSurface(HostWindow, ProgressInput& input) override {
    input_ = &input;
    stopped_ = false;
    OnProgressWindow();
    return std::make_unique<Surface>(*this);
  }
  void EnableHostWindow(HostWindow, bool enable) override { enableCalls.push_back(enable); }
  bool HasPendingMessage() override { return stopWhen_ && !stopped_ && stopWhen_(); }
  void PumpMessage() override {
    stopped_ = true;
    pressCancel_ ? input_->OnCancel() : static_cast<void>(TransferCancel());
  }

  std::vector<std::string> messages;  // every message the window was given
  std::vector<bool> enableCalls;
  bool surfaceDrawn = true;
  int frames = 0;  // animation frames shown, the first one when the window opens

 protected:
  // When an operation opens its progress window.
  virtual void OnProgressWindow() {}

 private:
  class Surface final : public ProgressSurface {
   public:
    explicit Surface(RecordingHost& host) : host_(host) {}
    void SetTexts(const std::string& message, const std::string&) override { host_.messages.push_back(message); }
    void ShowProgressBar(bool) override {}
    void SetProgressPosition(int) override {}
    void ShowFrame(int) override { ++host_.frames; }
    bool IsDrawn() const override { return host_.surfaceDrawn; }

   private:
    RecordingHost& host_;
  };

  bool pressCancel_ = false;
  std::function<bool()> stopWhen_;
  ProgressInput* input_ = nullptr;
  bool stopped_ = false;
};

}  // namespace corvane::testing
