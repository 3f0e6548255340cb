#include "platform/locale.h"

#include <cstdlib>
#include <locale>
#include <mutex>
#include <stdexcept>

namespace corvane {
namespace {

// Loading the user's locale opens a dozen files, and the progress display asks
// several times a second: the answer is kept until the locale variables change.
struct SeparatorCache {
  std::mutex mutex;
  bool valid = false;
  std::string environment;  // LC_ALL, LC_NUMERIC and LANG as they stood
  std::string separator;
};

SeparatorCache& TheSeparatorCache() {
  static SeparatorCache cache;
  return cache;
}

std::string LocaleEnvironment() {
  std::string key;
  for (const char* name : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
    const char* value = std::getenv(name);
    key += value != nullptr ? value : "";
    key += '\n';
  }
  return key;
}

std::string LoadThousandsSeparator() {
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

}  // namespace

std::string ThousandsSeparator() {
  SeparatorCache& cache = TheSeparatorCache();
  std::lock_guard lock(cache.mutex);
  std::string environment = LocaleEnvironment();
  if (!cache.valid || environment != cache.environment) {
    cache.separator = LoadThousandsSeparator();
    cache.environment = std::move(environment);
    cache.valid = true;
  }
  return cache.separator;
}

}  // namespace corvane
