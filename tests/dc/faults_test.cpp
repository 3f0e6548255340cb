// Fault injection: reproducible from its seed, and doing what it says.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "corvane-dc/faults.h"

namespace corvane::dc {
namespace {

struct Passed {
  std::string out;
  std::vector<std::size_t> offsets[3];  // of each FaultKind
};

Passed Pass(const FaultOptions& options, std::uint32_t direction, const std::string& traffic) {
  FaultInjector injector(options, direction);
  Passed passed;
  for (char c : traffic) {
    const FaultInjector::Decision decision = injector.Next(static_cast<std::uint8_t>(c));
    if (!decision.drop) passed.out.push_back(static_cast<char>(decision.byte));
  }
  for (const FaultEvent& event : injector.Events()) {
    passed.offsets[static_cast<int>(event.kind)].push_back(event.offset);
  }
  return passed;
}

TEST(DcFaults, TheSameSeedCorruptsTheSameBytesAndNothingElseDoes) {
  const std::string traffic(4000, 'k');
  FaultOptions options;
  options.corruptProbability = 0.02;
  options.seed = 7;
  const Passed first = Pass(options, 0, traffic);
  const std::vector<std::size_t>& corrupted = first.offsets[static_cast<int>(FaultKind::Corrupt)];
  EXPECT_EQ(Pass(options, 0, traffic).out, first.out);
  // Around 2 % of 4000 bytes; a generous band still catches a probability ignored.
  EXPECT_GT(corrupted.size(), 40u);
  EXPECT_LT(corrupted.size(), 140u);
  for (std::size_t offset : corrupted) EXPECT_NE(first.out[offset], 'k') << offset;
  EXPECT_EQ(std::count(first.out.begin(), first.out.end(), 'k'), 4000 - static_cast<long>(corrupted.size()));
  EXPECT_NE(Pass(options, 1, traffic).out, first.out) << "the two directions of a line differ";
  options.seed = 8;
  EXPECT_NE(Pass(options, 0, traffic).out, first.out);
  EXPECT_EQ(Pass(FaultOptions{}, 0, traffic).out, traffic);
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
  const std::vector<std::size_t>& drops = passed.offsets[static_cast<int>(FaultKind::Drop)];
  ASSERT_FALSE(drops.empty());
  EXPECT_FALSE(passed.offsets[static_cast<int>(FaultKind::Delay)].empty());
  std::string expected;
  for (std::size_t i = 0; i < numbered.size(); ++i) {
    if (std::find(drops.begin(), drops.end(), i) == drops.end()) expected.push_back(numbered[i]);
  }
  EXPECT_EQ(passed.out, expected);
}

}  // namespace
}  // namespace corvane::dc
