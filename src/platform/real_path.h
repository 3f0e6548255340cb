// Full resolution of a path that may not exist yet, for confinement checks.
#pragma once

#include <optional>
#include <string>

namespace corvane {

// The absolute path `path` stands for, symbolic links and ".." resolved: the
// longest existing prefix goes through realpath, the missing rest is appended
// with "." and ".." applied by name. nullopt when an existing prefix cannot be
// resolved (a dangling or looping symbolic link, an unreadable component).
std::optional<std::string> RealPath(const std::string& path);

}  // namespace corvane
