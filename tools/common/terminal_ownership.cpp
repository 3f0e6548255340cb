// What a Terminal owns, the same on every system: a descriptor of the C
// run-time, closed with the object when it was opened for it.
#include <unistd.h>

#include "common/terminal.h"

namespace corvane {

Terminal Terminal::StandardInput() { return Terminal(STDIN_FILENO, false); }

Terminal Terminal::StandardError() { return Terminal(STDERR_FILENO, false); }

Terminal::Terminal(Terminal&& other) noexcept : fd_(other.fd_), owned_(other.owned_) {
  other.fd_ = -1;
  other.owned_ = false;
}

Terminal& Terminal::operator=(Terminal&& other) noexcept {
  if (this != &other) {
    if (owned_ && fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    owned_ = other.owned_;
    other.fd_ = -1;
    other.owned_ = false;
  }
  return *this;
}

Terminal::~Terminal() {
  if (owned_ && fd_ >= 0) ::close(fd_);
}

}  // namespace corvane
