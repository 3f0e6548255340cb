// Buffered, timed byte I/O over the serial port, and the tick and timer the
// engines build their time-outs on. Used by the worker thread only.
#pragma once

#include <cstdint>

namespace corvane {

inline constexpr std::uint32_t kSerialInputCapacity = 4096;

struct SerialInputState {
  std::uint8_t buffer[kSerialInputCapacity + 1] = {};
  std::uint32_t count = 0;
  std::uint32_t index = 0;
  std::uint32_t timerStart = 0;
  std::uint32_t lastTick = 0;
};

SerialInputState& SerialInputs();

// Modes of SerialInput.
inline constexpr int kInputTake = 0;     // the next byte (after kInputReady said 1)
inline constexpr int kInputPurge = 1;    // purge the driver and the buffer
inline constexpr int kInputReady = 2;    // 1 when a byte can be taken
inline constexpr int kInputDiscard = -1; // empty the buffer only

std::uint8_t SerialInput(int mode);
std::uint8_t SerialGetByte();
int SerialByteReady();
// Sleeps 10 ms, purges the driver's receive queue and empties the buffer.
int SerialFlushInput();
bool SerialWrite(const std::uint8_t* data, std::uint32_t length);
// Writes and reports `length` whatever the outcome.
int SerialSend(const std::uint8_t* data, int length);
// Reads one line ending with `endOfLine` into `buffer` (which holds size + 1
// bytes). Returns its length without the end-of-line byte (zero-terminated),
// `size` when the buffer filled first, -1 on time-out, -2 on cancel.
int SerialReadLine(std::uint8_t* buffer, int size, std::uint8_t endOfLine, int timeoutSeconds);
// seconds < 0 starts the timer (result 0); otherwise -1 once more than
// `seconds` whole seconds have passed since the start, else 0.
int SecondsTimer(int seconds);
std::uint32_t GetTick();

}  // namespace corvane
