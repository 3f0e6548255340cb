// What goes wrong in the field before and around the protocol: a port that
// another program holds, a looped cable that spoils a byte, a Data Collector
// that only refuses or stays silent, and one that goes away mid-file.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <tuple>

#include "cli/command_workspace.h"
#include "common/pty_pair.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using FieldTrouble = CommandWorkspace;

TEST_F(FieldTrouble, APortThatAnotherProgramHoldsIsRefusedNamingThatProgram) {
  testing::DcFixture device(dc::Framing::Classic);
  ASSERT_TRUE(device.Start());
  // This test program holds the port as a terminal program would, locked.
  const int held = ::open(device.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
  testing::WriteFile(workspace_ / "A.TXT", "a");
  EXPECT_EQ(RunCorvane({"--port", device.SlavePath(), "--quiet", "send", "A.TXT"}), 3) << Output();
  EXPECT_NE(Output().find(device.SlavePath() + " is held open by cli_tests (pid " + std::to_string(::getpid()) + ")"),
            std::string::npos)
      << Output();
  ::close(held);
}

// A looped cable that changes one byte on its way back: the doctor's loopback
// check names that byte (the pattern is every byte value in order, twice).
TEST_F(FieldTrouble, TheLoopbackCheckNamesAByteThatCameBackWrong) {
  PtyPair loop;
  ASSERT_TRUE(loop.Open());
  std::atomic<bool> done{false};
  std::thread cable([&] {
    for (std::size_t passed = 0; !done;) {
      std::uint8_t bytes[1024];
      const std::size_t count = loop.Master().ReadAvailable(bytes, sizeof bytes, 20);
      for (std::size_t i = 0; i < count; ++i) bytes[i] ^= passed + i == 300 ? 0x04 : 0;
      passed += count;
      loop.Master().Write(bytes, count);
    }
  });
  ChildProcess corvane;
  ASSERT_TRUE(StartCorvane(corvane, {"doctor", "--port", loop.SlavePath(), "--loopback", "--baud", "9600"}));
  const std::optional<int> status = corvane.Wait(20000);
  done = true;
  cable.join();
  EXPECT_EQ(status, 1) << Output();
  EXPECT_NE(Output().find("512 of 512 bytes came back, 1 of them wrong (byte 300 sent 0x2C came back 0x28)"),
            std::string::npos)
      << Output();
}

// The wide request loop passes an E by and would wait for a file: a device
// that answers only with an error packet must still end the get, with no idle
// time-out, and a silent one ends it after the idle time-out.
TEST_F(FieldTrouble, AGetEndsWhenTheDataCollectorOnlyRefusesOrStaysSilent) {
  dc::FaultOptions refusing, silent;
  refusing.errorText = "File not found: MISSING.TXT";
  silent.silentAfterPackets = 0;
  const std::tuple<dc::FaultOptions, const char*, const char*> cases[] = {
      {refusing, "0", "the Data Collector reported: File not found: MISSING.TXT"},
      {silent, "2", "nothing moved for 2 s"}};
  for (const auto& [faults, idleTimeout, said] : cases) {
    dc::DeviceOptions options = testing::DeviceFor(dc::Framing::Wide);
    options.faults = faults;
    testing::DcFixture device(options);
    ASSERT_TRUE(device.Start());
    EXPECT_EQ(RunCorvane({"--port", device.SlavePath(), "--platform", "wide", "--quiet", "--idle-timeout", idleTimeout,
                          "get", "MISSING.TXT"}),
              1)
        << Output();
    EXPECT_NE(Output().find(said), std::string::npos) << Output();
    EXPECT_FALSE(fs::exists(workspace_ / "MISSING.TXT"));
  }
}

using DeviceVanishes = CrossingTest;

// The cable is pulled (the pty's other end closed) a few packets into a long
// file: the command ends as after its retries and says why; the wide engine
// leaves no partial file behind.
TEST_P(DeviceVanishes, MidTransferTheCommandEndsSayingSo) {
  auto device = DeviceWithFile(std::string(300000, 'x'));
  ASSERT_TRUE(device->Start());
  ChildProcess corvane;
  ASSERT_TRUE(StartCorvane(corvane, Arguments(device->SlavePath())));
  const auto guard = Clock::now() + std::chrono::seconds(20);
  while (device->Device().LogLines().size() < 12 && Clock::now() < guard) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(corvane.Running());
  device.reset();
  EXPECT_EQ(corvane.Wait(30000), 1) << Output();
  EXPECT_NE(Output().find("corvane: the serial device went away"), std::string::npos) << Output();
  if (GetParam().deviceSends) {
    EXPECT_FALSE(fs::exists(workspace_ / "FILE.DAT")) << Output();
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, DeviceVanishes, ::testing::ValuesIn(kCrossings), CrossingName);

}  // namespace
}  // namespace corvane
