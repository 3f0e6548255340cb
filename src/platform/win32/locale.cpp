#include <windows.h>

#include <vector>

#include "platform/locale.h"

namespace corvane {

// The user's setting in the control panel, asked for its length first.
std::string ThousandsSeparator() {
  const int length = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, nullptr, 0);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length));
  if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, buffer.data(), length) == 0) return {};
  return std::string(buffer.data());
}

}  // namespace corvane
