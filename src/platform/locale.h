// Facts of the user's locale.
#pragma once

#include <string>

namespace corvane {

// The thousands separator of the user's locale (std::locale("")); empty in the
// C locale or when the locale cannot be loaded.
std::string ThousandsSeparator();

}  // namespace corvane
