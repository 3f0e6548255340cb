// Fault injection: reproducible from its seed, and doing what it says.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "corvane-dc/faults.h"

namespace corvane::dc {
namespace {

struct Passed {
  std::string out;
  std::vector<std::size_t> corrupt, drop, delay;  // offsets of each kind of fault
};

Passed Pass(const FaultOptions& options, std::uint32_t direction, const std::string& traffic) {
  FaultInjector injector(options, direction);
  Passed passed;
  for (char c : traffic) {
    const FaultInjector::Decision decision = injector.Next(static_cast<std::uint8_t>(c));
    if (!decision.drop) passed.out.push_back(static_cast<char>(decision.byte));
  }
  for (const FaultEvent& event : injector.Events()) {
    (event.kind == FaultKind::Corrupt ? passed.corrupt : event.kind == FaultKind::Drop ? passed.drop : passed.delay)
        .push_back(event.offset);
  }
  return passed;
}

const std::string kTraffic(4000, 'k');

TEST(DcFaults, TheSameSeedCorruptsTheSameBytesAndOthersDoNot) {
  FaultOptions options;
  options.corruptProbability = 0.02;
  options.seed = 7;
  const Passed first = Pass(options, 0, kTraffic);
  const Passed again = Pass(options, 0, kTraffic);
  EXPECT_EQ(again.out, first.out);
  EXPECT_EQ(again.corrupt, first.corrupt);
  // Around 2 % of 4000 bytes; a generous band still catches a probability ignored.
  EXPECT_GT(first.corrupt.size(), 40u);
  EXPECT_LT(first.corrupt.size(), 140u);
  for (std::size_t offset : first.corrupt) EXPECT_NE(first.out[offset], 'k') << offset;
  EXPECT_NE(Pass(options, 1, kTraffic).corrupt, first.corrupt) << "the two directions of a line differ";
  options.seed = 8;
  EXPECT_NE(Pass(options, 0, kTraffic).corrupt, first.corrupt);
}

TEST(DcFaults, DropsRemoveExactlyTheRecordedBytesAndDelaysAreRecorded) {
  FaultOptions options;
  options.dropProbability = 0.05;
  options.delayProbability = 0.01;
  options.delayMs = 300;
  options.seed = 3;
  std::string numbered;
  for (int i = 0; i < 1000; ++i) numbered.push_back(static_cast<char>(i % 251));
  const Passed passed = Pass(options, 0, numbered);
  ASSERT_FALSE(passed.drop.empty());
  EXPECT_FALSE(passed.delay.empty());
  std::string expected;
  for (std::size_t i = 0; i < numbered.size(); ++i) {
    if (std::find(passed.drop.begin(), passed.drop.end(), i) == passed.drop.end()) expected.push_back(numbered[i]);
  }
  EXPECT_EQ(passed.out, expected);

  const Passed clean = Pass(FaultOptions{}, 0, kTraffic);
  EXPECT_EQ(clean.out, kTraffic);
  EXPECT_TRUE(clean.corrupt.empty() && clean.drop.empty() && clean.delay.empty());
}

}  // namespace
}  // namespace corvane::dc
