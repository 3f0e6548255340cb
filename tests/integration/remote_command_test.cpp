// Directory listing, change of directory and erase on the Data Collector
// through the exported functions, on each engine's request path.
#include <gtest/gtest.h>

#include "integration/device_link.h"

namespace corvane::testing {
namespace {

using dc::Framing;

// Platform 1 asks with the classic request; any other value with the wide request loop.
struct CommandRoute {
  Framing framing;
  int platform;
  const char* name;
};

void PrintTo(const CommandRoute& route, std::ostream* out) { *out << route.name; }

class RemoteCommandTest : public DeviceLinkTest, public ::testing::WithParamInterface<CommandRoute> {
 protected:
  void SetUp() override {
    DeviceLinkTest::SetUp();
    WriteBytes(Served() / "A.TXT", "12345");
    std::filesystem::create_directory(Served() / "SUB");
    WriteBytes(Served() / "SUB" / "INNER.TXT", "xy");
    TransferSetOtherPlatform(GetParam().platform);
    UseDevice(GetParam().framing);
  }

  // Runs a listing and returns the reply file's content; the file is removed.
  std::string Listing() {
    EXPECT_TRUE(TransferDirectory("")) << TransferGetLastError() << "\n" << DeviceLog();
    std::string reply;
    EXPECT_TRUE(TransferGetOutputFilename(reply));
    const std::filesystem::path path = std::filesystem::absolute(reply);
    EXPECT_TRUE(path.filename().string().starts_with("$KT")) << reply;
    EXPECT_TRUE(std::filesystem::equivalent(path.parent_path(), std::filesystem::current_path()))
        << "reply files go to the current directory: " << reply;
    const std::string text = ReadBytes(path);
    std::filesystem::remove(path);
    return text;
  }
};

TEST_P(RemoteCommandTest, ListingFollowsAChangeOfDirectory) {
  EXPECT_EQ(Listing(), "/\r\nA.TXT 5\r\nSUB <DIR>\r\n");

  ASSERT_TRUE(TransferChangeDirectory("SUB")) << TransferGetLastError() << "\n" << DeviceLog();
  std::string reply;
  EXPECT_TRUE(TransferGetOutputFilename(reply));
  EXPECT_FALSE(std::filesystem::exists(reply)) << "the reply of a change of directory is removed";

  EXPECT_EQ(Listing(), "/SUB\r\nINNER.TXT 2\r\n");

  EXPECT_FALSE(TransferChangeDirectory("MISSING"));
  EXPECT_EQ(TransferGetLastError(), -21) << DeviceLog();
  EXPECT_EQ(FileNames(Pc()), std::vector<std::string>{}) << "no reply file is left behind";
}

TEST_P(RemoteCommandTest, EraseRemovesTheFileOnceAndThenFails) {
  ASSERT_TRUE(TransferDelete("A.TXT")) << TransferGetLastError() << "\n" << DeviceLog();
  EXPECT_FALSE(std::filesystem::exists(Served() / "A.TXT"));
  std::string reply;
  EXPECT_TRUE(TransferGetOutputFilename(reply));
  EXPECT_FALSE(std::filesystem::exists(reply));

  EXPECT_FALSE(TransferDelete("A.TXT"));
  EXPECT_EQ(TransferGetLastError(), -21) << DeviceLog();
  EXPECT_TRUE(std::filesystem::exists(Served() / "SUB" / "INNER.TXT"));
  EXPECT_EQ(FileNames(Pc()), std::vector<std::string>{}) << "no reply file is left behind";
}

const CommandRoute kCommandRoutes[] = {
    {Framing::Classic, 1, "ClassicRequest"},
    {Framing::Wide, 0, "WideLoopByPlatform0"},
    {Framing::Wide, 2, "WideLoopByPlatform2"},
};

INSTANTIATE_TEST_SUITE_P(Routes, RemoteCommandTest, ::testing::ValuesIn(kCommandRoutes),
                         [](const ::testing::TestParamInfo<CommandRoute>& info) { return info.param.name; });

}  // namespace
}  // namespace corvane::testing
