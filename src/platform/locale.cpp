#include "platform/locale.h"

#include <locale>
#include <stdexcept>

namespace corvane {

std::string ThousandsSeparator() {
  try {
    const std::locale user("");
    const auto& numbers = std::use_facet<std::numpunct<char>>(user);
    // Without grouping the separator is never used: the C locale has none.
    if (numbers.grouping().empty()) return {};
    return std::string(1, numbers.thousands_sep());
  } catch (const std::runtime_error&) {
    return {};
  }
}

}  // namespace corvane
