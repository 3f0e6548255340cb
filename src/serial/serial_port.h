// The one serial port of the process, on a tty device (a COM port on Windows).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/event.h"
#include "platform/tty.h"
#include "serial/line_pacing.h"

namespace corvane {

inline constexpr std::uint32_t kSerialInputCapacity = 4096;

// What has been read from the line and not yet taken, the timer the readers
// measure their time-outs with, and what the line has shown of its pace.
struct SerialInputState {
  std::uint8_t buffer[kSerialInputCapacity + 1] = {};
  std::uint32_t count = 0;
  std::uint32_t index = 0;
  std::uint32_t timerStart = 0;
  std::uint32_t lastTick = 0;
  std::uint64_t bufferStart = 0;  // stream position of the buffer's first byte
  LinePacing pacing;
};

// Sees every byte written to and read from the line, and every purge of the
// driver's input, in the order they happen (a line trace).
class LineObserver {
 public:
  virtual ~LineObserver() = default;
  virtual void OnSent(const std::uint8_t* data, std::size_t length) = 0;
  virtual void OnReceived(const std::uint8_t* data, std::size_t length) = 0;
  virtual void OnPurged() = 0;
};

class CSerialPort {
 public:
  CSerialPort() = default;
  CSerialPort(const CSerialPort&) = delete;
  CSerialPort& operator=(const CSerialPort&) = delete;
  virtual ~CSerialPort() = default;

  // Bytes in the driver's receive queue; 0 when the port is closed.
  virtual std::uint32_t BytesWaiting();
  // Opens the device exclusively and applies the settings; true when the port
  // is open afterwards (an open port is not reopened, unless its device went away).
  virtual bool Open();
  // Fail on a closed port and above 200 bytes.
  virtual bool WriteString(std::string text);
  virtual bool WriteBytes(const std::vector<std::uint8_t>& bytes);
  virtual bool WriteByte(std::uint8_t value);
  // The write the engines use: true only when every byte was written.
  virtual bool Write(const std::uint8_t* data, std::uint32_t length);

  // COM<n> is /dev/ttyS<n-1> (\\.\COM<n> on Windows).
  void SetPortNumber(int number);
  // Extension: open this tty path instead of COM<n>; empty restores COM<n>.
  void SetDevicePath(std::string path);
  // A rate of 0 or less keeps the previous one; applied at once to an open port.
  void SetBaudRate(int baudRate);
  void SetParity(int parity);
  void SetReadWait(std::uint32_t milliseconds);
  // Writes the settings into the open port; false when the port is closed or
  // the driver refuses them (a rate that is not a standard rate).
  bool ApplySettings();
  bool IsOpen() const;
  // Why the last Open failed (None after a success), and the system's words for it.
  OpenFailure LastOpenFailure() const { return openFailure_; }
  const std::string& LastOpenError() const { return device_.LastOpenError(); }
  // True once the open device has been seen to go away: no byte will come or go again.
  bool DeviceGone() const { return IsOpen() && device_.Gone(); }
  bool Close();
  bool PurgeInput();
  // Waits up to the read wait for a first byte, then takes what the driver
  // holds at that moment (up to the buffer's size) without waiting for more.
  bool ReadAvailable(std::uint8_t* buffer, std::uint32_t capacity, std::uint32_t& count);
  // Takes what the driver holds (up to the buffer's size) without waiting; 0 when it holds nothing.
  std::uint32_t ReadWaiting(std::uint8_t* buffer, std::uint32_t capacity);

  int BaudRate() const { return baudRate_; }
  int Parity() const { return parity_; }
  const std::string& DeviceName() const { return deviceName_; }
  // Exposes the device so that tests can read back what the driver holds.
  const TtyDevice& Device() const { return device_; }

  // The input buffered from the line; only the worker of the running operation touches it.
  SerialInputState& Input() { return input_; }
  // The event that asks the running operation to stop; waits on the line end
  // early when it is signalled. Without one nothing stops them.
  void SetCancelEvent(Event* event) { cancelEvent_ = event; }
  // True when the cancel event is signalled, or a wait on it fails for any
  // other reason than a time-out (a closed event: no operation runs).
  bool CancelRequested();
  // Set while no operation runs; the observer outlives its installation. nullptr: none.
  void SetObserver(LineObserver* observer) { observer_ = observer; }
  // Sleeps until `deadline`, or until the cancel event is signalled.
  void WaitUnlessCancelled(std::chrono::steady_clock::time_point deadline);

 private:
  int DataBits() const;
  std::string DevicePath() const;

  int baudRate_ = 4800;
  [[maybe_unused]] std::uint8_t flowControl_ = 0;  // never changed: flow control is always off
  int portNumber_ = 1;
  int parity_ = 0;
  [[maybe_unused]] std::uint8_t stopBits_ = 0;     // one stop bit
  std::uint8_t dataBits_ = 0;     // 0: 7 with parity, else 8
  TtyDevice device_;
  std::uint32_t readWait_ = 1000;
  std::string deviceName_;
  std::string devicePathOverride_;
  OpenFailure openFailure_ = OpenFailure::None;
  SerialInputState input_;
  Event* cancelEvent_ = nullptr;
  LineObserver* observer_ = nullptr;
};

CSerialPort& SerialPort();

}  // namespace corvane
