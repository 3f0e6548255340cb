// A COM port through the Windows serial interface. The descriptor is the C
// run-time's wrapper of the port's handle, so that the object looks the same
// on every system; the serial calls take the handle behind it.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/tty.h"

namespace corvane {
namespace {

constexpr DWORD kQueueBytes = 4096;
// A write that cannot finish in this time fails instead of hanging the worker:
// nobody drains the line (even 300 baud moves a full driver buffer sooner).
constexpr DWORD kWriteLimitMs = 30000;

// "COM12" names the port in the device namespace, where numbers past 9 work too.
std::string DeviceNameOf(const std::string& path) { return path.starts_with("\\\\") ? path : "\\\\.\\" + path; }

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

OpenFailure FailureOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_UNIT:
      return OpenFailure::Missing;
    // No sharing: a port another program holds answers with either of these.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return OpenFailure::InUse;
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
      return OpenFailure::NotATty;
    default:
      return OpenFailure::Refused;
  }
}

// The errors a port reports once its adapter has been unplugged.
bool GoneError(DWORD error) {
  return error == ERROR_DEVICE_REMOVED || error == ERROR_GEN_FAILURE || error == ERROR_BAD_COMMAND ||
         error == ERROR_OPERATION_ABORTED || error == ERROR_DEVICE_NOT_CONNECTED;
}

// The system's own words for an error, without the line break it ends with.
std::string SystemText(DWORD error) {
  char text[512] = {};
  const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                        text, sizeof text, nullptr);
  std::string words(text, length);
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == '.')) words.pop_back();
  return words.empty() ? "error " + std::to_string(error) : words;
}

// Opens a COM port for exclusive use and checks that it is one; the handle, or
// INVALID_HANDLE_VALUE with `error` set.
HANDLE OpenPort(const std::string& path, DWORD& error) {
  // No sharing: a port in use by another program fails to open.
  const HANDLE port = ::CreateFileA(DeviceNameOf(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    error = ::GetLastError();
    return port;
  }
  DCB state{};
  state.DCBlength = sizeof state;
  // Only a serial device has a line state: anything else is refused.
  if (::GetCommState(port, &state) == 0) {
    error = ERROR_NOT_SUPPORTED;
    ::CloseHandle(port);
    return INVALID_HANDLE_VALUE;
  }
  error = ERROR_SUCCESS;
  return port;
}

// Reads return at once with what has arrived, or, with `waitMs`, with the
// first byte to arrive within that time.
bool SetReadWait(HANDLE port, DWORD waitMs) {
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.ReadTotalTimeoutMultiplier = waitMs == 0 ? 0 : MAXDWORD;
  timeouts.ReadTotalTimeoutConstant = waitMs;
  timeouts.WriteTotalTimeoutConstant = kWriteLimitMs;
  return ::SetCommTimeouts(port, &timeouts) != 0;
}

bool ReadState(HANDLE port, DCB& state) {
  state = DCB{};
  state.DCBlength = sizeof state;
  return ::GetCommState(port, &state) != 0;
}

}  // namespace

std::string ComPortPath(int number) { return "\\\\.\\COM" + std::to_string(number); }

TtyDevice::TtyDevice(TtyDevice&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), pendingByte_(std::exchange(other.pendingByte_, -1)) {}

TtyDevice& TtyDevice::operator=(TtyDevice&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    pendingByte_ = std::exchange(other.pendingByte_, -1);
  }
  return *this;
}

TtyDevice::~TtyDevice() { Close(); }

void TtyDevice::Close() {
  pendingByte_ = -1;
  if (fd_ < 0) return;
  // Closes the handle too.
  ::_close(std::exchange(fd_, -1));
}

bool TtyDevice::FailOpen(int error) {
  openFailure_ = FailureOf(static_cast<DWORD>(error));
  openError_ = SystemText(static_cast<DWORD>(error));
  return false;
}

bool TtyDevice::Open(const std::string& path) {
  Close();
  gone_ = false;
  openFailure_ = OpenFailure::None;
  openError_.clear();
  DWORD error = ERROR_SUCCESS;
  const HANDLE port = OpenPort(path, error);
  if (port == INVALID_HANDLE_VALUE) return FailOpen(static_cast<int>(error));
  if (!SetReadWait(port, 0)) {
    error = ::GetLastError();
    ::CloseHandle(port);
    return FailOpen(static_cast<int>(error));
  }
  ::SetupComm(port, kQueueBytes, kQueueBytes);
  fd_ = ::_open_osfhandle(reinterpret_cast<intptr_t>(port), _O_RDWR | _O_BINARY);
  if (fd_ < 0) {
    ::CloseHandle(port);
    return FailOpen(ERROR_TOO_MANY_OPEN_FILES);
  }
  return true;
}

OpenFailure TtyDevice::TryOpen(const std::string& path, std::string& systemError) {
  DWORD error = ERROR_SUCCESS;
  const HANDLE port = OpenPort(path, error);
  if (port != INVALID_HANDLE_VALUE) ::CloseHandle(port);
  systemError = error == ERROR_SUCCESS ? std::string() : SystemText(error);
  return error == ERROR_SUCCESS ? OpenFailure::None : FailureOf(error);
}

void TtyDevice::NoteFailure(int error) {
  if (GoneError(static_cast<DWORD>(error))) gone_ = true;
}

bool TtyDevice::Apply(int baudRate, int parity, int dataBits) {
  if (fd_ < 0 || parity < kParityNone || parity > kParitySpace || dataBits < 5 || dataBits > 8) return false;
  const HANDLE port = HandleOf(fd_);
  DCB state{};
  if (!ReadState(port, state)) return false;
  state.BaudRate = static_cast<DWORD>(baudRate);
  state.ByteSize = static_cast<BYTE>(dataBits);
  state.Parity = static_cast<BYTE>(parity);
  state.StopBits = ONESTOPBIT;
  state.fBinary = TRUE;
  state.fParity = parity != kParityNone;
  state.fNull = FALSE;
  state.fOutxCtsFlow = FALSE;
  state.fOutxDsrFlow = FALSE;
  state.fDtrControl = DTR_CONTROL_ENABLE;
  state.fRtsControl = RTS_CONTROL_ENABLE;
  state.fDsrSensitivity = FALSE;
  state.fOutX = FALSE;
  state.fInX = FALSE;
  state.fErrorChar = FALSE;
  state.fAbortOnError = FALSE;
  // The driver refuses a rate it cannot make. A line at another rate than asked
  // would only carry garbage, so the rate must have taken; the frame is as the
  // driver reports it (a pty under Wine always reports 8 data bits without parity).
  DCB held{};
  return ::SetCommState(port, &state) != 0 && ReadState(port, held) && held.BaudRate == state.BaudRate;
}

bool TtyDevice::PurgeInput() {
  pendingByte_ = -1;
  return fd_ >= 0 && ::PurgeComm(HandleOf(fd_), PURGE_RXCLEAR) != 0;
}

bool TtyDevice::Write(const std::uint8_t* data, std::size_t length) {
  if (fd_ < 0) return false;
  const HANDLE port = HandleOf(fd_);
  while (length > 0) {
    const DWORD part = static_cast<DWORD>(std::min<std::size_t>(length, MAXDWORD));
    DWORD written = 0;
    // Nothing written within the write time-out: the line is stalled or gone.
    if (::WriteFile(port, data, part, &written, nullptr) == 0) {
      NoteFailure(static_cast<int>(::GetLastError()));
      return false;
    }
    if (written == 0) return false;
    data += written;
    length -= written;
  }
  return true;
}

bool TtyDevice::WaitReadable(std::uint32_t waitMs) {
  if (fd_ < 0) return false;
  if (pendingByte_ >= 0) return true;
  const HANDLE port = HandleOf(fd_);
  std::uint8_t byte = 0;
  DWORD read = 0;
  const DWORD start = ::GetTickCount();
  if (!SetReadWait(port, waitMs) || ::ReadFile(port, &byte, 1, &read, nullptr) == 0) {
    NoteFailure(static_cast<int>(::GetLastError()));
  } else if (read == 1) {
    pendingByte_ = byte;
    return true;
  }
  // A failed line spends the wait as a quiet one would, so that callers polling in a loop stay paced.
  const DWORD spent = ::GetTickCount() - start;
  if (spent < waitMs) ::Sleep(waitMs - spent);
  return false;
}

std::size_t TtyDevice::ReadNow(std::uint8_t* buffer, std::size_t capacity) {
  if (fd_ < 0 || capacity == 0) return 0;
  std::size_t taken = 0;
  if (pendingByte_ >= 0) {
    buffer[taken++] = static_cast<std::uint8_t>(std::exchange(pendingByte_, -1));
  }
  const HANDLE port = HandleOf(fd_);
  DWORD read = 0;
  const DWORD rest = static_cast<DWORD>(std::min<std::size_t>(capacity - taken, MAXDWORD));
  if (rest > 0 && SetReadWait(port, 0) && ::ReadFile(port, buffer + taken, rest, &read, nullptr) != 0) taken += read;
  return taken;
}

std::uint32_t TtyDevice::BytesWaiting() const {
  if (fd_ < 0) return 0;
  DWORD errors = 0;
  COMSTAT status{};
  // Also clears the driver's error state, as a read of the count does on Windows.
  const std::uint32_t queued = ::ClearCommError(HandleOf(fd_), &errors, &status) != 0 ? status.cbInQue : 0;
  return queued + (pendingByte_ >= 0 ? 1 : 0);
}

std::optional<LineSettings> TtyDevice::CurrentSettings() const {
  DCB held{};
  if (fd_ < 0 || !ReadState(HandleOf(fd_), held)) return std::nullopt;
  LineSettings line;
  line.baudRate = static_cast<int>(held.BaudRate);
  line.parity = held.Parity;
  line.dataBits = held.ByteSize;
  line.dtrOn = held.fDtrControl == DTR_CONTROL_ENABLE;
  line.rtsOn = held.fRtsControl == RTS_CONTROL_ENABLE;
  return line;
}

}  // namespace corvane
