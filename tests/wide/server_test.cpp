// Server mode driven by a scripted Data Collector: uploads, downloads, generic
// commands, and the ways an exchange ends.
#include <chrono>
#include <cstdlib>
#include <string>
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
    Send('S', 0);
    EXPECT_EQ(Next(), "Y0");
    Send('F', 1, header);
    EXPECT_EQ(Next(), "Y1");
    Send('D', 2, data);
    EXPECT_EQ(Next(), "Y2");
    Send('Z', 3);
    EXPECT_EQ(Next(), "Y3");
  }

  // Takes a download after the S; returns the data received.
  std::string Download(const std::string& expectedHeader) {
    Send('Y', 0);
    EXPECT_EQ(Next(), expectedHeader);
    Send('Y', 1);
    std::string data;
    for (int seq = 2;; ++seq) {
      const auto frame = NextFrame();
      if (!frame || frame->type != 'D') {
        EXPECT_EQ(Describe(frame), "Z" + std::to_string(seq));
        Send('Y', seq);
        // The server flushes the line after this Y; a Data Collector waits before its next request.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return data;
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
  Send('I', 0);
  EXPECT_EQ(Next(), "Y0");
  Upload("one.txt 3", "abc");
  Upload("two.txt 2", "xy");

  Send('S', 0);
  EXPECT_EQ(Next(), "Y0");
  Send('F', 1, "one.txt 9");
  const auto refusal = NextFrame();
  EXPECT_EQ(Describe(refusal), "E1 File exists");
  EXPECT_EQ(refusal->length, 11);

  Send('I', 0);  // still serving
  EXPECT_EQ(Next(), "Y0");
  StopWhileIdle(server);
  EXPECT_EQ(ReadFile("ONE.TXT"), "abc");
  EXPECT_EQ(ReadFile("TWO.TXT"), "xy");
}

TEST_F(WideServerTest, BreakDropsThePartialUploadAndHeaderPathsStayHere) {
  EngineThread server = StartServer();
  AwaitServer();
  Send('S', 0);
  EXPECT_EQ(Next(), "Y0");
  Send('F', 1, "part.txt 10");
  EXPECT_EQ(Next(), "Y1");
  Send('D', 2, "12345");
  EXPECT_EQ(Next(), "Y2");
  EXPECT_TRUE(Exists("PART.TXT"));
  Send('B', 3);
  EXPECT_EQ(Next(), "Y3");
  EXPECT_FALSE(Exists("PART.TXT"));

  std::filesystem::create_directory(Here() / "inner");
  Upload("../esc.txt 1", "e");
  Upload("inner/../../esc2.txt 1", "f");
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

  Send('R', 0, "missing.txt");
  EXPECT_EQ(Next(), "S0");
  Send('Y', 0);
  EXPECT_EQ(Next(), "E0 #251");

  Send('R', 0, "have.txt");
  EXPECT_EQ(Next(), "S0");
  EXPECT_EQ(Download("F1 have.txt 600"), content);

  Send('G', 0, "K");
  EXPECT_EQ(Next(), "S0");
  EXPECT_EQ(Next(), "E0 #249");
  EXPECT_EQ(Slots().answerAsText, 0);

  Send('H', 0);
  EXPECT_EQ(Next(), "E0 #249");
  StopWhileIdle(server);
}

TEST_F(WideServerTest, DirectoryListingGoesOutAsText) {
  const char* saved = std::getenv("TMPDIR");
  const std::string previous = saved ? saved : "";
  setenv("TMPDIR", Here().c_str(), 1);  // the answer file stays in this test's directory
  WriteFile("LISTED.TXT", "x");
  EngineThread server = StartServer();
  AwaitServer();
  Send('G', 0, "D ");
  EXPECT_EQ(Next(), "S0");
  const std::string answer = ReadFile("$ktm$.tmp");
  EXPECT_EQ(Download("X1 $ktm$.tmp " + std::to_string(answer.size())), answer);
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
  Send('R', 0, "secret.txt");
  EXPECT_EQ(Next(), "S0");
  Send('Y', 0);
  EXPECT_EQ(Next(), "E0 #251");
  Send('R', 0, "served/ok.txt");
  EXPECT_EQ(Next(), "S0");
  EXPECT_EQ(Download("F1 ok.txt 2"), "ok");
  StopWhileIdle(server);
}

}  // namespace
}  // namespace corvane::testing
