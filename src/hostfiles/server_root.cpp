#include "hostfiles/server_root.h"

#include <algorithm>

#include "hostfiles/file_names.h"
#include "platform/paths.h"
#include "platform/real_path.h"

namespace corvane {

ServerConfinement& Confinement() {
  static ServerConfinement confinement;
  return confinement;
}

bool PathInsideRoot(const std::string& path) {
  const std::string& root = Confinement().root;
  if (root.empty()) return true;

  const bool hasControlByte = std::any_of(path.begin(), path.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
  if (hasControlByte) return false;

  const std::string slashed = SlashedPath(path);
  // The check must see the entry the file operation will reach, and those
  // operations match names without regard to case.
  const auto target = RealPath(ResolvePath(slashed));
  const auto resolvedRoot = RealPath(root);
  if (!target || !resolvedRoot) return false;

  if (*resolvedRoot == "/") return true;
  return *target == *resolvedRoot ||
         (target->size() > resolvedRoot->size() && target->compare(0, resolvedRoot->size(), *resolvedRoot) == 0 &&
          (*target)[resolvedRoot->size()] == '/');
}

}  // namespace corvane
