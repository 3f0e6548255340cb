// A serial line: a tty device in raw mode (or the master side of a pty pair).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace corvane {

// Parity codes as the Windows serial interface numbers them.
enum ParityCode : int { kParityNone = 0, kParityOdd = 1, kParityEven = 2, kParityMark = 3, kParitySpace = 4 };

struct LineSettings {
  int baudRate = 0;
  int parity = kParityNone;
  int dataBits = 8;
  bool dtrOn = false;
  bool rtsOn = false;
};

// A file descriptor that moves bytes with timed reads. Closes itself.
class ByteStream {
 public:
  ByteStream() = default;
  explicit ByteStream(int fd) : fd_(fd) {}
  ByteStream(ByteStream&& other) noexcept;
  ByteStream& operator=(ByteStream&& other) noexcept;
  ByteStream(const ByteStream&) = delete;
  ByteStream& operator=(const ByteStream&) = delete;
  ~ByteStream();

  bool IsOpen() const { return fd_ >= 0; }
  // False when the stream is closed or any byte could not be written.
  bool Write(const std::uint8_t* data, std::size_t length);
  // Waits up to `waitMs` for a first byte, then goes on taking bytes until the
  // line has been quiet for `waitMs` or `capacity` bytes have arrived.
  // Returns the number of bytes stored (0: nothing arrived in time).
  std::size_t ReadAvailable(std::uint8_t* buffer, std::size_t capacity, std::uint32_t waitMs);
  // Takes what has already arrived, without waiting.
  std::size_t ReadNow(std::uint8_t* buffer, std::size_t capacity);
  // True when a byte can be read within `waitMs`.
  bool WaitReadable(std::uint32_t waitMs);
  // Bytes in the driver's receive queue.
  std::uint32_t BytesWaiting() const;
  void Close();

 protected:
  int fd_ = -1;
};

// A tty opened exclusively (TIOCEXCL plus an advisory lock) in raw mode.
class TtyDevice : public ByteStream {
 public:
  TtyDevice() = default;
  TtyDevice(TtyDevice&&) noexcept = default;
  TtyDevice& operator=(TtyDevice&& other) noexcept;
  ~TtyDevice();

  // Fails when the device does not exist, is not a tty or is in use. A device
  // already open is closed first.
  bool Open(const std::string& path);
  // Raw mode with the given rate, parity (mark and space through CMSPAR) and
  // data bits; DTR and RTS on; no flow control. False when the rate is not a
  // standard rate or the driver does not hold the settings afterwards; a pty,
  // which always reports 8 data bits without parity, need only hold the rate.
  bool Apply(int baudRate, int parity, int dataBits);
  // Discards the driver's receive queue.
  bool PurgeInput();
  // The settings the driver holds now, read back with tcgetattr.
  std::optional<LineSettings> CurrentSettings() const;
  // Gives up exclusive use, then closes: a pty slave outlives this descriptor,
  // and its exclusive flag would otherwise lock out the next open.
  void Close();
};

// A pseudo-terminal pair: the master side as a stream, the slave by its path.
// The slave is held open (raw) for the pair's lifetime so that the master never
// reads end-of-file while the other end reopens the slave.
class PtyPair {
 public:
  PtyPair() = default;
  PtyPair(PtyPair&&) noexcept = default;
  PtyPair& operator=(PtyPair&&) noexcept = default;
  ~PtyPair();
  bool Open();
  ByteStream& Master() { return master_; }
  const std::string& SlavePath() const { return slavePath_; }

 private:
  ByteStream master_;
  ByteStream slaveHold_;
  std::string slavePath_;
};

}  // namespace corvane
