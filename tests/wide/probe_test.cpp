// The presence probe: one deliberately damaged S, and what its answer means.
#include <string>
#include <vector>

#include "wide/wide_probe.h"
#include "wide/wide_test_bed.h"

namespace corvane::testing {
namespace {

class WideProbeTest : public WideTestBed {};

TEST_F(WideProbeTest, AnswerDecidesTheResult) {
  std::string damagedYes = WidePacket('Y', 0, "");
  damagedYes.back() ^= 0x02;
  struct Case {
    const char* what;
    std::string answer;
    int expected;
  };
  const std::vector<Case> cases = {
      {"Y", WidePacket('Y', 0, ""), 1},
      {"N with any number", WidePacket('N', 7, ""), 0},
      {"a damaged answer", damagedYes, 0},
      {"another type, after the probe time", WidePacket('E', 0, "what?"), -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EngineThread probe([] { return WideProbe(); });
    EXPECT_EQ(Hex(NextFrame()->raw), "01 20 20 20 53 57");
    peer_.Send(c.answer);
    EXPECT_EQ(probe.Result(5000), c.expected);
  }
}

TEST_F(WideProbeTest, SilentLineGivesOneProbeAndNoAnswer) {
  EngineThread probe([] { return WideProbe(); });
  EXPECT_EQ(Next(), "S0 BADCHECK");
  EXPECT_EQ(probe.Result(6000), -1);
  EXPECT_EQ(peer_.ReceiveUntilQuiet(100), "");
}

}  // namespace
}  // namespace corvane::testing
