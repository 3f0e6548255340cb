#include "survey/stream_state.h"

namespace corvane {

namespace {

bool HasExtension(const std::string& upperName, const char* extension) {
  return upperName.size() >= 4 && upperName.compare(upperName.size() - 4, 4, extension) == 0;
}

}  // namespace

SurveyStreamState& SurveyStreams() {
  static SurveyStreamState state;
  return state;
}

void SetModesFromName(SurveyStreamState& state, const std::string& name) {
  const std::string upper = UpperCaseAscii(name);
  state.coordinateMode = HasExtension(upper, ".CR5");
  state.polylineMode = HasExtension(upper, ".PL5");
}

std::string UpperCaseAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace corvane
