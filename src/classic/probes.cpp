#include <cstdlib>
#include <string>

#include "api/transfer_session.h"
#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "serial/serial_io.h"

namespace corvane {
namespace {

constexpr int kProbeReadSeconds = 3;
constexpr std::int64_t kPlatformProbeLimitMs = 15'000;
constexpr std::int64_t kClassicProbeLimitMs = 1'000;
// A presence probe or its answer lost on the line costs one more probe, not the request.
constexpr int kLeastClassicProbes = 2;
constexpr std::uint8_t kProbeCheck = 'G';

// The PC's S, built and stored like any packet but not yet sent; its length.
// Probes leave bytesDone alone.
int BuildProbeInit() {
  const std::string data = ClassicInitData();
  return ClassicBuildPacket('S', ClassicLink().sequence, static_cast<int>(data.size()),
                            reinterpret_cast<const std::uint8_t*>(data.data()));
}

std::int64_t MillisecondsSince(std::uint32_t start) {
  return std::llabs(static_cast<std::int64_t>(static_cast<std::int32_t>(GetTick() - start)));
}

// Keeps the caller's read time-out aside for the probe's run and restores it.
class ProbeTimeout {
 public:
  ProbeTimeout() : saved_(ClassicConfig().timeoutSeconds) { ClassicConfig().timeoutSeconds = kProbeReadSeconds; }
  ~ProbeTimeout() { ClassicConfig().timeoutSeconds = saved_; }
  ProbeTimeout(const ProbeTimeout&) = delete;
  ProbeTimeout& operator=(const ProbeTimeout&) = delete;

 private:
  int saved_;
};

}  // namespace

int ProbeSendInit() {
  const int total = BuildProbeInit();
  ClassicLink().lastPacket[total - 2] = kProbeCheck;
  return SerialSend(ClassicLink().lastPacket, total);
}

// One more than the correct check: a classic peer must reject it as damaged.
int ClassicProbeSend() {
  const int total = BuildProbeInit();
  ++ClassicLink().lastPacket[total - 2];
  return SerialSend(ClassicLink().lastPacket, total);
}

std::uint8_t ProbeReadPacket() {
  const int length = ClassicReadLine();
  if (length < 0) return 'T';
  std::uint8_t type = 0;
  std::uint8_t check = 0;
  if (!ClassicParseLine(length, type, check) || check != kProbeCheck) return 'Q';
  return type;
}

// A cancel ends a probe at once with no decision: without this test every read
// would return at once and the probe would flood the line until its time limit.
int ProbePlatform(int mode) {
  ClassicReset();
  ProbeTimeout timeout;
  const std::uint32_t start = GetTick();
  for (;;) {
    if (mode != 0) {
      ProbeSendInit();
      const std::uint8_t type = ClassicReadPacket();
      if (type == 'Y') return 1;
      if (type == 'N' || type == 'Q') return 0;
    } else {
      const std::uint8_t type = ProbeReadPacket();
      if (type == 'S') {
        ClassicSendAck();
        return 1;
      }
      if (type == 'N' || type == 'Q') return 0;
    }
    if (CancelRequested() || MillisecondsSince(start) > kPlatformProbeLimitMs) return -1;
  }
}

int ClassicProbe() {
  ClassicReset();
  ProbeTimeout timeout;
  const std::uint32_t start = GetTick();
  for (int sent = 1;; ++sent) {
    ClassicProbeSend();
    const std::uint8_t type = ClassicReadPacket();
    if (type == 'Y') return 1;
    if (type == 'N' || type == 'Q') return 0;
    if (CancelRequested() || (MillisecondsSince(start) > kClassicProbeLimitMs && sent >= kLeastClassicProbes)) return -1;
  }
}

}  // namespace corvane
