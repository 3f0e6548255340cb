// The simulated Data Collector: a device on a serial line (a tty by path, or
// a stream such as the master side of a pty pair) that serves a directory and
// plays its roles on a thread of its own.
//
//   PtyPair pty; pty.Open();
//   DeviceOptions options;
//   options.framing = Framing::Wide;
//   options.directory = served;                   // files it holds and receives
//   options.script = {Role::Download("JOB.CR5")};  // default: {Role::Serve()}
//   SimulatedDevice device(options);
//   device.Start(pty.Master());                    // the PC opens pty.SlavePath()
//   ... run the PC's operation ...
//   device.WaitFinished(10000); device.Stop();
//   device.Outcomes(), device.LogLines(), the served directory
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/byte_stream.h"
#include "common/pty_pair.h"
#include "corvane-dc/faults.h"
#include "corvane-dc/packet_log.h"
#include "corvane-dc/roles.h"
#include "corvane-dc/wire.h"

namespace corvane::dc {

struct DeviceOptions {
  Framing framing = Framing::Classic;
  std::string directory;     // the served directory; it must exist
  FaultOptions faults;
  std::string logPath;       // empty: in memory only; "-": also to stderr
  int timeoutSeconds = 3;    // the device's read time-out (announced as TIME on the classic line)
  int retries = 10;          // sendings of one packet before an exchange is given up
  int baudRate = 9600;       // for a tty opened by path
  std::vector<Role> script{Role::Serve()};  // played in order; Serve runs until Stop()
};

class SimulatedDevice {
 public:
  explicit SimulatedDevice(DeviceOptions options);
  ~SimulatedDevice();
  SimulatedDevice(const SimulatedDevice&) = delete;
  SimulatedDevice& operator=(const SimulatedDevice&) = delete;

  // Plays the script on a stream that the caller keeps open until Stop().
  bool Start(ByteStream& line);
  // Opens the tty (raw, 8N1 at baudRate) and plays the script on it.
  bool Start(const std::string& ttyPath);
  // Ends the role in hand at its next wait and joins the thread.
  void Stop();

  // True when the script has been played to its end within `timeoutMs`.
  bool WaitFinished(std::uint32_t timeoutMs);
  bool Finished() const;
  // One outcome per role played so far (a Serve role's when it has ended).
  std::vector<Outcome> Outcomes() const;
  std::vector<std::string> LogLines() const { return log_.Lines(); }
  // Why Start() failed.
  const std::string& StartError() const { return startError_; }
  const DeviceOptions& Options() const { return options_; }
  // The faults injected so far: bytes the device sent, and bytes it read.
  std::vector<FaultEvent> OutgoingFaults() const;
  std::vector<FaultEvent> IncomingFaults() const;

 private:
  bool Launch(ByteStream& line);
  void Play(ByteStream& line);

  DeviceOptions options_;
  PacketLog log_;
  std::string startError_;
  ByteStream ownTty_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::condition_variable finishedChanged_;
  bool finished_ = false;
  std::vector<Outcome> outcomes_;
  std::vector<FaultEvent> outgoingFaults_;
  std::vector<FaultEvent> incomingFaults_;
};

// A device on the master side of its own pty pair: the PC side opens SlavePath().
class PtyDevice {
 public:
  explicit PtyDevice(DeviceOptions options) : device_(std::move(options)) {}
  bool Start();
  const std::string& SlavePath() const { return pty_.SlavePath(); }
  SimulatedDevice& Device() { return device_; }
  void Stop() { device_.Stop(); }

 private:
  PtyPair pty_;
  SimulatedDevice device_;  // declared last: stopped before the pair closes
};

}  // namespace corvane::dc
