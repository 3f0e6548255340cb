// The request loop as a client of the Data Collector's server: a get and a
// generic command opened with I.
#include <cstring>
#include <string>

#include "classic/classic_link.h"
#include "hostfiles/transfer_slots.h"
#include "wide/server_loop.h"
#include "wide/wide_test_bed.h"

namespace corvane::testing {
namespace {

class WideRequestTest : public WideTestBed {
 protected:
  EngineThread Run(char startType) {
    return EngineThread([startType] {
      WideServerLoop(startType);
      return ClassicLink().errorFlag;
    });
  }
  void ReceiveFile(char headerType, const std::string& header, const std::string& data) {
    Send('S', 0);
    EXPECT_EQ(Next(), "Y0");
    Send(headerType, 1, header);
    EXPECT_EQ(Next(), "Y1");
    Send('D', 2, data);
    EXPECT_EQ(Next(), "Y2");
    Send('Z', 3);
    EXPECT_EQ(Next(), "Y3");
  }
};

TEST_F(WideRequestTest, GetOpensWithIThenAsksWithR) {
  Slots().headerName = "wanted.txt";
  EngineThread loop = Run('r');
  EXPECT_EQ(Next(), "I0");
  Send('Y', 0);
  EXPECT_EQ(Next(), "R0 wanted.txt");
  ReceiveFile('F', "WANTED.TXT 4", "abcd");
  EXPECT_EQ(loop.Result(3000), 0);
  EXPECT_EQ(ReadFile("WANTED.TXT"), "abcd");
}

TEST_F(WideRequestTest, GenericReplyReplacesTheReplyFile) {
  WriteFile("$KT1.tmp", "");
  Slots().headerName = "$KT1.tmp";
  std::strcpy(Slots().genericCommand.data(), "C##abc");
  Slots().overwriteExisting = 1;
  EngineThread loop = Run('g');
  EXPECT_EQ(Next(), "I0");
  Send('Y', 0);
  EXPECT_EQ(Next(), "G0 C##abc");
  ReceiveFile('X', "cd 6", "/abc\r\n");
  EXPECT_EQ(loop.Result(3000), 0);
  EXPECT_EQ(ReadFile("$KT1.tmp"), "/abc\r\n");
}

TEST_F(WideRequestTest, GenericCommandAnsweredWithYEndsAtOnce) {
  std::strcpy(Slots().genericCommand.data(), "E'JOB.CR5");
  EngineThread loop = Run('g');
  EXPECT_EQ(Next(), "I0");
  Send('Y', 0);
  EXPECT_EQ(Next(), "G0 E'JOB.CR5");
  Send('Y', 0);
  EXPECT_EQ(loop.Result(3000), 0);
}

TEST_F(WideRequestTest, ErrorWhileWaitingForTheHeaderFails) {
  Slots().headerName = "wanted.txt";
  EngineThread loop = Run('r');
  EXPECT_EQ(Next(), "I0");
  Send('Y', 0);
  EXPECT_EQ(Next(), "R0 wanted.txt");
  Send('S', 0);
  EXPECT_EQ(Next(), "Y0");
  Send('E', 1, "no such file");
  EXPECT_EQ(loop.Result(3000), 1);
  EXPECT_FALSE(Exists("WANTED.TXT"));
}

}  // namespace
}  // namespace corvane::testing
