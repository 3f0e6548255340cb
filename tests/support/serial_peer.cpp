#include "support/serial_peer.h"

#include <chrono>
#include <cstdio>

#include "serial/serial_io.h"
#include "serial/serial_port.h"
#include "session/transfer_session.h"

namespace corvane::testing {
namespace {

std::uint32_t MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}

}  // namespace

SerialPeer::SerialPeer(int baudRate) {
  if (!pty_.Open()) return;
  CSerialPort& port = SerialPort();
  port.Close();
  port.SetDevicePath(pty_.SlavePath());
  port.SetParity(0);
  port.SetBaudRate(baudRate);
  ready_ = port.Open();
  SerialInput(SerialInputMode::Discard);
  Session().cancelEvent.Create(EventReset::Manual);
  port.SetCancelEvent(&Session().cancelEvent);
}

SerialPeer::~SerialPeer() {
  Session().cancelEvent.Close();
  SerialPort().Close();
  SerialPort().SetDevicePath("");
  SerialInput(SerialInputMode::Discard);
}

void SerialPeer::Send(std::string_view bytes) {
  pty_.Master().Write(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string SerialPeer::Receive(std::size_t count, std::uint32_t timeoutMs) {
  const auto start = std::chrono::steady_clock::now();
  std::string received;
  std::uint8_t byte = 0;
  while (received.size() < count) {
    const std::uint32_t elapsed = MillisecondsSince(start);
    if (elapsed >= timeoutMs || !pty_.Master().WaitReadable(timeoutMs - elapsed)) break;
    if (pty_.Master().ReadNow(&byte, 1) == 1) received.push_back(static_cast<char>(byte));
  }
  return received;
}

std::string SerialPeer::ReceiveUntil(std::uint8_t end, std::uint32_t timeoutMs) {
  const auto start = std::chrono::steady_clock::now();
  std::string received;
  std::uint8_t byte = 0;
  for (;;) {
    const std::uint32_t elapsed = MillisecondsSince(start);
    if (elapsed >= timeoutMs || !pty_.Master().WaitReadable(timeoutMs - elapsed)) break;
    if (pty_.Master().ReadNow(&byte, 1) != 1) continue;
    received.push_back(static_cast<char>(byte));
    if (byte == end) break;
  }
  return received;
}

std::string SerialPeer::ReceiveUntilQuiet(std::uint32_t quietMs) {
  std::string received;
  std::uint8_t block[512];
  while (pty_.Master().WaitReadable(quietMs)) {
    const std::size_t n = pty_.Master().ReadNow(block, sizeof block);
    received.append(reinterpret_cast<const char*>(block), n);
  }
  return received;
}

std::string Hex(std::string_view bytes) {
  std::string text;
  char pair[4];
  for (unsigned char byte : bytes) {
    std::snprintf(pair, sizeof pair, text.empty() ? "%02X" : " %02X", byte);
    text += pair;
  }
  return text;
}

std::string FromHex(std::string_view hex) {
  std::string bytes;
  unsigned value = 0;
  int digits = 0;
  for (char c : hex) {
    int nibble;
    if (c >= '0' && c <= '9') nibble = c - '0';
    else if (c >= 'A' && c <= 'F') nibble = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') nibble = c - 'a' + 10;
    else continue;
    value = value * 16 + static_cast<unsigned>(nibble);
    if (++digits == 2) {
      bytes.push_back(static_cast<char>(value));
      value = 0;
      digits = 0;
    }
  }
  return bytes;
}

}  // namespace corvane::testing
