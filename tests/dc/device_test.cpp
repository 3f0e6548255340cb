// The device on a pty: its answers byte by byte, and its roles played against
// its own server role in both framings.
#include <gtest/gtest.h>

#include <random>

#include "dc/dc_test_support.h"
#include "support/dc_fixture.h"

namespace corvane::dc {
namespace {

using corvane::testing::DcFixture;
using corvane::testing::FromHex;
using testing::MixedBytes;
using testing::RawPc;
using testing::ReadFile;
using testing::WriteFile;

const std::string kFramingProbe = FromHex("01 29 20 53 7A 27 20 40 2D 23 47 0D");
const std::string kClassicPresenceProbe = FromHex("01 29 20 53 7A 27 20 40 2D 23 51 0D");
const std::string kWidePresenceProbe = FromHex("01 20 20 20 53 57");

TEST(DcDevice, WideDeviceAcknowledgesTheFramingProbeAndRefusesThePresenceProbe) {
  DcFixture dc(Framing::Wide);
  ASSERT_TRUE(dc.Start()) << dc.StartError();
  RawPc pc(dc.SlavePath(), Framing::Wide);
  ASSERT_TRUE(pc.IsOpen());
  pc.Send(kFramingProbe);
  EXPECT_EQ(pc.ReceiveHex(), "01 23 20 59 3E 0D") << dc.Log();
  pc.Send(kWidePresenceProbe);
  EXPECT_EQ(pc.ReceiveHex(), "01 20 20 20 4E 51") << dc.Log();
}

TEST(DcDevice, ClassicDeviceTakesBothProbesForDamage) {
  DcFixture dc(Framing::Classic);
  ASSERT_TRUE(dc.Start()) << dc.StartError();
  RawPc pc(dc.SlavePath(), Framing::Classic);
  ASSERT_TRUE(pc.IsOpen());
  for (const std::string& probe : {kFramingProbe, kClassicPresenceProbe}) {
    pc.Send(probe);
    EXPECT_EQ(pc.ReceiveHex(), "01 23 20 4E 33 0D") << dc.Log();
  }
  // The PC's proper Send-Init is answered with the device's parameters.
  pc.Send(FromHex("01 29 20 53 7A 27 20 40 2D 23 50 0D"));
  const ReadResult ack = pc.Read(ParseClassicFrame);
  ASSERT_EQ(ack.kind, ReadKind::Good) << dc.Log();
  EXPECT_EQ(ack.frame.packet.type, 'Y');
  EXPECT_EQ(ack.frame.packet.data, "~# @-#");
}

TEST(DcDevice, WideDeviceStoresAnUploadAndNaksADamagedPacket) {
  DeviceOptions options;
  options.framing = Framing::Wide;
  const std::filesystem::path logFile = std::filesystem::temp_directory_path() / ("corvane-dc-log-" + std::to_string(std::random_device{}()) + ".txt");
  options.logPath = logFile.string();
  DcFixture dc(options);
  ASSERT_TRUE(dc.Start()) << dc.StartError();
  RawPc pc(dc.SlavePath(), Framing::Wide);
  ASSERT_TRUE(pc.IsOpen());
  pc.Send(WideFrame({'S', 0, ""}));
  EXPECT_EQ(pc.ReceiveHex(), "01 20 20 20 59 5C");
  pc.Send(WideFrame({'F', 1, "JOB 1.TXT 4"}));
  EXPECT_EQ(pc.ReceiveHex(), corvane::testing::Hex(WideFrame({'Y', 1, ""})));
  std::string damaged = WideFrame({'D', 2, "a\r\n\x01"});
  damaged[6] = 'b';
  pc.Send(damaged);
  EXPECT_EQ(pc.ReceiveHex(), corvane::testing::Hex(WideFrame({'N', 2, ""}))) << dc.Log();
  pc.Send(WideFrame({'D', 2, "a\r\n\x01"}));
  EXPECT_EQ(pc.ReceiveHex(), corvane::testing::Hex(WideFrame({'Y', 2, ""})));
  pc.Send(WideFrame({'Z', 3, ""}));
  EXPECT_EQ(pc.ReceiveHex(), corvane::testing::Hex(WideFrame({'Y', 3, ""})));
  EXPECT_EQ(ReadFile(dc.Served() / "JOB 1.TXT"), "a\r\n\x01");
  dc.Stop();
  const std::string log = ReadFile(logFile);
  std::filesystem::remove(logFile);
  for (const char* line : {"<- S seq=0 len=0\n", "-> Y seq=0 len=0\n", "<- F seq=1 len=11 data=JOB 1.TXT 4\n",
                           "(bad check)\n-> N seq=2 len=0\n", "<- D seq=2 len=4 data=a\\x0D\\x0A\\x01\n"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line << " not in\n" << log;
  }
}

TEST(DcDevice, FaultOptionsSilenceAndRefuse) {
  DeviceOptions silent;
  silent.framing = Framing::Wide;
  silent.faults.silentAfterPackets = 1;
  DcFixture quiet(silent);
  ASSERT_TRUE(quiet.Start());
  RawPc pc(quiet.SlavePath(), Framing::Wide);
  pc.Send(kWidePresenceProbe);
  EXPECT_EQ(pc.ReceiveHex(), "01 20 20 20 4E 51");
  pc.Send(kWidePresenceProbe);
  EXPECT_EQ(pc.ReceiveHex(), "");
  EXPECT_NE(quiet.Log().find("silent, not sent"), std::string::npos);

  DeviceOptions refusing;
  refusing.framing = Framing::Wide;
  refusing.faults.errorText = "File exists";
  DcFixture busy(refusing);
  ASSERT_TRUE(busy.Start());
  RawPc other(busy.SlavePath(), Framing::Wide);
  other.Send(WideFrame({'S', 0, ""}));
  const ReadResult error = other.Read(ParseWideFrame);
  ASSERT_EQ(error.kind, ReadKind::Good);
  EXPECT_EQ(error.frame.packet.type, 'E');
  EXPECT_EQ(error.frame.packet.data, "File exists");
}

// A client device on the slave of a serving device's pty pair.
class Pair {
 public:
  Pair(Framing framing, int timeoutSeconds = 3)
      : framing_(framing), timeoutSeconds_(timeoutSeconds), server(ServerOptions(framing, timeoutSeconds)) {
    clientDir = server.Served().string() + "-client";
    std::filesystem::create_directory(clientDir);
  }
  ~Pair() {
    if (client_) client_->Stop();
    server.Stop();
    std::filesystem::remove_all(clientDir);
  }
  // Plays the script against the server; true when it ended within `timeoutMs`.
  bool Run(std::vector<Role> script, std::uint32_t timeoutMs, FaultOptions faults = {}) {
    DeviceOptions options;
    options.framing = framing_;
    options.directory = clientDir.string();
    options.script = std::move(script);
    options.faults = faults;
    options.timeoutSeconds = timeoutSeconds_;
    client_ = std::make_unique<SimulatedDevice>(options);
    return server.Start() && client_->Start(server.SlavePath()) && client_->WaitFinished(timeoutMs);
  }
  std::vector<Outcome> Outcomes() const { return client_->Outcomes(); }
  std::size_t FaultsInjected() const { return client_->OutgoingFaults().size() + client_->IncomingFaults().size(); }
  std::string Logs() {
    std::string text = "client:\n";
    for (const std::string& line : client_->LogLines()) text += line + "\n";
    return text + "server:\n" + server.Log();
  }

 private:
  static DeviceOptions ServerOptions(Framing framing, int timeoutSeconds) {
    DeviceOptions options;
    options.framing = framing;
    options.timeoutSeconds = timeoutSeconds;
    return options;
  }
  Framing framing_;
  int timeoutSeconds_;
  std::unique_ptr<SimulatedDevice> client_;

 public:
  DcFixture server;
  std::filesystem::path clientDir;
};

class DcRoles : public ::testing::TestWithParam<Framing> {};

TEST_P(DcRoles, ClientRolesAgainstTheServingDevice) {
  const std::string upload = MixedBytes(1500);
  const std::string download = MixedBytes(700) + "#\r\n";
  Pair pair(GetParam());
  WriteFile(pair.clientDir / "UP.BIN", upload);
  WriteFile(pair.server.Served() / "DOWN.BIN", download);
  WriteFile(pair.server.Served() / "OLD.TXT", "x");
  std::filesystem::create_directory(pair.server.Served() / "SUB");
  const std::vector<Role> script = {
      Role::Upload((pair.clientDir / "UP.BIN").string()),
      Role::Download("down.bin"),
      Role::Remote('E', "OLD.TXT"),
      Role::Remote('D', ""),
      Role::Remote('C', "sub"),
      Role::Remote('C', "MISSING"),
      Role::Download("NOPE.BIN"),
  };
  ASSERT_TRUE(pair.Run(script, 30000)) << pair.Logs();
  const std::vector<Outcome> outcomes = pair.Outcomes();
  ASSERT_EQ(outcomes.size(), script.size());
  for (std::size_t i = 0; i + 2 < outcomes.size(); ++i) EXPECT_TRUE(outcomes[i].success) << i << pair.Logs();
  EXPECT_TRUE(ReadFile(pair.server.Served() / "UP.BIN") == upload) << "differs: " << pair.server.Served() / "UP.BIN";
  EXPECT_TRUE(ReadFile(pair.clientDir / "DOWN.BIN") == download) << "differs: " << pair.clientDir / "DOWN.BIN";
  EXPECT_FALSE(std::filesystem::exists(pair.server.Served() / "OLD.TXT"));
  EXPECT_EQ(outcomes[2].reply, "Deleted file: OLD.TXT\r\n");
  EXPECT_EQ(outcomes[3].reply, "/\r\nDOWN.BIN 703\r\nSUB <DIR>\r\nUP.BIN 1500\r\n");
  EXPECT_EQ(outcomes[4].reply, "/SUB\r\n");
  EXPECT_FALSE(outcomes[5].success);
  EXPECT_NE(outcomes[5].remoteError.find("No such directory"), std::string::npos);
  EXPECT_FALSE(outcomes[6].success);
  EXPECT_NE(outcomes[6].remoteError.find("File not found"), std::string::npos);
}

TEST_P(DcRoles, SendToAReceivingDevice) {
  Pair pair(GetParam());
  const std::string content = MixedBytes(2000);
  WriteFile(pair.clientDir / "PUSH.DAT", content);
  ASSERT_TRUE(pair.Run({Role::Send((pair.clientDir / "PUSH.DAT").string())}, 20000)) << pair.Logs();
  ASSERT_TRUE(pair.Outcomes().at(0).success) << pair.Logs();
  EXPECT_TRUE(ReadFile(pair.server.Served() / "PUSH.DAT") == content) << "differs: " << pair.server.Served() / "PUSH.DAT";
  const bool announced = pair.Logs().find("framing probe") != std::string::npos;
  EXPECT_EQ(announced, GetParam() == Framing::Wide) << "only a wide device announces its framing";
}

TEST_P(DcRoles, TransfersSurviveLineNoise) {
  Pair pair(GetParam(), 1);
  const std::string content = MixedBytes(3000);
  WriteFile(pair.clientDir / "NOISY.BIN", content);
  WriteFile(pair.server.Served() / "BACK.BIN", content);
  FaultOptions noise;
  // Rare enough that a 512-byte frame mostly gets through, as on a real line.
  noise.corruptProbability = 0.0008;
  noise.dropProbability = 0.0004;
  noise.seed = 5;
  const std::vector<Role> script = {Role::Upload((pair.clientDir / "NOISY.BIN").string()), Role::Download("BACK.BIN")};
  ASSERT_TRUE(pair.Run(script, 90000, noise)) << pair.Logs();
  for (const Outcome& outcome : pair.Outcomes()) EXPECT_TRUE(outcome.success) << outcome.detail << pair.Logs();
  EXPECT_TRUE(ReadFile(pair.server.Served() / "NOISY.BIN") == content) << "differs: " << pair.server.Served() / "NOISY.BIN";
  EXPECT_TRUE(ReadFile(pair.clientDir / "BACK.BIN") == content) << "differs: " << pair.clientDir / "BACK.BIN";
  EXPECT_GT(pair.FaultsInjected(), 0u);
}

INSTANTIATE_TEST_SUITE_P(BothFramings, DcRoles, ::testing::Values(Framing::Classic, Framing::Wide),
                         [](const ::testing::TestParamInfo<Framing>& info) {
                           return info.param == Framing::Wide ? "Wide" : "Classic";
                         });

}  // namespace
}  // namespace corvane::dc
