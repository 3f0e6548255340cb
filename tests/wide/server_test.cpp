// Server mode against a scripted Data Collector (the client side is scripted
// through the exported functions in tests/integration).
#include "wide/server_loop.h"
#include "wide/wide_test_bed.h"

namespace corvane::testing {
namespace {

using WideServerTest = WideTestBed;

// One server takes the scripts one after the other: each starts while it idles
// and leaves it idle again; the host's cancel then ends the loop with E 258.
TEST_F(WideServerTest, TakesTheScriptsOneAfterTheOther) {
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
