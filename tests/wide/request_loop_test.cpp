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
};

TEST_F(WideRequestTest, GetOpensWithIThenAsksWithR) {
  Slots().headerName = "wanted.txt";
  EngineThread loop = Run('r');
  Play({">I0", "<Y0", ">R0 wanted.txt", "<S0", ">Y0", "<F1 WANTED.TXT 4", ">Y1", "<D2 abcd", ">Y2", "<Z3", ">Y3"});
  EXPECT_EQ(loop.Result(3000), 0);
  EXPECT_EQ(ReadFile("WANTED.TXT"), "abcd");
}

TEST_F(WideRequestTest, GenericReplyReplacesTheReplyFile) {
  WriteFile("$KT1.tmp", "");
  Slots().headerName = "$KT1.tmp";
  std::strcpy(Slots().genericCommand.data(), "C##abc");
  Slots().overwriteExisting = 1;
  EngineThread loop = Run('g');
  Play({">I0", "<Y0", ">G0 C##abc", "<S0", ">Y0", "<X1 cd 6", ">Y1", "<D2 /abc\r\n", ">Y2", "<Z3", ">Y3"});
  EXPECT_EQ(loop.Result(3000), 0);
  EXPECT_EQ(ReadFile("$KT1.tmp"), "/abc\r\n");
}

TEST_F(WideRequestTest, GenericCommandAnsweredWithYEndsAtOnce) {
  std::strcpy(Slots().genericCommand.data(), "E'JOB.CR5");
  EngineThread loop = Run('g');
  Play({">I0", "<Y0", ">G0 E'JOB.CR5", "<Y0"});
  EXPECT_EQ(loop.Result(3000), 0);
}

TEST_F(WideRequestTest, ErrorWhileWaitingForTheHeaderFails) {
  Slots().headerName = "wanted.txt";
  EngineThread loop = Run('r');
  Play({">I0", "<Y0", ">R0 wanted.txt", "<S0", ">Y0", "<E1 no such file"});
  EXPECT_EQ(loop.Result(3000), 1);
  EXPECT_FALSE(Exists("WANTED.TXT"));
}

}  // namespace
}  // namespace corvane::testing
