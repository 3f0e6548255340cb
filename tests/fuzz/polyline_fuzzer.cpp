// One polyline line converted each way, as the survey streams hand it over:
// a line ending with its line feed. Converted lines are whole lines again.
#include <string>

#include "fuzz/fuzz_support.h"
#include "survey/polyline.h"

using namespace corvane;

namespace {

void CheckWholeLine(const std::string& converted, const std::string& original, const char* direction) {
  if (converted.empty() || converted == original) return;
  if (converted.back() != '\n' || converted.find('\n') != converted.size() - 1) {
    fuzz::Fail(std::string(direction) + " conversion did not give one line: " + converted);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  if (line.find('\n') != std::string::npos) line.erase(line.find('\n'));
  line += '\n';

  std::string forSend = line;
  ConvertPolylineLineForSend(forSend);
  CheckWholeLine(forSend, line, "send");

  std::string forReceive = line;
  ConvertPolylineLineForReceive(forReceive);
  CheckWholeLine(forReceive, line, "receive");
  return 0;
}
