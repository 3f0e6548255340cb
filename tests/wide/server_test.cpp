// Server mode driven by a scripted Data Collector: uploads, downloads, what it
// cannot do, and the ways an exchange ends.
#include "wide/server_loop.h"
#include "wide/wide_test_bed.h"

namespace corvane::testing {
namespace {

using WideServerTest = WideTestBed;

// Each script starts while the server idles and ends with it idle again; the
// host's cancel then ends the loop with E 258.
TEST_F(WideServerTest, ServesAScriptedDataCollector) {
  std::filesystem::create_directories("inner");
  std::filesystem::create_directories("served");
  WriteFile("served/ok.txt", "ok");
  WriteFile("secret.txt", "s");
  const struct {
    bool confined;
    std::vector<std::string> script;
  } cases[] = {
      {false, {"<I0", ">Y0", "<S0", ">Y0", "<F1 part.txt 10", ">Y1", "<D2 12345", ">Y2", "<B3", ">Y3"}},
      {false, {"<S0", ">Y0", "<F1 two.txt 2", ">Y1", "<D2 xy", ">Y2", "<Z3", ">Y3"}},
      {false, {"<S0", ">Y0", "<F1 ../esc.txt 1", ">Y1", "<D2 e", ">Y2", "<Z3", ">Y3"}},
      {false, {"<S0", ">Y0", "<F1 inner/../../esc2.txt 1", ">Y1", "<D2 f", ">Y2", "<Z3", ">Y3"}},
      {false, {"<S0", ">Y0", "<F1 two.txt 9", ">E1 File exists", "<I0", ">Y0"}},
      {false, {"<R0 missing.txt", ">S0", "<Y0", ">E0 #251"}},
      {false, {"<R0 served/ok.txt", ">S0", "<Y0", ">F1 ok.txt 2", "<Y1", ">D2 ok", "<Y2", ">Z3", "<Y3", "~"}},
      {false, {"<G0 K", ">S0", ">E0 #249", "<H0", ">E0 #249"}},
      {true, {"<R0 secret.txt", ">S0", "<Y0", ">E0 #251", "<R0 served/ok.txt", ">S0", "<Y0", ">F1 ok.txt 2", "<Y1",
              ">D2 ok", "<Y2", ">Z3", "<Y3", "~"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script[0] + " " + c.script[2]);
    Session().cancelEvent.Reset();
    Confinement().root = c.confined ? (directory_ / "served").string() : "";
    EngineThread server([] { return WideServerEntry(0); });
    Play({"~"});
    Play(c.script);
    Play({"!", ">E0 #258"});
    EXPECT_EQ(server.Result(3000), 0);
    EXPECT_EQ(WideFlags().serverMode, 0);
    EXPECT_EQ(Slots().answerAsText, 0);
  }
  EXPECT_FALSE(Exists("PART.TXT")) << "a break drops the partial upload";
  EXPECT_EQ(ReadFile("TWO.TXT"), "xy");
  EXPECT_EQ(ReadFile("ESC.TXT") + ReadFile("ESC2.TXT"), "ef");
  EXPECT_FALSE(std::filesystem::exists(directory_.parent_path() / "ESC.TXT"));
}

}  // namespace
}  // namespace corvane::testing
