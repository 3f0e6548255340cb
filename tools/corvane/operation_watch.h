// When the corvane command gives up on a client operation instead of waiting on:
// the Data Collector has not been heard and nothing has moved for the idle
// time-out, or all it has said since its last useful packet is an error packet.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace corvane::cli {

inline constexpr int kDefaultIdleTimeoutSeconds = 60;

// A reading of the library's counters at one poll.
struct LineReading {
  std::int32_t bytesDone = 0;
  std::int32_t bytesTotal = 0;
  std::uint32_t packetsRead = 0;
  std::uint32_t errorPacketsRead = 0;
};

class OperationWatch {
 public:
  using Clock = std::chrono::steady_clock;
  // An error packet gets this long for the operation to end by itself, as
  // every operation but a request through the wide loop does.
  static constexpr std::chrono::milliseconds kErrorGrace{1500};

  // `idleSeconds` 0: never idle.
  explicit OperationWatch(int idleSeconds) : idle_(idleSeconds) {}

  // At every poll of a running operation; true once it must be ended. While
  // the user answers a question nothing is expected to move.
  bool ShouldStop(const LineReading& reading, bool userAnswering, Clock::time_point now);
  // Reads the library's counters.
  bool ShouldStop(bool userAnswering);

  enum class Reason { None, Idle, DeviceError };
  Reason Why() const { return reason_; }
  // What the command prints when it gave up (with the Data Collector's error
  // text as it stood then); empty when it did not.
  std::string Message() const;

 private:
  std::chrono::seconds idle_;
  Reason reason_ = Reason::None;
  bool started_ = false;
  LineReading last_{};
  Clock::time_point lastMoved_{};
  // Error packets counted when the last useful packet came, and when the first after it came.
  std::uint32_t errorsAtUseful_ = 0;
  std::optional<Clock::time_point> firstErrorSince_;
  std::string detail_;
};

}  // namespace corvane::cli
