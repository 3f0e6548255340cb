#include "serial/serial_io.h"

#include <algorithm>
#include <chrono>

#include "platform/thread.h"
#include "platform/tick.h"
#include "serial/serial_port.h"

namespace corvane {
namespace {

constexpr std::uint32_t kHalfRange = 0x7FFFFFFF;
constexpr std::uint32_t kOneHourMs = 3'600'000;

using Clock = std::chrono::steady_clock;

// Takes the next block from the driver; the 10 ms read wait paces idle loops.
void Fill(CSerialPort& port) {
  SerialInputState& input = port.Input();
  if (input.pacing.BaudRate() != port.BaudRate()) input.pacing.Restart(port.BaudRate());
  input.bufferStart += input.count;
  input.count = input.index = 0;
  const Clock::time_point now = Clock::now();
  const Clock::time_point restDue = input.pacing.RestDueAt(input.bufferStart, now);
  std::uint32_t count = 0;
  if (restDue > now) {
    // Bytes under way cannot all be here before then; a cancel ends the sleep early.
    port.WaitUnlessCancelled(restDue);
    count = port.ReadWaiting(input.buffer, kSerialInputCapacity);
    if (count > 0) input.pacing.NoteArrival(input.bufferStart + count, Clock::now(), LinePacing::Found::Waiting);
  }
  if (count == 0) {
    // No answer can begin while our own packet is still leaving: one longer wait
    // instead of a poll slice every 10 ms (a cancel is then seen when it ends).
    const auto busy = input.pacing.TransmitterBusyFor(Clock::now());
    const auto busyMs = std::chrono::ceil<std::chrono::milliseconds>(busy).count();
    port.SetReadWait(1 + static_cast<std::uint32_t>(busyMs));
    port.ReadAvailable(input.buffer, kSerialInputCapacity, count);
    if (count > 0) input.pacing.NoteArrival(input.bufferStart + count, Clock::now(), LinePacing::Found::Arriving);
  }
  input.count = count;
  input.buffer[count] = 0;
}

// Drops the buffered input. Dropped bytes count as passed, so that stream
// positions only grow and match what the pacing has seen arrive.
void DropBuffered(SerialInputState& input) {
  input.bufferStart += input.count;
  input.count = input.index = 0;
  input.pacing.Forget();
}

}  // namespace

std::uint8_t SerialInput(SerialInputMode mode) {
  CSerialPort& port = SerialPort();
  SerialInputState& input = port.Input();
  switch (mode) {
    case SerialInputMode::Purge:
      // A new transaction may run on another line: learn its pacing afresh.
      port.PurgeInput();
      DropBuffered(input);
      input.pacing.Restart(port.BaudRate());
      return 0;
    case SerialInputMode::Discard:
      DropBuffered(input);
      return 0;
    case SerialInputMode::Ready:
      if (input.index == input.count) Fill(port);
      return input.index != input.count ? 1 : 0;
    case SerialInputMode::Take:
      if (input.index == input.count) Fill(port);
      // Callers take a byte only after kInputReady said 1; with none, 0 and nothing consumed.
      if (input.index == input.count) return 0;
      return input.buffer[input.index++];
  }
  return 0;
}

std::uint8_t SerialGetByte() { return SerialInput(SerialInputMode::Take); }

int SerialByteReady() { return SerialInput(SerialInputMode::Ready); }

int SerialFlushInput() {
  // Not cut short by a cancel, which the engines look for once the input is clean.
  SleepUntil(SerialPort().Input().pacing.SettleDueAt(Clock::now()));
  SerialPort().PurgeInput();
  SerialInput(SerialInputMode::Discard);
  return 0;
}

void SerialExpect(std::uint32_t count) {
  SerialInputState& input = SerialPort().Input();
  input.pacing.Expect(input.bufferStart + input.index, count, Clock::now());
}

bool SerialWrite(const std::uint8_t* data, std::uint32_t length) {
  SerialInputState& input = SerialPort().Input();
  const bool written = SerialPort().Write(data, length);
  input.pacing.NoteWrite(length, input.index != input.count, Clock::now());
  return written;
}

int SerialSend(const std::uint8_t* data, int length) {
  SerialWrite(data, static_cast<std::uint32_t>(length));
  return length;
}

int SerialReadLine(std::uint8_t* buffer, int size, std::uint8_t endOfLine, int timeoutSeconds,
                   LineRemainder remainder) {
  SerialInputState& input = SerialPort().Input();
  SecondsTimer(-1);
  buffer[0] = 0;
  int stored = 0;
  while (stored < size) {
    while (SerialByteReady() == 0) {
      if (SecondsTimer(timeoutSeconds) == -1) return -1;
      if (SerialPort().CancelRequested()) return -2;
    }
    do {
      const std::uint8_t byte = SerialGetByte();
      buffer[stored++] = byte;
      if (byte == endOfLine) break;
      // The buffer ran dry mid-line: say what is still under way before the next fill.
      if (remainder != nullptr && input.index == input.count) {
        SerialExpect(static_cast<std::uint32_t>(std::max(0, remainder(buffer, stored))));
      }
    } while (stored < size && SerialByteReady() == 1);
    buffer[stored] = 0;
    if (buffer[stored - 1] == endOfLine) {
      buffer[stored - 1] = 0;
      return stored - 1;
    }
  }
  return size;
}

int SecondsTimer(int seconds) {
  SerialInputState& input = SerialPort().Input();
  if (seconds < 0) {
    input.timerStart = GetTick();
    return 0;
  }
  if (SerialDeviceGone()) return -1;
  const auto elapsed = static_cast<std::int32_t>(GetTick() - input.timerStart);
  return elapsed / 1000 > seconds ? -1 : 0;
}

bool SerialDeviceGone() { return SerialPort().DeviceGone(); }

void SerialPause(std::uint32_t milliseconds) {
  if (!SerialDeviceGone()) SleepMilliseconds(milliseconds);
}

std::uint32_t GetTick() {
  SerialInputState& input = SerialPort().Input();
  std::uint32_t tick = TickCount();
  if ((input.lastTick > kHalfRange || tick > kHalfRange) && tick - input.lastTick > kOneHourMs) tick -= kHalfRange;
  const std::uint32_t extra =
      (tick < input.lastTick && tick + kHalfRange - input.lastTick < kOneHourMs) ? kHalfRange : 0;
  input.lastTick = tick;
  return tick + extra;
}

}  // namespace corvane
