#include "classic/file_streams.h"

#include "hostfiles/file_names.h"

namespace corvane {
namespace {

bool HasExtension(const std::string& upperName, const char* extension) {
  return upperName.size() >= 4 && upperName.compare(upperName.size() - 4, 4, extension) == 0;
}

}  // namespace

// Coordinate and polyline mode from the last four characters of the name, in any case.
void ClassicFileStreams::SetModesFromName(const std::string& name) {
  const std::string upper = UpperCaseAscii(name);
  coordinateMode_ = HasExtension(upper, ".CR5");
  polylineMode_ = HasExtension(upper, ".PL5");
}

}  // namespace corvane
