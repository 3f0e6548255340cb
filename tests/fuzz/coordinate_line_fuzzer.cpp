// A received .CR5 text line read into a point record. A line that reads must
// read the same again from the line this side would send for its record, and
// its record must survive the binary layout.
#include <cmath>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "survey/coordinate.h"

using namespace corvane;

namespace {

// Ten decimals are all that the sent line keeps.
bool Close(double sent, double read) {
  if (!std::isfinite(sent) || std::fabs(sent) > 1e15) return true;
  return std::fabs(sent - read) <= 1e-9 * std::max(1.0, std::fabs(sent));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::optional<CoordinateRecord> record = ParseCoordinateLine(line);
  if (!record) return 0;
  if (record->description.size() > kDescriptionMaxLength) fuzz::Fail("description longer than the record keeps");

  const std::string sent = CoordinateSendLine(*record);
  const std::optional<CoordinateRecord> again = ParseCoordinateLine(sent);
  if (!again) fuzz::Fail("the line sent for a record does not read: " + sent);
  if (again->pointNumber != record->pointNumber || again->description != record->description) {
    fuzz::Fail("point changed through its sent line: " + sent);
  }
  for (std::size_t i = 0; i < 2; ++i) {
    if (!Close(record->coordinates[i], again->coordinates[i])) fuzz::Fail("coordinate changed: " + sent);
  }

  const CoordinateRecord decoded = CoordinateRecord::Decode(record->Encode());
  if (decoded.pointNumber != record->pointNumber || decoded.description != record->description) {
    fuzz::Fail("point changed through the binary record");
  }
  return 0;
}
