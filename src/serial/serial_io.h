// Buffered, timed byte I/O over the serial port, and the tick and timer the
// engines build their time-outs on. Used by the worker thread only.
#pragma once

#include <cstdint>

#include "serial/line_pacing.h"

namespace corvane {

inline constexpr std::uint32_t kSerialInputCapacity = 4096;

struct SerialInputState {
  std::uint8_t buffer[kSerialInputCapacity + 1] = {};
  std::uint32_t count = 0;
  std::uint32_t index = 0;
  std::uint32_t timerStart = 0;
  std::uint32_t lastTick = 0;
  std::uint64_t bufferStart = 0;  // stream position of the buffer's first byte
  LinePacing pacing;
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
// Lets the 10 ms settle pass, purges the driver's receive queue and empties
// the buffer. A paced read that slept through the settle with the packet's
// rest leaves only what is left of it.
int SerialFlushInput();
// Tells the input side that at least the next `count` bytes to be taken are
// already under way (the rest of a packet), so that a wait for them can sleep
// through their line time, and the settle after them, instead of waking for
// every byte.
void SerialExpect(std::uint32_t count);
bool SerialWrite(const std::uint8_t* data, std::uint32_t length);
// Writes and reports `length` whatever the outcome.
int SerialSend(const std::uint8_t* data, int length);
// How many more bytes a line needs at least, judged from the `stored` bytes
// so far (0: not known).
using LineRemainder = int (*)(const std::uint8_t* line, int stored);
// Reads one line ending with `endOfLine` into `buffer` (which holds size + 1
// bytes). Returns its length without the end-of-line byte (zero-terminated),
// `size` when the buffer filled first, -1 on time-out, -2 on cancel. With a
// `remainder`, a line whose rest is known to be under way is waited for in one sleep.
int SerialReadLine(std::uint8_t* buffer, int size, std::uint8_t endOfLine, int timeoutSeconds,
                   LineRemainder remainder = nullptr);
// seconds < 0 starts the timer (result 0); otherwise -1 once more than
// `seconds` whole seconds have passed since the start, else 0.
int SecondsTimer(int seconds);
std::uint32_t GetTick();

}  // namespace corvane
