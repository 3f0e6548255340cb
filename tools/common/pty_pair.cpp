#include <fcntl.h>
#include <pty.h>
#include <termios.h>

#include <array>
#include <cstdlib>

#include "common/pty_pair.h"

namespace corvane {
namespace {

bool MakeNonBlockingCloseOnExec(int fd) {
  const int status = ::fcntl(fd, F_GETFL);
  return status >= 0 && ::fcntl(fd, F_SETFL, status | O_NONBLOCK) == 0 && ::fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

}  // namespace

PtyPair::~PtyPair() = default;

bool PtyPair::Open() {
  master_.Close();
  slaveHold_.Close();
  slavePath_.clear();
  int masterFd = -1;
  int slaveFd = -1;
  if (::openpty(&masterFd, &slaveFd, nullptr, nullptr, nullptr) != 0) return false;
  ByteStream master(masterFd);
  ByteStream slave(slaveFd);
  std::array<char, 256> name{};
  if (::ptsname_r(masterFd, name.data(), name.size()) != 0) return false;
  termios settings{};
  if (::tcgetattr(slaveFd, &settings) != 0) return false;
  // Raw from the start: the line discipline must neither echo nor translate.
  ::cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  if (::tcsetattr(slaveFd, TCSANOW, &settings) != 0) return false;
  if (!MakeNonBlockingCloseOnExec(masterFd) || ::fcntl(slaveFd, F_SETFD, FD_CLOEXEC) != 0) return false;
  master_ = std::move(master);
  slaveHold_ = std::move(slave);
  slavePath_ = name.data();
  return true;
}

}  // namespace corvane
