// The user's terminal as the command-line tool sees it: where the progress is
// drawn, single keys read without waiting, and a question answered by a line.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

class Terminal {
 public:
  static Terminal StandardInput();
  static Terminal StandardError();
  // Opens a tty by path (the slave of a pty in tests); closed with this object.
  // Not a terminal when the path cannot be opened.
  static Terminal Open(const std::string& path);

  Terminal(Terminal&& other) noexcept;
  Terminal& operator=(Terminal&& other) noexcept;
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;
  ~Terminal();

  bool IsTerminal() const;
  // Width of the window in columns; 80 when the terminal does not tell.
  int Columns() const;
  // Writes all of `text`; false when the terminal refuses.
  bool Write(std::string_view text) const;
  // The bytes that have already arrived, without waiting.
  std::string ReadNow() const;
  // One line up to Enter (CR or LF, not included), waiting in short slices so
  // that `stop` can end the wait; nullopt at end of input, on error or on stop.
  std::optional<std::string> ReadLine(const std::function<bool()>& stop) const;

 private:
  friend class KeyMode;
  friend class HiddenCursor;
  Terminal(int fd, bool owned) : fd_(fd), owned_(owned) {}
  int fd_ = -1;
  bool owned_ = false;
};

// Keys arrive one at a time, unechoed, and reads never wait; Ctrl-C still
// interrupts. The previous settings return at the end, and also when a second
// Ctrl-C ends the program. Does nothing on a non-terminal.
class KeyMode {
 public:
  explicit KeyMode(const Terminal& terminal);
  KeyMode(const KeyMode&) = delete;
  KeyMode& operator=(const KeyMode&) = delete;
  ~KeyMode();

 private:
  int fd_ = -1;
};

// Hides the cursor while alive; shows it again at the end, and also when a
// second Ctrl-C ends the program.
class HiddenCursor {
 public:
  explicit HiddenCursor(const Terminal& terminal);
  HiddenCursor(const HiddenCursor&) = delete;
  HiddenCursor& operator=(const HiddenCursor&) = delete;
  ~HiddenCursor();

 private:
  const Terminal& terminal_;
};

// Gives the terminal back as KeyMode and HiddenCursor found it. Safe inside a
// signal handler: the program is about to end.
void RestoreTerminalForExit();

// True when the user's locale (LC_ALL, else LC_CTYPE, else LANG) writes UTF-8.
bool LocaleUsesUtf8();

}  // namespace corvane
