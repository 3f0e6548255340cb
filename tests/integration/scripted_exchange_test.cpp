// The exported functions against a scripted Data Collector, packet by packet,
// in both framings and in server mode: the exchanges a well-behaved device does
// not make on its own (repeats, NAKs, damage, error packets, stray requests, a cancel).
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>

#include <gtest/gtest.h>

#include "corvane32/corvane32.h"
#include "platform/scratch_directory.h"
#include "session/transfer_session.h"
#include "support/files.h"
#include "support/scripted_peer.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;
using dc::Framing;
using enum dc::Framing;

const std::string kPcInit = "z' @-#";
const std::string kPeerInit = "~/ @-#";  // MAXL 94, TIME 15, EOL CR, prefix '#'
const std::string kNotCoordinates = "This is not a valid coordinate file. (Message: #KER-120).";
// The classic receive's opening, and the probes that open a get or a remote command.
const std::vector<std::string> kClassicOpen = {"<S0 " + kPeerInit, ">Y0 " + kPcInit};
const std::vector<std::string> kClassicProbe = {">S0 " + kPcInit + " BADCHECK", "<N0"};
const std::vector<std::string> kWideProbe = {">S0 BADCHECK", "<Y0"};
// What the reply file of a remote command holds, under this name in `after`.
const std::string kReply = "(reply)";

struct ScriptedCase {
  const char* name;
  Framing framing;
  int platform;  // TransferSetOtherPlatform
  std::function<bool()> operation;
  std::vector<std::vector<std::string>> script;  // parts played one after the other
  int result;
  std::vector<std::pair<std::string, std::optional<std::string>>> after;  // files and their content; nothing: absent
};
void PrintTo(const ScriptedCase& c, std::ostream* out) { *out << c.name; }

const std::string kUpload = "one\ntwo\n" + std::string(150, 'x') + "\n";
const std::vector<std::string> kSendOpen = {">S0 " + kPcInit, "<Y0 " + kPeerInit, ">F1 UP.TXT"};
const std::vector<std::string> kDelivered = {">Y1", "<D2 data", ">Y2", "<Z3", ">Y3", "<B4", ">Y4"};
const std::vector<std::string> kCannotOpen = {">E2  Can't open remote file (Message: #KER-109)"};
const std::vector<std::string> kPartOfAFile = {"<F1 PART.TXT", ">Y1", "<D2 part#M#J", ">Y2"};
const std::vector<std::string> kWideGetOpen = {">I0", "<Y0", ">R0 wanted.txt"};
const std::vector<std::string> kWideWanted = {"<S0", ">Y0", "<F1 WANTED.TXT 4", ">Y1", "<D2 abcd", ">Y2", "<Z3", ">Y3"};

// The operations that several cases run.
const std::function<bool()> kReceive = [] { return TransferReceive(""); };
const std::function<bool()> kSendUp = [] { return TransferSend("up.txt", ""); };
const std::function<bool()> kGetJob1 = [] { return TransferGet("JOB1.TXT", ""); };
const std::function<bool()> kGetWanted = [] { return TransferGet("wanted.txt", ""); };
const std::function<bool()> kGetHashName = [] { return TransferGet("A#B.TXT", ""); };

const ScriptedCase kCases[] = {
    // Classic receive: data before the header is not acknowledged; a wanted name beats the header's.
    {"ClassicReceiveUnderTheWantedName", Classic, 0, [] { return TransferReceive("WANTED.TXT"); },
     {kClassicOpen, {"<D1 early", "~", "<F1 OTHER.TXT", ">Y1", "<D2 late#J", ">Y2", "<Z3", ">Y3", "<B4", ">Y4"}}, 0,
     {{"WANTED.TXT", "late\r\n"}, {"OTHER.TXT", std::nullopt}}},
    // A header names a file, never a path: its last part lands here, and one that names no plain file is refused.
    {"ClassicReceiveHeaderPathLandsHere", Classic, 0, kReceive,
     {kClassicOpen, {"<F1 ../in.txt"}, kDelivered}, 0,
     {{"IN.TXT", "data\r\n"}, {"../in.txt", std::nullopt}, {"../IN.TXT", std::nullopt}}},
    {"ClassicReceiveHeaderEndingInAParentStep", Classic, 0, kReceive,
     {kClassicOpen, {"<F1 SUB/.."}, kCannotOpen}, -21, {}},
    // However a receive ends early, what arrived stays.
    {"ClassicReceiveEndedByThePeer", Classic, 0, kReceive,
     {kClassicOpen, kPartOfAFile, {"<E3 Disk full"}}, -21, {{"PART.TXT", "part\r\n"}}},
    {"ClassicReceiveGivesUpOnDamage", Classic, 0, kReceive,
     {kClassicOpen, kPartOfAFile, {"?", ">N3", "?", ">N3", "?", ">N3", "?", ">N3", "?", ">N3", "?", ">N3", "?"}}, -21,
     {{"PART.TXT", "part\r\n"}}},
    {"ClassicReceiveCancelled", Classic, 0, kReceive,
     {kClassicOpen, kPartOfAFile, {"!", ">E4 Transfer ended by user."}}, -21, {{"PART.TXT", "part\r\n"}}},
    {"ClassicReceiveRefusesALineThatIsNoPoint", Classic, 0, kReceive,
     {kClassicOpen, {"<F1 JOB.CR5", ">Y1", "<D2 12,abc#M#J", ">Y2", ">E4 " + kNotCoordinates}}, -21, {}},
    // Classic send: D packets fill the peer's length; a NAK of the next packet counts as its ACK;
    // the break's ACK is not awaited. The peer's error text tells "file exists" from a failure.
    {"ClassicSend", Classic, 0, kSendUp,
     {kSendOpen, {"<Y1", ">D2 one#M#J", "<Y2", ">D3 two#M#J", "<N4", ">D4 " + std::string(90, 'x'), "<Y4",
                  ">D5 " + std::string(60, 'x') + "#M#J", "<Y5", ">Z6", "<Y6", ">B7"}}, 0, {}},
    {"ClassicSendFileExists", Classic, 0, kSendUp, {kSendOpen, {"<E1 File exists"}}, -25, {}},
    {"ClassicSendFileExistsWithName", Classic, 0, kSendUp, {kSendOpen, {"<E1 File exists: UP.TXT"}}, -25, {}},
    {"ClassicSendOtherTextInLowerCase", Classic, 0, kSendUp, {kSendOpen, {"<E1 file exists"}}, -21, {}},
    {"ClassicSendOtherTextCut", Classic, 0, kSendUp, {kSendOpen, {"<E1 File exist"}}, -21, {}},
    // Classic get: the server's answer decides; the request goes out encoded.
    {"ClassicGetNotFound", Classic, 0, kGetHashName,
     {kClassicProbe, {">I0 " + kPcInit, "<Y0 ^) @-#", ">R0 A##B.TXT", "<E1 File not found"}}, -21, {}},
    {"ClassicGetFileExists", Classic, 0, kGetHashName,
     {kClassicProbe, {">I0 " + kPcInit, "<Y0 ^) @-#", ">R0 A##B.TXT", "<E1 File exists"}}, -25, {}},
    {"ClassicGetOfNoPoints", Classic, 0, [] { return TransferGet("JOB.CR5", ""); },
     {kClassicProbe, {">I0 " + kPcInit, "<E0 x", ">R0 JOB.CR5"}, kClassicOpen,
      {"<F1 JOB.CR5", ">Y1", "<D2 no point#M#J", ">E3 " + kNotCoordinates}}, -21, {}},
    {"ClassicGetAnsweredByACommand", Classic, 0, kGetJob1,
     {kClassicProbe, {">I0 " + kPcInit, "<G0 E(GONE.TXT", ">S0 " + kPcInit, "<Y0 " + kPeerInit, ">X1 ERASE", "<Y1",
       ">D2 Deleted file: GONE.TXT#M#J", "<Y2", ">Z3", "<Y3", ">B4", "<Y4"}}, 0, {{"GONE.TXT", std::nullopt}}},
    {"ClassicGetAnsweredByAnUnknownCommand", Classic, 0, kGetJob1,
     {kClassicProbe, {">I0 " + kPcInit, "<G0 Q", ">S0 " + kPcInit, "<Y0 " + kPeerInit,
       ">E1  Unknown server command (Message: #KER-103)"}}, -21, {}},
    {"ClassicGetCancelled", Classic, 0, kGetJob1,
     {kClassicProbe, {">I0 " + kPcInit, "!", ">E1 Transfer ended by user."}}, -21, {}},
    // Classic remote commands: the command goes out encoded once; a short answer is kept.
    {"ClassicChangeDirectory", Classic, 1, [] { return TransferChangeDirectory("ABC"); },
     {kClassicProbe, {">I0 " + kPcInit, "<Y0 " + kPeerInit, ">G0 C##ABC", "<Y0 Now in ABC#M#J"}}, 0, {}},
    {"ClassicDirectory", Classic, 1, [] { return TransferDirectory("A#B"); },
     {kClassicProbe, {">I0 " + kPcInit, "<Y0 " + kPeerInit, ">G0 D##A##B", "<Y0 A##B#M#J"}}, 0,
     {{kReply, "A#B\r\n"}}},
    {"ClassicDirectoryOfAControlByte", Classic, 1, [] { return TransferDirectory("\x01"); },
     {kClassicProbe, {">I0 " + kPcInit, "<Y0 " + kPeerInit, ">G0 D!#A", "<Y0 x"}}, 0, {{kReply, "x\r\n"}}},

    // Wide receive: a repeated data packet after a lost Y is acknowledged again and written once.
    {"WideReceive", Wide, 2, kReceive,
     {{"<S0", ">Y0", "<F1 job 1.txt 42", ">Y1", "<D2 hello", ">Y2", "<D2 hello", ">Y2", "<D3  world", ">Y3", "<Z4",
       ">Y4"}}, 0, {{"JOB 1.TXT", "hello world"}}},
    {"WideReceiveFileExists", Wide, 2, kReceive, {{"<S0", ">Y0", "<E1 File exists on the DC"}}, -25, {}},
    {"WideReceiveOtherText", Wide, 2, kReceive, {{"<S0", ">Y0", "<E1 file exists"}}, -21, {}},
    {"WideReceiveUnexpectedPacket", Wide, 2, kReceive, {{"<S0", ">Y0", "<I1"}}, -7, {}},
    {"WideReceiveHeaderWithoutSize", Wide, 2, kReceive, {{"<S0", ">Y0", "<F1 no-size-no-space", ">E1 #255"}}, 255, {}},
    {"WideReceiveCancelledLeavesNoFile", Wide, 2, kReceive,
     {{"<S0", ">Y0", "<F1 cut.txt 10", ">Y1", "<D2 12345", ">Y2", "!", "<D3 67890", ">E3 #258"}}, 258,
     {{"CUT.TXT", std::nullopt}}},
    // Wide get through the request loop: a NAKed I or request goes out again; a stray
    // request in the middle of the exchange names no file of it.
    {"WideGet", Wide, 2, kGetWanted, {kWideGetOpen, kWideWanted}, 0, {{"WANTED.TXT", "abcd"}}},
    {"WideGetRefused", Wide, 2, kGetWanted,
     {kWideGetOpen, {"<S0", ">Y0", "<E1 no such file"}}, -21, {{"WANTED.TXT", std::nullopt}}},
    {"WideGetAfterNaks", Wide, 2, kGetWanted,
     {{">I0", "<N0", ">I0", "<Y0", ">R0 wanted.txt", "<N0", ">R0 wanted.txt"}, kWideWanted}, 0,
     {{"WANTED.TXT", "abcd"}}},
    {"WideGetPastAStrayRequest", Wide, 2, kGetWanted,
     {kWideGetOpen, {"<R0 ../evil.txt", "~"}, kWideWanted}, 0,
     {{"WANTED.TXT", "abcd"}, {"EVIL.TXT", std::nullopt}, {"../evil.txt", std::nullopt}}},
    // Wide remote commands: the length character '#' goes out doubled; a NAKed command goes out again;
    // a reply header sent again (its Y was lost) is acknowledged again, not taken for a cancel.
    {"WideChangeDirectory", Wide, 2, [] { return TransferChangeDirectory("abc"); },
     {kWideProbe, {">I0", "<Y0", ">G0 C##abc", "<S0", ">Y0", "<X1 cd 6", ">Y1", "<D2 /abc\r\n", ">Y2", "<Z3", ">Y3"}},
     0, {}},
    {"WideDeleteAnsweredWithAY", Wide, 2, [] { return TransferDelete("JOB.CR5"); },
     {kWideProbe, {">I0", "<Y0", ">G0 E'JOB.CR5", "<Y0"}}, 0, {}},
    {"WideDirectoryAfterANakAndARepeatedHeader", Wide, 2, [] { return TransferDirectory(""); },
     {kWideProbe, {">I0", "<Y0", ">G0 D ", "<N0", ">G0 D ", "<S0", ">Y0", "<X1 dir 3", ">Y1", "<X1 dir 3", ">Y1",
                   "<D2 /\r\n", ">Y2", "<Z3", ">Y3"}}, 0, {{kReply, "/\r\n"}}},
    // Server mode takes the scripts one after the other: each starts while it idles and
    // leaves it idle again; a break drops a partial upload; the cancel is told with E 258.
    {"WideServerTakesTheScriptsOneAfterTheOther", Wide, 2, [] { return TransferServer(); },
     {{"<I0", ">Y0", "<S0", ">Y0", "<F1 part.txt 10", ">Y1", "<D2 12345", ">Y2", "<B3", ">Y3"},
      {"<S0", ">Y0", "<F1 two.txt 2", ">Y1", "<D2 xy", ">Y2", "<Z3", ">Y3"},
      {"<S0", ">Y0", "<F1 two.txt 9", ">E1 File exists", "<I0", ">Y0"},
      {"<R0 missing.txt", ">S0", "<Y0", ">E0 #251"},
      {"<R0 SUB/ok.txt", ">S0", "<Y0", ">F1 ok.txt 2", "<Y1", ">D2 ok", "<Y2", ">Z3", "<Y3", "~"},
      {"<S0", ">Y0", "<R1 ../evil.txt", "~", "<F1 new.txt 2", ">Y1", "<D2 up", ">Y2", "<Z3", ">Y3", "~"},
      {"<G0 K", ">S0", ">E0 #249", "<H0", ">E0 #249"},
      {"!", ">E0 #258"}},
     0, {{"PART.TXT", std::nullopt}, {"TWO.TXT", "xy"}, {"NEW.TXT", "up"}, {"EVIL.TXT", std::nullopt}}},
};

class ScriptedExchangeTest : public ::testing::TestWithParam<ScriptedCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(peer_.IsReady());
    const fs::path pc = fs::path(scratch_.Path()) / "pc";
    fs::create_directory(pc);
    fs::current_path(pc);
    WriteFile("up.txt", kUpload);
    WriteFile("GONE.TXT", "bye");
    fs::create_directory("SUB");
    WriteFile("SUB/ok.txt", "ok");
    TransferSetOtherPlatform(GetParam().platform);
  }
  void TearDown() override {
    TransferSetOtherPlatform(1);
    fs::current_path(previous_);
  }

  // A Data Collector speaks first only once the operation has flushed the line,
  // which it does at once after it counts itself busy; the pause is slack for a loaded machine.
  static void WaitForTheOperation() {
    for (int i = 0; i < 1000 && Session().busyEvent.Wait(0) != WaitResult::Signalled; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }

  fs::path previous_ = fs::current_path();
  ScratchDirectory scratch_;  // pc/ in it is the PC's directory, so that ../ stays in the scratch directory
  ScriptedPeer peer_{GetParam().framing};
};

TEST_P(ScriptedExchangeTest, EndsAsTheDataCollectorDecides) {
  const ScriptedCase& c = GetParam();
  std::thread device([&] {
    if (c.script[0][0][0] == '<') WaitForTheOperation();
    for (const auto& part : c.script) peer_.Play(part);
  });
  const bool succeeded = c.operation();
  device.join();
  EXPECT_EQ(TransferGetLastError(), c.result);
  EXPECT_EQ(succeeded, c.result == 0);
  EXPECT_EQ(Hex(peer_.ReceiveUntilQuiet(100)), "") << "nothing more on the line";
  std::string reply;
  TransferGetOutputFilename(reply);
  for (const auto& [name, content] : c.after) {
    const std::string path = name == kReply ? reply : name;
    EXPECT_EQ(fs::exists(path), content.has_value()) << name;
    if (content) {
      EXPECT_EQ(ReadFile(path), *content) << name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ScriptedExchangeTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvane::testing
