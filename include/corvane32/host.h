// The seams through which a host application shows the library's progress
// window, keeps its own messages moving and answers the Save As question.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace corvane {

// Opaque handle of the host's main window; nullptr when the host has none.
using HostWindow = void*;

// What the user does in the progress window; delivered on the host's thread,
// from within HostUi::PumpMessage.
class ProgressInput {
 public:
  virtual void OnOK() = 0;      // Enter
  virtual void OnCancel() = 0;  // Cancel button, Escape, close box, Ctrl-C
 protected:
  ~ProgressInput() = default;
};

// Where the progress window is drawn. Every call comes from the host's thread.
class ProgressSurface {
 public:
  virtual ~ProgressSurface() = default;
  virtual void SetTexts(const std::string& message, const std::string& status) = 0;
  virtual void ShowProgressBar(bool visible) = 0;
  virtual void SetProgressPosition(int percent) = 0;  // 0..100
  // Animation frame 0..8: 0 no dot lit, k the k-th of eight dots from the PC lit.
  virtual void ShowFrame(int frame) = 0;
  // False while the surface draws nothing (a quiet terminal): the window then
  // skips its 100 ms animation timer, which would only wake the host for nothing.
  virtual bool IsDrawn() const { return true; }
};

// The host application's user interface. The defaults are headless: no window
// to disable, no messages, a progress surface that draws nothing.
class HostUi {
 public:
  virtual ~HostUi() = default;
  virtual void EnableHostWindow(HostWindow /*window*/, bool /*enable*/) {}
  // True while a message waits in the host thread's queue.
  virtual bool HasPendingMessage() { return false; }
  // Removes, translates and dispatches one waiting message.
  virtual void PumpMessage() {}
  // The surface of one progress window, owned by the caller until the
  // operation ends; nullptr draws nothing.
  virtual std::unique_ptr<ProgressSurface> CreateProgressSurface(HostWindow /*parent*/, ProgressInput& /*input*/) {
    return nullptr;
  }
  virtual void BeginWaitCursor() {}
  virtual void EndWaitCursor() {}
};

// Given the proposed name of a received file that already exists, returns the
// full path to use instead, or nullopt for "cancelled". Called on the worker
// thread while the link is idle.
using SaveAsHandler = std::function<std::optional<std::string>(const std::string& proposedName)>;

}  // namespace corvane
