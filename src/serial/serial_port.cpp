#include "serial/serial_port.h"

#include "platform/thread.h"

namespace corvane {
namespace {

constexpr std::size_t kShortWriteLimit = 200;
constexpr std::uint32_t kMinimumReadWaitMs = 10;
constexpr std::uint32_t kSettleMs = 10;
// A read of one byte may take the read wait plus one byte's 10 ms read time-out.
constexpr std::uint32_t kPerByteReadMs = 10;

}  // namespace

CSerialPort& SerialPort() {
  static CSerialPort port;
  return port;
}

std::uint32_t CSerialPort::BytesWaiting() {
  return IsOpen() ? device_.BytesWaiting() : 0;
}

bool CSerialPort::Open() {
  // A device that went away may be back (plugged in again): open it afresh.
  if (DeviceGone()) device_.Close();
  if (IsOpen()) return true;
  deviceName_ = DevicePath();
  const bool opened = device_.Open(deviceName_);
  openFailure_ = device_.LastOpenFailure();
  if (!opened) return false;
  // A line at another rate than asked would only carry garbage: refuse it.
  if (!ApplySettings()) {
    device_.Close();
    openFailure_ = OpenFailure::Settings;
    return false;
  }
  SleepMilliseconds(kSettleMs);
  PurgeInput();
  return true;
}

bool CSerialPort::WriteString(std::string text) {
  if (!IsOpen() || text.size() > kShortWriteLimit) return false;
  return Write(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<std::uint32_t>(text.size()));
}

bool CSerialPort::WriteBytes(const std::vector<std::uint8_t>& bytes) {
  if (!IsOpen() || bytes.size() > kShortWriteLimit) return false;
  return Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

bool CSerialPort::WriteByte(std::uint8_t value) { return Write(&value, 1); }

bool CSerialPort::Write(const std::uint8_t* data, std::uint32_t length) {
  if (!IsOpen()) return false;
  if (length == 0) return true;
  const bool written = device_.Write(data, length);
  if (observer_ != nullptr) observer_->OnSent(data, length);
  return written;
}

void CSerialPort::SetPortNumber(int number) { portNumber_ = number; }

void CSerialPort::SetDevicePath(std::string path) { devicePathOverride_ = std::move(path); }

void CSerialPort::SetBaudRate(int baudRate) {
  if (baudRate > 0) baudRate_ = baudRate;
  ApplySettings();
}

void CSerialPort::SetParity(int parity) {
  parity_ = parity;
  ApplySettings();
}

void CSerialPort::SetReadWait(std::uint32_t milliseconds) {
  readWait_ = milliseconds < kMinimumReadWaitMs ? kMinimumReadWaitMs : milliseconds;
}

bool CSerialPort::ApplySettings() {
  if (!IsOpen()) return false;
  return device_.Apply(baudRate_, parity_, DataBits());
}

bool CSerialPort::IsOpen() const { return device_.IsOpen(); }

bool CSerialPort::Close() {
  deviceName_.clear();
  if (!IsOpen()) return false;
  device_.Close();
  return true;
}

bool CSerialPort::PurgeInput() {
  if (!IsOpen()) return false;
  if (observer_ != nullptr) observer_->OnPurged();
  return device_.PurgeInput();
}

bool CSerialPort::ReadAvailable(std::uint8_t* buffer, std::uint32_t capacity, std::uint32_t& count) {
  count = 0;
  if (capacity == 0) return true;
  if (!IsOpen()) {
    // A closed port answers like a quiet line, so that waiting loops stay paced.
    SleepMilliseconds(readWait_ + kPerByteReadMs);
    return false;
  }
  // Hand over what has arrived as soon as the driver holds no more: the readers
  // above ask again for the rest, so waiting for a quiet line would only hold
  // back the end of every packet by the read wait.
  if (!device_.WaitReadable(readWait_ + kPerByteReadMs)) return false;
  count = ReadWaiting(buffer, capacity);
  // Readable yet empty is an end of file or a failure: pace it like silence.
  if (count == 0) SleepMilliseconds(readWait_);
  return count > 0;
}

std::uint32_t CSerialPort::ReadWaiting(std::uint8_t* buffer, std::uint32_t capacity) {
  if (!IsOpen()) return 0;
  const auto count = static_cast<std::uint32_t>(device_.ReadNow(buffer, capacity));
  if (count > 0 && observer_ != nullptr) observer_->OnReceived(buffer, count);
  return count;
}

int CSerialPort::DataBits() const {
  if (dataBits_ != 0) return dataBits_;
  return parity_ != 0 ? 7 : 8;
}

bool CSerialPort::CancelRequested() {
  return cancelEvent_ != nullptr && cancelEvent_->Wait(0) != WaitResult::Timeout;
}

void CSerialPort::WaitUnlessCancelled(std::chrono::steady_clock::time_point deadline) {
  if (cancelEvent_ == nullptr) {
    SleepUntil(deadline);
  } else {
    cancelEvent_->WaitUntil(deadline);
  }
}

std::string CSerialPort::DevicePath() const {
  if (!devicePathOverride_.empty()) return devicePathOverride_;
  return ComPortPath(portNumber_);
}

}  // namespace corvane
