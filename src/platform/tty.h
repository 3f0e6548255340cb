// A serial line: a tty device in raw mode (a COM port on Windows), opened for
// the port's exclusive use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

// Parity codes as the Windows serial interface numbers them.
enum ParityCode : int { kParityNone = 0, kParityOdd = 1, kParityEven = 2, kParityMark = 3, kParitySpace = 4 };

// Why the last Open failed, as far as the system told.
enum class OpenFailure {
  None,      // it opened
  Missing,   // no such device
  NotATty,   // something that is not a serial device
  Denied,    // the user may not open it
  InUse,     // another program holds it exclusively
  Refused,   // any other refusal of the system
  Settings,  // it opened, but would not hold the rate or frame asked for
};

struct LineSettings {
  int baudRate = 0;
  int parity = kParityNone;
  int dataBits = 8;
  bool dtrOn = false;
  bool rtsOn = false;
};

// The device that COM<number> names: /dev/ttyS<number-1>, \\.\COM<number> on Windows.
std::string ComPortPath(int number);

class TtyDevice {
 public:
  TtyDevice() = default;
  TtyDevice(TtyDevice&& other) noexcept;
  TtyDevice& operator=(TtyDevice&& other) noexcept;
  TtyDevice(const TtyDevice&) = delete;
  TtyDevice& operator=(const TtyDevice&) = delete;
  ~TtyDevice();

  // Fails when the device does not exist, is not a tty or is in use. A device
  // already open is closed first.
  bool Open(const std::string& path);
  bool IsOpen() const { return fd_ >= 0; }
  OpenFailure LastOpenFailure() const { return openFailure_; }
  // The system's own words for the last failed Open; empty after a success.
  const std::string& LastOpenError() const { return openError_; }
  // Whether Open would succeed, found by opening and closing again without
  // touching the line's settings or modem lines (None: it would open).
  static OpenFailure TryOpen(const std::string& path, std::string& systemError);
  // Gives up exclusive use, then closes: a pty slave outlives this descriptor,
  // and its exclusive flag would otherwise lock out the next open.
  void Close();

  // Raw mode with the given rate, parity (mark and space through CMSPAR) and
  // data bits; DTR and RTS on; no flow control. False when the rate is not a
  // standard rate or the driver does not hold the settings afterwards; a pty,
  // which always reports 8 data bits without parity, need only hold the rate.
  bool Apply(int baudRate, int parity, int dataBits);
  // The settings the driver holds now.
  std::optional<LineSettings> CurrentSettings() const;

  // False when the device is closed or any byte could not be written.
  bool Write(const std::uint8_t* data, std::size_t length);
  // True when a byte can be read within `waitMs`. A hung-up or failed line
  // spends the wait as a quiet one would, so that callers polling in a loop stay paced.
  bool WaitReadable(std::uint32_t waitMs);
  // True once the device has been seen to go away (hung up, failing with an
  // I/O error, unplugged) since it was opened: it will never carry a byte again.
  bool Gone() const { return gone_; }
  // Takes what has already arrived, without waiting.
  std::size_t ReadNow(std::uint8_t* buffer, std::size_t capacity);
  // Bytes in the driver's receive queue.
  std::uint32_t BytesWaiting() const;
  // Discards the driver's receive queue.
  bool PurgeInput();

 private:
  // Notes why an open failed (the device already closed).
  bool FailOpen(int error);
  // Notes the errors and poll results that only a device that has gone reports.
  void NoteFailure(int error);

  int fd_ = -1;
  bool gone_ = false;
  OpenFailure openFailure_ = OpenFailure::None;
  std::string openError_;
  // Windows waits for input by reading it: a byte taken by WaitReadable and
  // not yet handed out, or -1. POSIX waits with poll() and has no use for it.
  [[maybe_unused]] int pendingByte_ = -1;
};

}  // namespace corvane
