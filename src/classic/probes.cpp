#include <cstdlib>
#include <string>

#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "serial/serial_io.h"
#include "session/transfer_session.h"

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
int BuildProbeInit(ClassicLinkState& link) {
  const std::string data = ClassicInitData(link.settings);
  return ClassicBuildPacket('S', link.sequence, static_cast<int>(data.size()),
                            reinterpret_cast<const std::uint8_t*>(data.data()), link);
}

std::int64_t MillisecondsSince(std::uint32_t start) {
  return std::llabs(static_cast<std::int64_t>(static_cast<std::int32_t>(GetTick() - start)));
}

// Keeps the caller's read time-out aside for the probe's run and restores it.
class ProbeTimeout {
 public:
  explicit ProbeTimeout(ClassicSettings& settings) : settings_(settings), saved_(settings.timeoutSeconds) {
    settings.timeoutSeconds = kProbeReadSeconds;
  }
  ~ProbeTimeout() { settings_.timeoutSeconds = saved_; }
  ProbeTimeout(const ProbeTimeout&) = delete;
  ProbeTimeout& operator=(const ProbeTimeout&) = delete;

 private:
  ClassicSettings& settings_;
  int saved_;
};

}  // namespace

int ProbeSendInit(ClassicLinkState& link) {
  const int total = BuildProbeInit(link);
  link.lastPacket[total - 2] = kProbeCheck;
  return SerialSend(link.lastPacket, total);
}

// One more than the correct check: a classic peer must reject it as damaged.
int ClassicProbeSend(ClassicLinkState& link) {
  const int total = BuildProbeInit(link);
  ++link.lastPacket[total - 2];
  return SerialSend(link.lastPacket, total);
}

std::uint8_t ProbeReadPacket(ClassicLinkState& link) {
  const int length = ClassicReadLine(link);
  if (length < 0) return 'T';
  std::uint8_t type = 0;
  std::uint8_t check = 0;
  if (!ClassicParseLine(length, type, check, link) || check != kProbeCheck) return 'Q';
  return type;
}

// A cancel ends a probe at once with no decision: without this test every read
// would return at once and the probe would flood the line until its time limit.
PeerFraming ProbePlatform(ProbeSide side, ClassicLinkState& link) {
  ClassicReset(link);
  ProbeTimeout timeout(link.settings);
  const std::uint32_t start = GetTick();
  for (;;) {
    if (side == ProbeSide::PcSends) {
      ProbeSendInit(link);
      const std::uint8_t type = ClassicReadPacket(link);
      if (type == 'Y') return PeerFraming::Wide;
      if (type == 'N' || type == 'Q') return PeerFraming::Classic;
    } else {
      const std::uint8_t type = ProbeReadPacket(link);
      if (type == 'S') {
        ClassicSendAck(link);
        return PeerFraming::Wide;
      }
      if (type == 'N' || type == 'Q') return PeerFraming::Classic;
    }
    if (CancelRequested() || MillisecondsSince(start) > kPlatformProbeLimitMs) return PeerFraming::Unknown;
  }
}

int ClassicProbe(ClassicLinkState& link) {
  ClassicReset(link);
  ProbeTimeout timeout(link.settings);
  const std::uint32_t start = GetTick();
  for (int sent = 1;; ++sent) {
    ClassicProbeSend(link);
    const std::uint8_t type = ClassicReadPacket(link);
    if (type == 'Y') return 1;
    if (type == 'N' || type == 'Q') return 0;
    if (CancelRequested() || (MillisecondsSince(start) > kClassicProbeLimitMs && sent >= kLeastClassicProbes)) return -1;
  }
}

}  // namespace corvane
