// Fault injection: reproducible from its seed, and doing what it says.
#include <gtest/gtest.h>

#include <string>

#include "corvane-dc/faults.h"

namespace corvane::dc {
namespace {

std::string Pass(FaultInjector& injector, const std::string& bytes) {
  std::string out;
  for (char c : bytes) {
    const FaultInjector::Decision decision = injector.Next(static_cast<std::uint8_t>(c));
    if (!decision.drop) out.push_back(static_cast<char>(decision.byte));
  }
  return out;
}

std::vector<std::size_t> Offsets(const FaultInjector& injector, FaultKind kind) {
  std::vector<std::size_t> offsets;
  for (const FaultEvent& event : injector.Events()) {
    if (event.kind == kind) offsets.push_back(event.offset);
  }
  return offsets;
}

const std::string kTraffic(4000, 'k');

TEST(DcFaults, TheSameSeedCorruptsTheSameBytes) {
  FaultOptions options;
  options.corruptProbability = 0.02;
  options.seed = 7;
  FaultInjector first(options, 0);
  FaultInjector second(options, 0);
  const std::string a = Pass(first, kTraffic);
  const std::string b = Pass(second, kTraffic);
  EXPECT_EQ(a, b);
  EXPECT_EQ(Offsets(first, FaultKind::Corrupt), Offsets(second, FaultKind::Corrupt));
  // Around 2 % of 4000 bytes; a generous band still catches a probability ignored.
  const std::size_t corrupted = Offsets(first, FaultKind::Corrupt).size();
  EXPECT_GT(corrupted, 40u);
  EXPECT_LT(corrupted, 140u);
  for (std::size_t offset : Offsets(first, FaultKind::Corrupt)) EXPECT_NE(a[offset], 'k') << offset;

  options.seed = 8;
  FaultInjector other(options, 0);
  Pass(other, kTraffic);
  EXPECT_NE(Offsets(first, FaultKind::Corrupt), Offsets(other, FaultKind::Corrupt));
  // The two directions of one line do not mirror each other.
  FaultInjector incoming(FaultOptions{options.corruptProbability, 0, 0, 0, 7, -1, {}}, 1);
  Pass(incoming, kTraffic);
  EXPECT_NE(Offsets(first, FaultKind::Corrupt), Offsets(incoming, FaultKind::Corrupt));
}

TEST(DcFaults, DropsRemoveBytesAndDelaysHoldThem) {
  FaultOptions options;
  options.dropProbability = 0.05;
  options.delayProbability = 0.01;
  options.delayMs = 300;
  options.seed = 3;
  FaultInjector injector(options, 0);
  std::string numbered;
  for (int i = 0; i < 1000; ++i) numbered.push_back(static_cast<char>(i % 251));
  const std::string out = Pass(injector, numbered);
  const std::vector<std::size_t> drops = Offsets(injector, FaultKind::Drop);
  ASSERT_FALSE(drops.empty());
  EXPECT_EQ(out.size(), numbered.size() - drops.size());
  std::string expected;
  std::size_t next = 0;
  for (std::size_t i = 0; i < numbered.size(); ++i) {
    if (next < drops.size() && drops[next] == i) {
      ++next;
      continue;
    }
    expected.push_back(numbered[i]);
  }
  EXPECT_EQ(out, expected);
  EXPECT_FALSE(Offsets(injector, FaultKind::Delay).empty());
}

TEST(DcFaults, NoProbabilityNoFault) {
  FaultInjector injector(FaultOptions{}, 0);
  EXPECT_EQ(Pass(injector, kTraffic), kTraffic);
  EXPECT_TRUE(injector.Events().empty());
}

}  // namespace
}  // namespace corvane::dc
