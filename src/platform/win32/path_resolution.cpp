#include "platform/paths.h"

namespace corvane {

// The file system ignores case itself: every spelling already finds the file.
std::string ResolvePath(const std::string& path) { return path; }

}  // namespace corvane
