#include "survey/polyline.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane {
namespace {

struct LineCase {
  std::string in;
  std::string out;
};

std::string Sent(std::string line) {
  ConvertPolylineLineForSend(line);
  return line;
}

std::string Received(std::string line) {
  ConvertPolylineLineForReceive(line);
  return line;
}

TEST(PolylineSend, RewritesPcLinesForTheDataCollector) {
  const LineCase cases[] = {
      {"PT,5\n", "PT 5\n"},
      {"PR,1,9\n", "PT 1-9\n"},
      {"PR, 1 , 9x\n", "PT 1-9\n"},
      {"PR,1\n", ""},
      {"SS,7\n", "SS 7\n"},
      {"SR,3,4\n", "SS 3-4\n"},
      {"SR,3\n", ""},
      {"SA,1,2,3\n", "SA,1,2,3\n"},
      {"SC,9\n", "SC,9\n"},
      {"CR,10,11,25.5,L,R,100,200,300\n", "CR 10-11,25.500,R,L,100.000,200.000,300.000\n"},
      {"CR,10,11,25.5,Left,Right,1e2,-2.5,0\n", "CR 10-11,25.500,R,L,100.000,-2.500,0.000\n"},
      {"CR,10,11,25.5,L,R,100,200\n", ""},
      {"U\n", "PEN UP\n"},
      {"Up and away\n", "PEN UP\n"},
      {"D \n", "PEN DOWN\n"},
      {"pt,5\n", ""},
      {"PT5\n", ""},
      {"X,1\n", ""},
      {"\n", ""},
      {"", ""},
  };
  for (const LineCase& c : cases) EXPECT_EQ(Sent(c.in), c.out) << c.in;
}

TEST(PolylineReceive, RewritesDataCollectorLinesForThePc) {
  const LineCase cases[] = {
      {"PT 12\n", "PT,12\n"},
      {"PT 12-15\n", "PR,12,15\n"},
      {"PT -5\n", "PR,0,5\n"},
      {"SS 4\n", "SS,4\n"},
      {"SS 4-6\n", "SR,4,6\n"},
      {"SS4-6\n", "SR,4,6\n"},
      {"SS4\n", "SS,4\n"},
      {"SA,1,2\n", "SA,1,2\n"},
      {"SC,3\n", "SC,3\n"},
      {"CR 10-11,25.500,R,L,100.000,200.000,300.000\n",
       "CR,10,11,25.500000,L,R,100.000000,200.000000,300.000000\n"},
      {"CR 10-11,25.5,R,L,100,200\n", "CR,10,11,25.500000,L,R,100.000000,200.000000,0.000000\n"},
      {"CR 10-11,25.5,R,L,100,-200\n", "CR,10,11,25.500000,L,R,100.000000,-200.000000,0.000000\n"},
      {"CR 10-11,25.5,R,L,100\n", ""},
      {"CR 10,11,25.5,R,L,100,200,300\n", ""},
      {"PEN UP\n", "U \n"},
      {"PEN DOWN\n", "D \n"},
      {"PEN\n", ""},
      {"pt 12\n", ""},
      {"PT,12\n", ""},
      {"\n", ""},
  };
  for (const LineCase& c : cases) EXPECT_EQ(Received(c.in), c.out) << c.in;
}

TEST(PolylineReceive, ReportsWhichLinesWereRewritten) {
  const std::pair<std::string, int> cases[] = {
      {"PT 1\n", 1}, {"SS2-3\n", 1}, {"CR 1-2,3,A,B,4,5,6\n", 1}, {"CR 1-2\n", 0},
      {"SA,1\n", 0}, {"PEN UP\n", 0}, {"ZZ\n", 0},
  };
  for (const auto& [line, rewritten] : cases) {
    std::string copy = line;
    EXPECT_EQ(ConvertPolylineLineForReceive(copy), rewritten) << line;
  }
}

// A PC line sent and received back comes home in the PC's form, its curve
// character fields in their original order.
TEST(Polyline, PcLinesSurviveTheRoundTrip) {
  const LineCase cases[] = {
      {"CR,10,11,25.5,L,R,100,200,300\n", "CR,10,11,25.500000,L,R,100.000000,200.000000,300.000000\n"},
      {"CR,1,2,0.125,A,B,-1.5,2.25,-3\n", "CR,1,2,0.125000,A,B,-1.500000,2.250000,-3.000000\n"},
      {"PT,5\n", "PT,5\n"},
      {"PR,1,9\n", "PR,1,9\n"},
      {"SS,7\n", "SS,7\n"},
      {"SR,3,4\n", "SR,3,4\n"},
      {"SA,1,2,3\n", "SA,1,2,3\n"},
      {"U \n", "U \n"},
      {"D \n", "D \n"},
  };
  for (const LineCase& c : cases) EXPECT_EQ(Received(Sent(c.in)), c.out) << c.in;
}

}  // namespace
}  // namespace corvane
