#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <thread>
#include <utility>

#include "platform/tty.h"

namespace corvane {
namespace {

using Clock = std::chrono::steady_clock;

// A write that makes no progress for this long fails instead of hanging the
// worker: nobody drains the line (even 300 baud moves a full driver buffer sooner).
constexpr std::chrono::milliseconds kWriteStallLimit{30000};

// poll() for `events` until `deadline`; the revents, 0 when the deadline passed.
short PollUntil(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    // Rounded up: poll() must not give up before the deadline.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, INT_MAX)));
    if (ready > 0) return entry.revents;
    if (ready == 0) return 0;
    if (errno != EINTR) return POLLERR;
  }
}

struct RateCode {
  int rate;
  speed_t code;
};

// The rates that termios names; any other rate is refused.
constexpr std::array<RateCode, 30> kRates{{
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
}};

bool RateToCode(int rate, speed_t& code) {
  for (const RateCode& entry : kRates) {
    if (entry.rate == rate) {
      code = entry.code;
      return true;
    }
  }
  return false;
}

int CodeToRate(speed_t code) {
  for (const RateCode& entry : kRates) {
    if (entry.code == code) return entry.rate;
  }
  return 0;
}

bool ParityFlags(int parity, tcflag_t& flags) {
  switch (parity) {
    case kParityNone: flags = 0; return true;
    case kParityOdd: flags = PARENB | PARODD; return true;
    case kParityEven: flags = PARENB; return true;
    case kParityMark: flags = PARENB | CMSPAR | PARODD; return true;
    case kParitySpace: flags = PARENB | CMSPAR; return true;
    default: return false;
  }
}

int ParityFromFlags(tcflag_t cflag) {
  if ((cflag & PARENB) == 0) return kParityNone;
  const bool odd = (cflag & PARODD) != 0;
  if (cflag & CMSPAR) return odd ? kParityMark : kParitySpace;
  return odd ? kParityOdd : kParityEven;
}

bool SizeFlag(int dataBits, tcflag_t& flag) {
  switch (dataBits) {
    case 5: flag = CS5; return true;
    case 6: flag = CS6; return true;
    case 7: flag = CS7; return true;
    case 8: flag = CS8; return true;
    default: return false;
  }
}

int DataBitsFromFlags(tcflag_t cflag) {
  switch (cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
  }
}

// Raw bytes both ways, one stop bit, receiver on, modem status ignored, no flow control.
void MakeRaw(termios& settings) {
  ::cfmakeraw(&settings);
  settings.c_cflag &= ~(CSTOPB | CRTSCTS | CMSPAR | PARODD | PARENB | CSIZE);
  settings.c_cflag |= CLOCAL | CREAD | CS8;
  settings.c_iflag &= ~(IXON | IXOFF | IXANY);
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
}

// The slave side of a Unix98 pty (majors 136 to 143). Its driver moves bytes
// without framing and always reports 8 data bits without parity.
bool IsPseudoTerminal(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode)) return false;
  const unsigned deviceMajor = major(status.st_rdev);
  return deviceMajor >= 136 && deviceMajor <= 143;
}

OpenFailure FailureOf(int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO:  // a ttyS node without a UART behind it
      return OpenFailure::Missing;
    case EACCES:
    case EPERM:
      return OpenFailure::Denied;
    case EBUSY:
    case EWOULDBLOCK:
      return OpenFailure::InUse;
    case ENOTTY:
      return OpenFailure::NotATty;
    default:
      return OpenFailure::Refused;
  }
}

// The errors of a device that has gone: a pty whose master side was closed, a
// hung-up tty, a USB adapter pulled out.
bool GoneError(int error) { return error == EIO || error == ENODEV || error == ENXIO || error == EPIPE; }

// Opens a tty and takes its lock; the descriptor, or -1 with `error` set.
// TIOCEXCL does not hold root back; the lock makes the port exclusive for everyone.
int OpenLocked(const std::string& path, int& error) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  if (!::isatty(fd)) {
    error = ENOTTY;
  } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error = errno;
  } else {
    return fd;
  }
  ::close(fd);
  return -1;
}

// Failure is expected on a pty, which has no modem lines.
void RaiseModemLines(int fd) {
  int lines = TIOCM_DTR | TIOCM_RTS;
  ::ioctl(fd, TIOCMBIS, &lines);
}

}  // namespace

TtyDevice::TtyDevice(TtyDevice&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

TtyDevice& TtyDevice::operator=(TtyDevice&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

TtyDevice::~TtyDevice() { Close(); }

void TtyDevice::Close() {
  if (fd_ < 0) return;
  ::ioctl(fd_, TIOCNXCL);
  // The descriptor is gone after close() even when it reports EINTR: never retry.
  ::close(std::exchange(fd_, -1));
}

bool TtyDevice::FailOpen(int error) {
  openFailure_ = FailureOf(error);
  openError_ = std::strerror(error);
  return false;
}

bool TtyDevice::Open(const std::string& path) {
  Close();
  gone_ = false;
  openFailure_ = OpenFailure::None;
  openError_.clear();
  int error = 0;
  fd_ = OpenLocked(path, error);
  if (fd_ < 0) return FailOpen(error);
  ::ioctl(fd_, TIOCEXCL);
  termios settings{};
  bool raw = ::tcgetattr(fd_, &settings) == 0;
  if (raw) {
    MakeRaw(settings);
    raw = ::tcsetattr(fd_, TCSANOW, &settings) == 0;
  }
  if (!raw) {
    error = errno;
    Close();
    return FailOpen(error);
  }
  RaiseModemLines(fd_);
  return true;
}

OpenFailure TtyDevice::TryOpen(const std::string& path, std::string& systemError) {
  int error = 0;
  const int fd = OpenLocked(path, error);
  // Closing gives up the lock as well.
  if (fd >= 0) ::close(fd);
  systemError = error == 0 ? std::string() : std::strerror(error);
  return error == 0 ? OpenFailure::None : FailureOf(error);
}

void TtyDevice::NoteFailure(int error) {
  if (GoneError(error)) gone_ = true;
}

bool TtyDevice::Apply(int baudRate, int parity, int dataBits) {
  speed_t speed = B0;
  tcflag_t parityFlags = 0;
  tcflag_t sizeFlag = 0;
  if (fd_ < 0 || !RateToCode(baudRate, speed) || !ParityFlags(parity, parityFlags) || !SizeFlag(dataBits, sizeFlag)) {
    return false;
  }
  termios settings{};
  if (::tcgetattr(fd_, &settings) != 0) return false;
  MakeRaw(settings);
  settings.c_cflag = (settings.c_cflag & ~CSIZE) | sizeFlag | parityFlags;
  if (::cfsetispeed(&settings, speed) != 0 || ::cfsetospeed(&settings, speed) != 0) return false;
  if (::tcsetattr(fd_, TCSANOW, &settings) != 0) return false;
  // tcsetattr succeeds when any one change took: a line at another rate or
  // frame than asked would only carry garbage, so both must have taken.
  termios held{};
  if (::tcgetattr(fd_, &held) != 0 || ::cfgetospeed(&held) != speed) return false;
  constexpr tcflag_t kFrame = CSIZE | PARENB | PARODD | CMSPAR;
  if ((held.c_cflag & kFrame) != (settings.c_cflag & kFrame) && !IsPseudoTerminal(fd_)) return false;
  RaiseModemLines(fd_);
  return true;
}

bool TtyDevice::PurgeInput() { return fd_ >= 0 && ::tcflush(fd_, TCIFLUSH) == 0; }

bool TtyDevice::Write(const std::uint8_t* data, std::size_t length) {
  if (fd_ < 0) return false;
  std::size_t written = 0;
  auto stallDeadline = Clock::now() + kWriteStallLimit;
  while (written < length) {
    const ssize_t count = ::write(fd_, data + written, length - written);
    if (count > 0) {
      written += static_cast<std::size_t>(count);
      stallDeadline = Clock::now() + kWriteStallLimit;
    } else if (count < 0 && errno != EINTR) {
      if (errno != EAGAIN && errno != EWOULDBLOCK) {
        NoteFailure(errno);
        return false;
      }
      // Stalled, hung up or failed: the write cannot finish.
      const short revents = PollUntil(fd_, POLLOUT, stallDeadline);
      if (revents & (POLLHUP | POLLERR | POLLNVAL)) gone_ = true;
      if ((revents & POLLOUT) == 0) return false;
    }
  }
  return true;
}

bool TtyDevice::WaitReadable(std::uint32_t waitMs) {
  if (fd_ < 0) return false;
  const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
  const short revents = PollUntil(fd_, POLLIN, deadline);
  // Bytes that came before a hang-up are still taken.
  const bool hungUpAndEmpty = (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 && BytesWaiting() == 0;
  if (hungUpAndEmpty) gone_ = true;
  if ((revents & POLLIN) && !hungUpAndEmpty) return true;
  if (revents != 0) std::this_thread::sleep_until(deadline);
  return false;
}

std::size_t TtyDevice::ReadNow(std::uint8_t* buffer, std::size_t capacity) {
  if (fd_ < 0) return 0;
  std::size_t taken = 0;
  while (taken < capacity) {
    const ssize_t count = ::read(fd_, buffer + taken, capacity - taken);
    if (count < 0 && errno == EINTR) continue;
    // A tty reads end of file only once it has been hung up.
    if (count == 0) gone_ = true;
    if (count < 0) NoteFailure(errno);
    // Drained (EAGAIN), end of file or an error.
    if (count <= 0) break;
    // A short read has emptied the driver's queue: asking again would only say EAGAIN.
    const bool drained = static_cast<std::size_t>(count) < capacity - taken;
    taken += static_cast<std::size_t>(count);
    if (drained) break;
  }
  return taken;
}

std::uint32_t TtyDevice::BytesWaiting() const {
  int count = 0;
  if (fd_ < 0 || ::ioctl(fd_, FIONREAD, &count) != 0 || count < 0) return 0;
  return static_cast<std::uint32_t>(count);
}

std::optional<LineSettings> TtyDevice::CurrentSettings() const {
  termios held{};
  if (fd_ < 0 || ::tcgetattr(fd_, &held) != 0) return std::nullopt;
  LineSettings line;
  line.baudRate = CodeToRate(::cfgetospeed(&held));
  line.parity = ParityFromFlags(held.c_cflag);
  line.dataBits = DataBitsFromFlags(held.c_cflag);
  int modemLines = 0;
  // A pty has no modem lines: both then read as off.
  if (::ioctl(fd_, TIOCMGET, &modemLines) == 0) {
    line.dtrOn = (modemLines & TIOCM_DTR) != 0;
    line.rtsOn = (modemLines & TIOCM_RTS) != 0;
  }
  return line;
}

}  // namespace corvane
