#include "wide/wide_probe.h"

#include <cstdint>

#include "serial/serial_io.h"
#include "wide/wide_link.h"

namespace corvane {
namespace {

constexpr std::int32_t kProbeWindowMs = 1000;
// A probe or its answer lost on the line costs one more probe, not the request.
constexpr int kLeastProbes = 2;

}  // namespace

int WideProbe() {
  WideLinkContext context;
  WideReset(context);
  const std::uint32_t start = GetTick();
  for (int sent = 1;; ++sent) {
    WideSendProbePacket('S', 0, context);
    const int answer = WideReadPacket(context);
    if (answer == 'Y') return 1;
    if (answer == 'N' || answer == kWideDamaged) return 0;
    const auto elapsed = static_cast<std::int32_t>(GetTick() - start);
    if ((elapsed > kProbeWindowMs || elapsed < -kProbeWindowMs) && sent >= kLeastProbes) return -1;
  }
}

}  // namespace corvane
