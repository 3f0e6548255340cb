// Server mode driven by a scripted Data Collector: uploads, downloads, what it
// cannot do, and the ways an exchange ends.
#include "wide/server_loop.h"
#include "wide/wide_test_bed.h"

namespace corvane::testing {
namespace {

using WideServerTest = WideTestBed;

// One server takes the scripts one after the other: each starts while it idles
// and leaves it idle again; the host's cancel then ends the loop with E 258.
TEST_F(WideServerTest, ServesAScriptedDataCollector) {
  std::filesystem::create_directories("served");
  WriteFile("served/ok.txt", "ok");
  const std::vector<std::string> scripts[] = {
      {"<I0", ">Y0", "<S0", ">Y0", "<F1 part.txt 10", ">Y1", "<D2 12345", ">Y2", "<B3", ">Y3"},
      {"<S0", ">Y0", "<F1 two.txt 2", ">Y1", "<D2 xy", ">Y2", "<Z3", ">Y3"},
      {"<S0", ">Y0", "<F1 two.txt 9", ">E1 File exists", "<I0", ">Y0"},
      {"<R0 missing.txt", ">S0", "<Y0", ">E0 #251"},
      {"<R0 served/ok.txt", ">S0", "<Y0", ">F1 ok.txt 2", "<Y1", ">D2 ok", "<Y2", ">Z3", "<Y3", "~"},
      {"<G0 K", ">S0", ">E0 #249", "<H0", ">E0 #249"},
  };
  EngineThread server([] { return WideServerEntry(0); });
  Play({"~"});
  for (const auto& script : scripts) {
    SCOPED_TRACE(script[0] + " " + script[2]);
    Play(script);
  }
  Play({"!", ">E0 #258"});
  EXPECT_EQ(server.Result(3000), 0);
  EXPECT_EQ(WideFlags().serverMode, 0);
  EXPECT_EQ(Slots().answerAsText, 0);
  EXPECT_FALSE(Exists("PART.TXT")) << "a break drops the partial upload";
  EXPECT_EQ(ReadFile("TWO.TXT"), "xy");
}

}  // namespace
}  // namespace corvane::testing
