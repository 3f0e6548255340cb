// The Windows console as the command-line tool's terminal. Descriptors are the
// C run-time's; the console calls take the handles behind them. The progress
// block is drawn with the same escape sequences as on a terminal, which the
// console understands once virtual-terminal processing is on.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>

#include "common/terminal.h"

namespace corvane {
namespace {

constexpr int kDefaultColumns = 80;
constexpr DWORD kLineWaitSliceMs = 100;
constexpr char kShowCursor[] = "\x1b[?25h";
constexpr char kHideCursor[] = "\x1b[?25l";

// What to give back if the program is ended by a second Ctrl-C: the input
// console's mode before KeyMode, and the console whose cursor is hidden.
struct ExitRestoreRecord {
  std::atomic<int> keyFd{-1};
  std::atomic<DWORD> keyMode{0};
  std::atomic<int> cursorFd{-1};
};

ExitRestoreRecord& ExitRestore() {
  static ExitRestoreRecord record;
  return record;
}

HANDLE HandleOf(int fd) { return fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

bool IsConsole(int fd) {
  DWORD mode = 0;
  return fd >= 0 && ::GetConsoleMode(HandleOf(fd), &mode) != 0;
}

bool WriteAll(int fd, const char* data, std::size_t length) {
  while (length > 0) {
    const int written = ::_write(fd, data, static_cast<unsigned>(length));
    if (written <= 0) return false;
    data += written;
    length -= static_cast<std::size_t>(written);
  }
  return true;
}

// The characters of the key presses waiting in the console's input, without waiting.
std::string TakeKeyPresses(HANDLE input) {
  std::string keys;
  DWORD waiting = 0;
  while (::GetNumberOfConsoleInputEvents(input, &waiting) != 0 && waiting > 0) {
    INPUT_RECORD record{};
    DWORD read = 0;
    if (::ReadConsoleInputA(input, &record, 1, &read) == 0 || read == 0) break;
    if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
    const char c = record.Event.KeyEvent.uChar.AsciiChar;
    for (WORD i = 0; c != '\0' && i < record.Event.KeyEvent.wRepeatCount; ++i) keys += c;
  }
  return keys;
}

}  // namespace

Terminal Terminal::Open(const std::string& path) {
  return Terminal(::_open(path.c_str(), _O_RDWR | _O_BINARY | _O_NOINHERIT), true);
}

// A console, not merely a character device: NUL is one too, and _isatty says yes to it.
bool Terminal::IsTerminal() const { return IsConsole(fd_); }

int Terminal::Columns() const {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (fd_ < 0 || ::GetConsoleScreenBufferInfo(HandleOf(fd_), &info) == 0) return kDefaultColumns;
  const int columns = info.srWindow.Right - info.srWindow.Left + 1;
  return columns > 0 ? columns : kDefaultColumns;
}

bool Terminal::Write(std::string_view text) const { return fd_ >= 0 && WriteAll(fd_, text.data(), text.size()); }

std::string Terminal::ReadNow() const { return IsConsole(fd_) ? TakeKeyPresses(HandleOf(fd_)) : std::string(); }

std::optional<std::string> Terminal::ReadLine(const std::function<bool()>& stop) const {
  if (!IsConsole(fd_)) return std::nullopt;
  const HANDLE input = HandleOf(fd_);
  std::string line;
  for (;;) {
    if (stop && stop()) return std::nullopt;
    if (::WaitForSingleObject(input, kLineWaitSliceMs) != WAIT_OBJECT_0) continue;
    for (const char c : TakeKeyPresses(input)) {
      if (c == '\r' || c == '\n') {
        Write("\r\n");
        return line;
      }
      // The console echoes nothing while keys are read one by one: the answer is echoed here.
      if (c == '\b') {
        if (!line.empty()) {
          line.pop_back();
          Write("\b \b");
        }
        continue;
      }
      line += c;
      Write(std::string_view(&c, 1));
    }
  }
}

KeyMode::KeyMode(const Terminal& terminal) {
  ExitRestoreRecord& record = ExitRestore();
  DWORD mode = 0;
  const HANDLE input = HandleOf(terminal.fd_);
  if (!terminal.IsTerminal() || ::GetConsoleMode(input, &mode) == 0) return;
  record.keyMode.store(mode);
  // Processed input stays on: Ctrl-C still reaches the interrupt handler.
  if (::SetConsoleMode(input, (mode & ~(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT)) | ENABLE_PROCESSED_INPUT) == 0) return;
  fd_ = terminal.fd_;
  record.keyFd.store(fd_);
}

KeyMode::~KeyMode() {
  if (fd_ < 0) return;
  ExitRestoreRecord& record = ExitRestore();
  record.keyFd.store(-1);
  ::SetConsoleMode(HandleOf(fd_), record.keyMode.load());
}

HiddenCursor::HiddenCursor(const Terminal& terminal) : terminal_(terminal) {
  DWORD mode = 0;
  const HANDLE output = HandleOf(terminal_.fd_);
  if (::GetConsoleMode(output, &mode) != 0) ::SetConsoleMode(output, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  terminal_.Write(kHideCursor);
  ExitRestore().cursorFd.store(terminal_.fd_);
}

HiddenCursor::~HiddenCursor() {
  ExitRestore().cursorFd.store(-1);
  terminal_.Write(kShowCursor);
}

void RestoreTerminalForExit() {
  ExitRestoreRecord& record = ExitRestore();
  const int cursorFd = record.cursorFd.exchange(-1);
  if (cursorFd >= 0) WriteAll(cursorFd, kShowCursor, sizeof kShowCursor - 1);
  const int keyFd = record.keyFd.exchange(-1);
  if (keyFd >= 0) ::SetConsoleMode(HandleOf(keyFd), record.keyMode.load());
}

// The console writes UTF-8 when its output code page says so.
bool LocaleUsesUtf8() { return ::GetConsoleOutputCP() == CP_UTF8; }

}  // namespace corvane
