// Client receive, the request loop as a client of the Data
// Collector's server, and server mode, against a scripted Data Collector.
#include "session/result_codes.h"
#include "wide/server_loop.h"
#include "wide/wide_client.h"
#include "wide/wide_test_bed.h"

namespace corvane::testing {
namespace {

class WideClientTest : public WideTestBed {
 protected:
  // Runs a receive on a thread; name_ gets the name stored under.
  EngineThread StartReceive() {
    Session().cancelEvent.Reset();
    name_.clear();
    return EngineThread([this] { return WideClientTransfer(TransferCommand::Receive, "", name_, false); });
  }
  std::string name_;
};

TEST_F(WideClientTest, ReceiveEndsAsTheDataCollectorDecides) {
  const struct {
    std::vector<std::string> script;
    int result;
    std::string stored;
  } cases[] = {
      // The second D2 is a repeat after a lost Y: acknowledged again, written once.
      {{"<F1 job 1.txt 42", ">Y1", "<D2 hello", ">Y2", "<D2 hello", ">Y2", "<D3  world", ">Y3", "<Z4", ">Y4"},
       kResultSuccess, "JOB 1.TXT"},
      {{"<E1 File exists on the DC"}, kResultFileExists, ""},
      {{"<E1 file exists"}, kResultFailed, ""},
      {{"<I1"}, kResultUnexpectedPacket, ""},
      {{"<F1 no-size-no-space", ">E1 #255"}, kErrorCannotOpenFile, ""},
      {{"<F1 cut.txt 10", ">Y1", "<D2 12345", ">Y2", "!", "<D3 67890", ">E3 #258"}, kErrorCancelledByUser, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script[0]);
    EngineThread run = StartReceive();
    Play({"~", "<S0"});  // the receiver flushes the line as it starts, so the S goes out a moment later
    if (const std::string answer = Next(); answer != "Y0") {
      EXPECT_EQ(answer, "N0") << "flushed all the same: the engine asks again";
      Play({"<S0", ">Y0"});
    }
    Play(c.script);
    EXPECT_EQ(run.Result(3000), c.result);
    EXPECT_EQ(peer_.ReceiveUntilQuiet(50), "");
    if (!c.stored.empty()) {
      EXPECT_EQ(name_, c.stored);
    }
    EXPECT_FALSE(Exists("CUT.TXT")) << "a cancelled receive leaves no file";
  }
  EXPECT_EQ(ReadFile("JOB 1.TXT"), "hello world");
}

TEST_F(WideClientTest, RequestLoopOpensWithIThenAsks) {
  WriteFile("$KT1.tmp", "old");
  const struct {
    char start;
    std::string header, command;
    std::vector<std::string> script;
    EngineOutcome outcome;
    std::string stored;
  } cases[] = {
      {'r', "wanted.txt", "", {">I0", "<Y0", ">R0 wanted.txt", "<S0", ">Y0", "<F1 WANTED.TXT 4", ">Y1", "<D2 abcd",
                              ">Y2", "<Z3", ">Y3"}, EngineOutcome::Success, "abcd"},
      {'r', "wanted.txt", "", {">I0", "<Y0", ">R0 wanted.txt", "<S0", ">Y0", "<E1 no such file"},
       EngineOutcome::Failed, ""},
      {'g', "$KT1.tmp", "Cabc", {">I0", "<Y0", ">G0 C##abc", "<S0", ">Y0", "<X1 cd 6", ">Y1", "<D2 /abc\r\n", ">Y2",
                                 "<Z3", ">Y3"}, EngineOutcome::Success, "/abc\r\n"},
      {'g', "", "EJOB.CR5", {">I0", "<Y0", ">G0 E'JOB.CR5", "<Y0"}, EngineOutcome::Success, ""},
      // A NAKed I or request goes out again; a NAK in answer left both sides waiting.
      {'r', "wanted.txt", "", {">I0", "<N0", ">I0", "<Y0", ">R0 wanted.txt", "<N0", ">R0 wanted.txt", "<S0", ">Y0",
                              "<F1 WANTED.TXT 4", ">Y1", "<D2 abcd", ">Y2", "<Z3", ">Y3"}, EngineOutcome::Success, "abcd"},
      {'g', "$KT1.tmp", "D", {">I0", "<Y0", ">G0 D ", "<N0", ">G0 D ", "<S0", ">Y0", "<X1 dir 3", ">Y1",
                              "<D2 /\r\n", ">Y2", "<Z3", ">Y3"}, EngineOutcome::Success, "/\r\n"},
      // A stray request in the middle of the exchange names no file of it.
      {'r', "wanted.txt", "", {">I0", "<Y0", ">R0 wanted.txt", "<R0 ../evil.txt", "~", "<S0", ">Y0",
                              "<F1 WANTED.TXT 4", ">Y1", "<D2 abcd", ">Y2", "<Z3", ">Y3"}, EngineOutcome::Success, "abcd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script[2]);
    EngineThread loop([&c] {
      return static_cast<int>(WideServerLoop(WideRequest{c.start, c.command, c.header, c.start == 'g'}));
    });
    Play(c.script);
    EXPECT_EQ(loop.Result(3000), static_cast<int>(c.outcome));
    EXPECT_EQ(ReadFile(c.header == "$KT1.tmp" ? "$KT1.tmp" : "WANTED.TXT"), c.stored);
    std::filesystem::remove("WANTED.TXT");
  }
  EXPECT_FALSE(Exists("EVIL.TXT") || Exists("../evil.txt"));
}

// One server takes the scripts one after the other: each starts while it idles
// and leaves it idle again; the host's cancel then ends the loop with E 258.
TEST_F(WideClientTest, ServerTakesTheScriptsOneAfterTheOther) {
  std::filesystem::create_directories("served");
  WriteFile("served/ok.txt", "ok");
  const std::vector<std::string> scripts[] = {
      {"<I0", ">Y0", "<S0", ">Y0", "<F1 part.txt 10", ">Y1", "<D2 12345", ">Y2", "<B3", ">Y3"},
      {"<S0", ">Y0", "<F1 two.txt 2", ">Y1", "<D2 xy", ">Y2", "<Z3", ">Y3"},
      {"<S0", ">Y0", "<F1 two.txt 9", ">E1 File exists", "<I0", ">Y0"},
      {"<R0 missing.txt", ">S0", "<Y0", ">E0 #251"},
      {"<R0 served/ok.txt", ">S0", "<Y0", ">F1 ok.txt 2", "<Y1", ">D2 ok", "<Y2", ">Z3", "<Y3", "~"},
      {"<S0", ">Y0", "<R1 ../evil.txt", "~", "<F1 up.txt 2", ">Y1", "<D2 up", ">Y2", "<Z3", ">Y3", "~"},
      {"<G0 K", ">S0", ">E0 #249", "<H0", ">E0 #249"},
  };
  EngineThread server([] { return WideServerEntry(false); });
  Play({"~"});
  for (const auto& script : scripts) {
    SCOPED_TRACE(script[0] + " " + script[2]);
    Play(script);
  }
  Play({"!", ">E0 #258"});
  EXPECT_EQ(server.Result(3000), 0);
  EXPECT_FALSE(Exists("PART.TXT")) << "a break drops the partial upload";
  EXPECT_EQ(ReadFile("TWO.TXT"), "xy");
  EXPECT_EQ(ReadFile("UP.TXT"), "up") << "a stray request does not rename an upload";
}

}  // namespace
}  // namespace corvane::testing
