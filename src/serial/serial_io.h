// Buffered, timed byte I/O over the serial port, and the tick and timer the
// engines build their time-outs on. Used by the worker thread only.
#pragma once

#include <cstdint>

namespace corvane {

enum class SerialInputMode {
  Take,     // the next byte (after Ready said 1)
  Purge,    // purge the driver and the buffer
  Ready,    // 1 when a byte can be taken
  Discard,  // empty the buffer only
};

// The serial functions below work on the one port, SerialPort(), and its input.
std::uint8_t SerialInput(SerialInputMode mode);
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
// `seconds` whole seconds have passed since the start, else 0. Always -1 once
// the device has gone: every timed wait on the line is over at once.
int SecondsTimer(int seconds);
// True once the port's device has gone away (unplugged, hung up): nothing will
// come or go on the line again, however long a wait.
bool SerialDeviceGone();
// A pause for the peer's sake; none once the device has gone.
void SerialPause(std::uint32_t milliseconds);
std::uint32_t GetTick();

}  // namespace corvane
