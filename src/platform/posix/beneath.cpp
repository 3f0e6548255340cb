#include "platform/posix/beneath.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <optional>

#include "platform/paths.h"
#include "platform/real_path.h"

namespace corvane {
namespace {

// `path` as seen from `root`; nullopt when its text does not start inside the
// root (what the names lead to is the kernel's to keep inside).
std::optional<std::string> BelowRoot(const std::string& root, const std::string& path) {
  std::string absolute = path;
  if (path.empty() || path[0] != '/') {
    const std::optional<std::string> current = CurrentDirectory();
    if (!current) return std::nullopt;
    absolute = *current + "/" + path;
  }
  const std::string prefix = root == "/" ? "/" : root + "/";
  if (absolute == root) return std::string(".");
  if (absolute.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  const std::string below = absolute.substr(prefix.size());
  return below.empty() ? std::string(".") : below;
}

}  // namespace

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

Descriptor::~Descriptor() {
  if (fd_ >= 0) ::close(fd_);
}

Descriptor OpenBeneath(const std::string& root, const std::string& path, int flags, unsigned mode) {
  // Paths are compared with the root as the working directory spells it: real.
  const std::optional<std::string> realRoot = RealPath(root);
  if (!realRoot) return Descriptor();
  const Descriptor rootDirectory(::open(realRoot->c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!rootDirectory.IsValid()) return Descriptor();
  const auto openBelow = [&](const std::string& spelling) {
    const std::optional<std::string> below = BelowRoot(*realRoot, spelling);
    if (!below) {
      errno = EXDEV;  // spelled outside, as the kernel says of a lookup that leads out
      return Descriptor();
    }
    open_how how{};
    how.flags = static_cast<std::uint64_t>(flags | O_CLOEXEC);
    how.mode = (flags & O_CREAT) != 0 ? mode : 0;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    const long fd = ::syscall(SYS_openat2, rootDirectory.Get(), below->c_str(), &how, sizeof how);
    if (fd >= 0 || errno != ENOSYS) return Descriptor(static_cast<int>(fd));
    // A kernel without openat2 (before 5.6): the confinement check made before
    // the call is then the only guard, as it was on every kernel before.
    return Descriptor(::openat(rootDirectory.Get(), below->c_str(), flags | O_CLOEXEC, mode));
  };
  Descriptor opened = openBelow(path);
  if (opened.IsValid() || errno != EXDEV) return opened;
  // The kernel refuses every absolute symbolic link, also one that points back
  // inside; the path with its links resolved is tried once more, still beneath.
  const std::optional<std::string> real = RealPath(path);
  return real ? openBelow(*real) : Descriptor();
}

}  // namespace corvane
