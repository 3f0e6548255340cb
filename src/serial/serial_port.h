// The one serial port of the process, on a tty device.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/tty.h"

namespace corvane {

class CSerialPort {
 public:
  CSerialPort() = default;
  CSerialPort(const CSerialPort&) = delete;
  CSerialPort& operator=(const CSerialPort&) = delete;
  virtual ~CSerialPort() = default;

  // Bytes in the driver's receive queue; 0 when the port is closed.
  virtual std::uint32_t BytesWaiting();
  // Opens the device exclusively and applies the settings; true when the port
  // is open afterwards (an open port is not reopened).
  virtual bool Open();
  // Fail on a closed port and above 200 bytes.
  virtual bool WriteString(std::string text);
  virtual bool WriteBytes(const std::vector<std::uint8_t>& bytes);
  virtual bool WriteByte(std::uint8_t value);
  // The write the engines use: true only when every byte was written.
  virtual bool Write(const std::uint8_t* data, std::uint32_t length);

  // COM<n> is /dev/ttyS<n-1>.
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
};

CSerialPort& SerialPort();

}  // namespace corvane
