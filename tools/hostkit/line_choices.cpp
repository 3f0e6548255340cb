#include "hostkit/line_choices.h"

#include <charconv>
#include <iterator>

namespace corvane::host {

std::optional<int> WholeNumber(const std::string& text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<int> ParityCode(const std::string& name) {
  for (int code = 0; code < static_cast<int>(std::size(kParityNames)); ++code) {
    if (name == kParityNames[code]) return code;
  }
  return std::nullopt;
}

std::optional<int> PlatformValue(const std::string& name, CommandFamily family) {
  if (name == "auto") return 1;
  if (name == "wide") return 2;
  if (name == "classic") return family == CommandFamily::Generic ? 1 : 0;
  return WholeNumber(name);
}

}  // namespace corvane::host
