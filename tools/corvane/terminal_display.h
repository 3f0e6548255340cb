// The progress display of the command-line tool: the progress window drawn on
// the terminal (stderr), with Ctrl-C and Escape as its Cancel button, and the
// question asked when a received file already exists.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "common/interrupt.h"
#include "common/terminal.h"
#include "corvane32/host.h"

namespace corvane {

struct TerminalDisplayOptions {
  // Draw nothing; Ctrl-C still cancels.
  bool quiet = false;
  // Draw the dots and the bar in UTF-8; unset: as the user's locale says.
  std::optional<bool> unicode;
};

// Install with TransferSetHostUi (&display) for the life of the program. Draws
// only when the output is a terminal and not quiet; reads Escape and Enter only
// while it draws and the input is a terminal.
class TerminalDisplay final : public HostUi {
 public:
  // Draws on stderr, reads keys and answers from stdin.
  explicit TerminalDisplay(bool quiet);
  TerminalDisplay(Terminal output, Terminal input, TerminalDisplayOptions options);
  ~TerminalDisplay() override;

  bool HasPendingMessage() override;
  void PumpMessage() override;
  std::unique_ptr<ProgressSurface> CreateProgressSurface(HostWindow parent, ProgressInput& input) override;

  // Asked at every poll of a running operation (`answering`: a question is
  // open); when it says true the operation is cancelled as by Ctrl-C.
  void SetStopCheck(std::function<bool(bool answering)> check);

  // Asks for another name for `proposedName`, with the display set aside
  // meanwhile. A name without a directory goes beside the proposed file.
  // nullopt: an empty answer, end of input, Ctrl-C, or no terminal to ask on.
  std::optional<std::string> AskNewName(const std::string& proposedName);

 private:
  friend class TerminalSurface;
  enum class Key { Cancel, Ok };

  void BeginOperation(ProgressInput& input);
  void EndOperation();
  void Update(const std::function<void()>& change);
  bool IsDrawing();
  void Redraw();
  void Erase();
  void ReadKeys();
  int InterruptsCaught();

  Terminal output_;
  Terminal input_;
  TerminalDisplayOptions options_;
  bool unicode_ = false;

  std::mutex mutex_;
  ProgressInput* progressInput_ = nullptr;
  std::optional<InterruptCatcher> interrupts_;
  int interruptsDelivered_ = 0;
  std::function<bool(bool)> stopCheck_;
  bool stopDelivered_ = false;
  std::deque<Key> pending_;
  bool drawing_ = false;
  bool paused_ = false;
  std::optional<HiddenCursor> cursor_;
  std::optional<KeyMode> keys_;
  int linesDrawn_ = 0;

  std::string message_;
  std::string status_;
  std::optional<std::string> firstStatus_;
  bool barVisible_ = false;
  int percent_ = 0;
  int frame_ = 0;
};

// The answer to "a received file exists": the same path when `overwrite` is
// set, else the user's answer on the terminal (cancel when there is none).
SaveAsHandler MakeTerminalSaveAs(TerminalDisplay& display, bool overwrite);

}  // namespace corvane
