// The COM port backend over a null-modem cable between COM8 and COM9 (ptys
// that with_com_cable.sh maps into the Wine prefix).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/port_list.h"
#include "platform/scratch_directory.h"
#include "platform/tty.h"

namespace corvane {
namespace {

std::string ReadAll(TtyDevice& device, std::size_t expected) {
  std::string text;
  while (text.size() < expected && device.WaitReadable(1000)) {
    std::uint8_t buffer[4096];
    text.append(reinterpret_cast<char*>(buffer), device.ReadNow(buffer, sizeof buffer));
  }
  return text;
}

bool WriteText(TtyDevice& device, const std::string& text) {
  return device.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

TEST(ComPort, NamesOpensAndCarriesBytesBothWays) {
  EXPECT_EQ(ComPortPath(12), "\\\\.\\COM12");
  TtyDevice pc, device;
  ASSERT_TRUE(pc.Open("COM8"));
  ASSERT_TRUE(device.Open(ComPortPath(9)));
  // A missing port is the end-to-end test's (exit 3 and its explanation).
  TtyDevice refused;
  testing::ScratchDirectory scratch;
  scratch.WriteFile("PLAIN.TXT", "not a port");
  EXPECT_FALSE(refused.Open(scratch.PathOf("PLAIN.TXT")));
  EXPECT_EQ(refused.LastOpenFailure(), OpenFailure::NotATty);
  std::string systemError;
  EXPECT_EQ(TtyDevice::TryOpen("COM99", systemError), OpenFailure::Missing);

  ASSERT_TRUE(pc.Apply(9600, kParityEven, 7));
  EXPECT_EQ(pc.CurrentSettings()->baudRate, 9600);
  EXPECT_FALSE(pc.Apply(12345, kParityNone, 8));  // no such rate
  ASSERT_TRUE(pc.Apply(38400, kParityNone, 8));
  EXPECT_EQ(pc.CurrentSettings()->baudRate, 38400);

  ASSERT_TRUE(WriteText(pc, "S~* @-#Y1~\r"));
  EXPECT_EQ(ReadAll(device, 11), "S~* @-#Y1~\r");
  const std::string block(3000, '\xA5');
  ASSERT_TRUE(WriteText(device, block));
  EXPECT_TRUE(ReadAll(pc, block.size()) == block);  // not EXPECT_EQ: 3000 bytes in a failure message
  EXPECT_FALSE(pc.WaitReadable(50));  // a quiet line
}

// A byte that the wait has taken counts as waiting, is handed out first, and
// goes with a purge.
TEST(ComPort, TheByteAWaitTookIsNeitherLostNorKeptPastAPurge) {
  TtyDevice pc, device;
  ASSERT_TRUE(pc.Open("COM8"));
  ASSERT_TRUE(device.Open("COM9"));
  ASSERT_TRUE(WriteText(device, "A"));
  ASSERT_TRUE(pc.WaitReadable(2000));
  EXPECT_EQ(pc.BytesWaiting(), 1u);
  ASSERT_TRUE(WriteText(device, "BC"));
  ::Sleep(200);
  std::uint8_t buffer[8];
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), pc.ReadNow(buffer, sizeof buffer)), "ABC");

  ASSERT_TRUE(WriteText(device, "D"));
  ASSERT_TRUE(pc.WaitReadable(2000));
  EXPECT_TRUE(pc.PurgeInput());
  EXPECT_EQ(pc.BytesWaiting(), 0u);
  EXPECT_EQ(pc.ReadNow(buffer, sizeof buffer), 0u);
}

// The ports come from the registry's list of serial devices.
TEST(ComPort, ListsThePortsTheRegistryNames) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const char kComName[] = "COM42";
  ::RegSetValueExA(key, "\\Device\\CorvaneTest", 0, REG_SZ, reinterpret_cast<const BYTE*>(kComName), sizeof kComName);
  const std::vector<SerialPortInfo> ports = ListSerialPorts();
  ::RegDeleteValueA(key, "\\Device\\CorvaneTest");
  ::RegCloseKey(key);
  const auto listed = std::find_if(ports.begin(), ports.end(), [](const SerialPortInfo& port) {
    return port.path == "COM42";
  });
  ASSERT_NE(listed, ports.end());
  EXPECT_EQ(listed->description, "\\Device\\CorvaneTest");
}

}  // namespace
}  // namespace corvane
