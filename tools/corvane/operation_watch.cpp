#include "corvane/operation_watch.h"

#include "corvane32/corvane32.h"

namespace corvane::cli {

bool OperationWatch::ShouldStop(const LineReading& reading, bool userAnswering, Clock::time_point now) {
  if (reason_ != Reason::None) return true;
  const std::uint32_t useful = reading.packetsRead - reading.errorPacketsRead;
  const bool moved = reading.packetsRead != last_.packetsRead || reading.bytesDone != last_.bytesDone ||
                     reading.bytesTotal != last_.bytesTotal;
  const bool fresh = !started_ || userAnswering;
  if (fresh || moved) lastMoved_ = now;
  if (fresh || useful != last_.packetsRead - last_.errorPacketsRead) errorsAtUseful_ = reading.errorPacketsRead;
  const bool errorsSince = reading.errorPacketsRead != errorsAtUseful_;
  if (!errorsSince) firstErrorSince_.reset();
  else if (!firstErrorSince_) firstErrorSince_ = now;
  started_ = true;
  last_ = reading;
  if (firstErrorSince_ && now - *firstErrorSince_ >= kErrorGrace) {
    reason_ = Reason::DeviceError;
  } else if (idle_.count() > 0 && now - lastMoved_ >= idle_) {
    reason_ = Reason::Idle;
  }
  return reason_ != Reason::None;
}

bool OperationWatch::ShouldStop(bool userAnswering) {
  LineReading reading;
  TransferGetStatus(reading.bytesDone, reading.bytesTotal);
  TransferGetLineActivity(reading.packetsRead, reading.errorPacketsRead);
  const bool stop = ShouldStop(reading, userAnswering, Clock::now());
  // Taken now: ending the operation sends an error packet of our own, which becomes the last one.
  if (stop && detail_.empty()) detail_ = TransferGetErrorDetail();
  return stop;
}

std::string OperationWatch::Message() const {
  switch (reason_) {
    case Reason::Idle:
      return "gave up: nothing heard from the Data Collector and nothing moved for " +
             std::to_string(idle_.count()) + " s (--idle-timeout)";
    case Reason::DeviceError:
      return "gave up waiting: " + (detail_.empty() ? std::string("the Data Collector sent an error packet") : detail_);
    case Reason::None:
      break;
  }
  return {};
}

}  // namespace corvane::cli
