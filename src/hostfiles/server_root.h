// The served root: while it is set, the Data Collector's file requests are
// kept inside that directory tree.
#pragma once

#include <string>

namespace corvane {

struct ServerConfinement {
  std::string root;  // empty: the whole file system is served
};

ServerConfinement& Confinement();

// True when no root is set, or when `path` (a '\\' read as '/', resolved without
// regard to case, "..", absolute paths and symbolic links followed) lies inside
// the root. With a root set, names holding control bytes are refused.
bool PathInsideRoot(const std::string& path);

}  // namespace corvane
