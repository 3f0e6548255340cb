// Server mode driven by a scripted Data Collector: uploads, downloads, generic
// commands, and the ways an exchange ends.
#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>
#include <thread>

#include "api/transfer_session.h"
#include "hostfiles/server_root.h"
#include "hostfiles/transfer_slots.h"
#include "wide/server_loop.h"
#include "wide/wide_context.h"
#include "wide/wide_test_bed.h"

namespace corvane::testing {
namespace {

class WideServerTest : public WideTestBed {
 protected:
  EngineThread StartServer() {
    return EngineThread([] { return WideServerEntry(0); });
  }
  void AwaitServer() { std::this_thread::sleep_for(std::chrono::milliseconds(100)); }

  void Upload(const std::string& header, const std::string& data) {
    Play({"<S0", ">Y0"});
    Send('F', 1, header);
    Play({">Y1"});
    Send('D', 2, data);
    Play({">Y2", "<Z3", ">Y3"});
  }

  // Takes a download after the S; returns the header, described, and the data.
  std::pair<std::string, std::string> Download() {
    Send('Y', 0);
    const std::string header = Next();
    Send('Y', 1);
    std::string data;
    for (int seq = 2;; ++seq) {
      const auto frame = NextFrame();
      if (!frame || frame->type != 'D') {
        EXPECT_EQ(Describe(frame), "Z" + std::to_string(seq));
        Send('Y', seq);
        // The server flushes the line after this Y; a Data Collector waits before its next request.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return {header, data};
      }
      data += frame->data;
      Send('Y', seq);
    }
  }

  void StopWhileIdle(EngineThread& server) {
    Session().cancelEvent.Set();
    EXPECT_EQ(Next(), "E0 #258");
    EXPECT_EQ(server.Result(3000), 0);
    EXPECT_EQ(WideFlags().serverMode, 0);
  }
};

TEST_F(WideServerTest, TakesUploadsInARowAndRefusesAnExistingFile) {
  EngineThread server = StartServer();
  AwaitServer();
  Play({"<I0", ">Y0"});
  Upload("one.txt 3", "abc");
  Upload("two.txt 2", "xy");
  Play({"<S0", ">Y0", "<F1 one.txt 9"});
  const auto refusal = NextFrame();
  EXPECT_EQ(Describe(refusal), "E1 File exists");
  EXPECT_EQ(refusal->length, 11);
  Play({"<I0", ">Y0"});  // still serving
  StopWhileIdle(server);
  EXPECT_EQ(ReadFile("ONE.TXT"), "abc");
  EXPECT_EQ(ReadFile("TWO.TXT"), "xy");
}

TEST_F(WideServerTest, BreakDropsThePartialUploadAndHeaderPathsStayHere) {
  EngineThread server = StartServer();
  AwaitServer();
  Play({"<S0", ">Y0", "<F1 part.txt 10", ">Y1", "<D2 12345", ">Y2"});
  EXPECT_TRUE(Exists("PART.TXT"));
  Play({"<B3", ">Y3"});

  std::filesystem::create_directory(Here() / "inner");
  Upload("../esc.txt 1", "e");
  Upload("inner/../../esc2.txt 1", "f");
  EXPECT_FALSE(Exists("PART.TXT"));  // gone since the B (checked once the server has moved on)
  StopWhileIdle(server);
  EXPECT_EQ(ReadFile("ESC.TXT"), "e");
  EXPECT_EQ(ReadFile("ESC2.TXT"), "f");
  EXPECT_FALSE(std::filesystem::exists(Here().parent_path() / "ESC.TXT"));
}

TEST_F(WideServerTest, ServesFilesAndAnswersWhatItCannotDo) {
  std::string content;
  for (int i = 0; i < 600; ++i) content += static_cast<char>(255 - i % 256);
  WriteFile("HAVE.TXT", content);
  EngineThread server = StartServer();
  AwaitServer();

  Play({"<R0 missing.txt", ">S0", "<Y0", ">E0 #251", "<R0 have.txt", ">S0"});
  EXPECT_EQ(Download(), std::make_pair(std::string("F1 have.txt 600"), content));
  Play({"<G0 K", ">S0", ">E0 #249"});
  EXPECT_EQ(Slots().answerAsText, 0);
  Play({"<H0", ">E0 #249"});
  StopWhileIdle(server);
}

TEST_F(WideServerTest, DirectoryListingGoesOutAsText) {
  const char* saved = std::getenv("TMPDIR");
  const std::string previous = saved ? saved : "";
  setenv("TMPDIR", Here().c_str(), 1);  // the answer file stays in this test's directory
  WriteFile("LISTED.TXT", "x");
  EngineThread server = StartServer();
  AwaitServer();
  Play({"<G0 D ", ">S0"});
  const auto [header, data] = Download();
  const std::string answer = ReadFile("$ktm$.tmp");
  EXPECT_EQ(header, "X1 $ktm$.tmp " + std::to_string(answer.size()));
  EXPECT_EQ(data, answer);
  EXPECT_NE(answer.find("LISTED.TXT 1 "), std::string::npos);
  EXPECT_EQ(Slots().answerAsText, 0);
  StopWhileIdle(server);
  if (saved) {
    setenv("TMPDIR", previous.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}

TEST_F(WideServerTest, DownloadsStayInsideTheServedRoot) {
  std::filesystem::create_directory(Here() / "served");
  WriteFile("secret.txt", "s");
  WriteFile("served/ok.txt", "ok");
  Confinement().root = (Here() / "served").string();
  EngineThread server = StartServer();
  AwaitServer();
  Play({"<R0 secret.txt", ">S0", "<Y0", ">E0 #251", "<R0 served/ok.txt", ">S0"});
  EXPECT_EQ(Download(), std::make_pair(std::string("F1 ok.txt 2"), std::string("ok")));
  StopWhileIdle(server);
}

}  // namespace
}  // namespace corvane::testing
