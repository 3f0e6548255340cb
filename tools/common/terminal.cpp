#include "common/terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace corvane {
namespace {

constexpr int kDefaultColumns = 80;
constexpr int kLineWaitSliceMs = 100;
constexpr int kWriteRetryWaitMs = 100;
constexpr char kShowCursor[] = "\x1b[?25h";
constexpr char kHideCursor[] = "\x1b[?25l";

// What to give back if the program is ended by a signal: the key mode's saved
// settings and the terminal whose cursor is hidden. Constant-initialised, so a
// signal handler may read it at any time.
struct ExitRestoreRecord {
  std::atomic<int> keyFd{-1};
  termios keySettings{};
  std::atomic<int> cursorFd{-1};
};

ExitRestoreRecord& ExitRestore() {
  static ExitRestoreRecord record;
  return record;
}

bool WriteAll(int fd, const char* data, std::size_t length) {
  while (length > 0) {
    const ssize_t written = ::write(fd, data, length);
    if (written > 0) {
      data += written;
      length -= static_cast<std::size_t>(written);
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno == EAGAIN) {
      pollfd out{fd, POLLOUT, 0};
      if (::poll(&out, 1, kWriteRetryWaitMs) > 0) continue;
    }
    return false;
  }
  return true;
}

bool Readable(int fd, int waitMs) {
  pollfd in{fd, POLLIN, 0};
  return ::poll(&in, 1, waitMs) > 0 && (in.revents & (POLLIN | POLLHUP)) != 0;
}

}  // namespace

Terminal Terminal::Open(const std::string& path) {
  return Terminal(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC), true);
}

bool Terminal::IsTerminal() const { return fd_ >= 0 && ::isatty(fd_) == 1; }

int Terminal::Columns() const {
  winsize size{};
  if (fd_ < 0 || ::ioctl(fd_, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return kDefaultColumns;
  return size.ws_col;
}

bool Terminal::Write(std::string_view text) const { return fd_ >= 0 && WriteAll(fd_, text.data(), text.size()); }

std::string Terminal::ReadNow() const {
  std::string bytes;
  char buffer[64];
  // Poll first: a terminal outside key mode would otherwise block the read.
  while (fd_ >= 0 && Readable(fd_, 0)) {
    const ssize_t count = ::read(fd_, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(count));
  }
  return bytes;
}

std::optional<std::string> Terminal::ReadLine(const std::function<bool()>& stop) const {
  std::string line;
  char buffer[256];
  while (fd_ >= 0) {
    if (stop && stop()) return std::nullopt;
    if (!Readable(fd_, kLineWaitSliceMs)) continue;
    const ssize_t count = ::read(fd_, buffer, sizeof buffer);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (count <= 0) return std::nullopt;
    for (ssize_t i = 0; i < count; ++i) {
      const char c = buffer[i];
      if (c == '\r' || c == '\n') return line;
      // A terminal in raw mode hands over the erase key instead of applying it.
      if (c == '\x7f' || c == '\b') {
        if (!line.empty()) line.pop_back();
        continue;
      }
      line += c;
    }
  }
  return std::nullopt;
}

KeyMode::KeyMode(const Terminal& terminal) {
  ExitRestoreRecord& record = ExitRestore();
  termios settings{};
  if (!terminal.IsTerminal() || ::tcgetattr(terminal.fd_, &settings) != 0) return;
  record.keySettings = settings;
  settings.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  settings.c_lflag |= ISIG;
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  if (::tcsetattr(terminal.fd_, TCSANOW, &settings) != 0) return;
  fd_ = terminal.fd_;
  record.keyFd.store(fd_);
}

KeyMode::~KeyMode() {
  if (fd_ < 0) return;
  ExitRestoreRecord& record = ExitRestore();
  record.keyFd.store(-1);
  ::tcsetattr(fd_, TCSANOW, &record.keySettings);
}

HiddenCursor::HiddenCursor(const Terminal& terminal) : terminal_(terminal) {
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
  if (keyFd >= 0) ::tcsetattr(keyFd, TCSANOW, &record.keySettings);
}

bool LocaleUsesUtf8() {
  const char* name = nullptr;
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    name = std::getenv(variable);
    if (name != nullptr && *name != '\0') break;
  }
  if (name == nullptr) return false;
  std::string lower;
  for (const char* c = name; *c != '\0'; ++c) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
  return lower.find("utf-8") != std::string::npos || lower.find("utf8") != std::string::npos;
}

}  // namespace corvane
