// Environment variables set for a test and put back as they were when it ends.
#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace corvane::testing {

class ScopedEnvironment {
 public:
  ~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
  }
  // nullptr unsets the variable.
  void Set(const std::string& name, const char* value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name.c_str());
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    value ? ::setenv(name.c_str(), value, 1) : ::unsetenv(name.c_str());
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace corvane::testing
