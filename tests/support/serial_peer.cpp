#include "support/serial_peer.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <functional>

#include "serial/serial_io.h"
#include "serial/serial_port.h"
#include "session/transfer_session.h"

namespace corvane::testing {
namespace {

// Bytes one at a time until `enough` holds or `timeoutMs` has passed in all.
std::string ReadBytes(ByteStream& line, std::uint32_t timeoutMs, const std::function<bool(const std::string&)>& enough) {
  const auto start = std::chrono::steady_clock::now();
  std::string received;
  std::uint8_t byte = 0;
  while (!enough(received)) {
    const auto elapsed = static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    if (elapsed >= timeoutMs || !line.WaitReadable(timeoutMs - elapsed)) break;
    if (line.ReadNow(&byte, 1) == 1) received.push_back(static_cast<char>(byte));
  }
  return received;
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
  return ReadBytes(pty_.Master(), timeoutMs, [count](const std::string& bytes) { return bytes.size() >= count; });
}

std::string SerialPeer::ReceiveUntil(std::uint8_t end, std::uint32_t timeoutMs) {
  return ReadBytes(pty_.Master(), timeoutMs, [end](const std::string& bytes) {
    return !bytes.empty() && static_cast<std::uint8_t>(bytes.back()) == end;
  });
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
  std::string digits;
  for (const char c : hex) {
    if (std::isxdigit(static_cast<unsigned char>(c))) digits.push_back(c);
  }
  std::string bytes;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

}  // namespace corvane::testing
