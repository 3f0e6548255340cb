// The request loop on a noisy line: the Data Collector NAKs an I or a request
// that reached it damaged, and the PC must send it again rather than answer
// with a NAK of its own, which left both sides waiting until the user cancelled.
#include "api/result_codes.h"
#include "wide/server_loop.h"
#include "wide/wide_test_bed.h"

namespace corvane::testing {
namespace {

class WideRequestNakTest : public WideTestBed {};

TEST_F(WideRequestNakTest, DamagedIOrRequestIsSentAgain) {
  const struct {
    char start;
    std::string header, command;
    std::vector<std::string> script;
  } cases[] = {
      {'r', "wanted.txt", "", {">I0", "<N0", ">I0", "<Y0", ">R0 wanted.txt", "<N0", ">R0 wanted.txt", "<S0", ">Y0",
                              "<F1 WANTED.TXT 4", ">Y1", "<D2 abcd", ">Y2", "<Z3", ">Y3"}},
      {'g', "$KT1.tmp", "D ", {">I0", "<Y0", ">G0 D ", "<N0", ">G0 D ", "<S0", ">Y0", "<X1 dir 3", ">Y1",
                               "<D2 /\r\n", ">Y2", "<Z3", ">Y3"}},
  };
  WriteFile("$KT1.tmp", "");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script[2]);
    Slots() = TransferSlots{};
    Slots().headerName = c.header;
    Slots().overwriteExisting = c.start == 'g';
    c.command.copy(Slots().genericCommand.data(), c.command.size());
    ClassicLink().errorFlag = 0;
    EngineThread loop([&c] {
      WideServerLoop(c.start);
      return ClassicLink().errorFlag;
    });
    Play(c.script);
    EXPECT_EQ(loop.Result(3000), 0);
  }
  EXPECT_EQ(ReadFile("WANTED.TXT"), "abcd");
  EXPECT_EQ(ReadFile("$KT1.tmp"), "/\r\n");
}

}  // namespace
}  // namespace corvane::testing
