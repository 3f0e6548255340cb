// Ctrl-C as the Cancel button: while a catcher lives, SIGINT and SIGTERM are
// counted instead of ending the program.
#pragma once

namespace corvane {

class InterruptCatcher {
 public:
  // Installs the handlers; the count starts at 0.
  InterruptCatcher();
  InterruptCatcher(const InterruptCatcher&) = delete;
  InterruptCatcher& operator=(const InterruptCatcher&) = delete;
  // Puts back the handlers that were there before.
  ~InterruptCatcher();

  // Interrupts caught since the catcher was installed. A second one ends the
  // program the usual way, after the terminal has been given back: a user who
  // presses Ctrl-C again does not want to wait for the line to stop.
  int Count() const;
};

}  // namespace corvane
