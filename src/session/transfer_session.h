// The one operation that can run: its parameters, progress counters, result
// and the events that hand it between the host's thread and the worker.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "corvane32/host.h"
#include "platform/event.h"

namespace corvane {

enum class TransferCommand {
  Receive = 0,
  Send = 1,
  Get = 2,
  Generic = 3,  // the letter D, C or E leads firstArgument
  Server = 5,
};

// A string that the host's thread may read while the worker writes it.
class SharedText {
 public:
  std::string Get() const {
    std::lock_guard lock(mutex_);
    return text_;
  }
  void Set(std::string text) {
    std::lock_guard lock(mutex_);
    text_ = std::move(text);
  }

 private:
  mutable std::mutex mutex_;
  std::string text_;
};

// Fields written by one thread and read by the other are atomics or are handed
// over through the events (the runner writes the arguments before it starts the
// worker and reads nothing of them afterwards).
struct TransferSession {
  Event cancelEvent;                     // manual reset: stop the running command
  std::atomic<std::int32_t> bytesTotal{0};  // 0 while the size is unknown
  std::atomic<std::int32_t> bytesDone{0};
  TransferCommand command = TransferCommand::Receive;
  std::atomic<int> lastResult{0};
  HostWindow hostWindow = nullptr;
  Event busyEvent;     // manual reset: signalled while the worker works
  Event startedEvent;  // auto reset: the worker has started
  std::string firstArgument;
  std::string secondArgument;
  SharedText outputFileName;
  int platform = 1;  // as TransferSetOtherPlatform was given it
  // The text of the last error packet of the operation, sent or received, so
  // that a host can say more than the result code.
  SharedText errorDetail;
  // Packets but NAKs read whole and unharmed from the Data Collector in this
  // operation, and how many of them were error packets: whether it moves on.
  std::atomic<std::uint32_t> packetsRead{0};
  std::atomic<std::uint32_t> errorPacketsRead{0};
};

TransferSession& Session();

// True when the cancel event is signalled, or when a wait on it fails for any
// other reason than a time-out (the engines treat both as a request to stop).
bool CancelRequested();

// Notes an error packet: `received` when the Data Collector sent it.
void NoteErrorPacket(const std::string& text, bool received);
// Counts a packet of `type` read whole and unharmed from the Data Collector; NAKs do not count.
void NotePacketRead(int type);

}  // namespace corvane
