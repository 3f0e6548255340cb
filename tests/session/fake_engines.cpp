#include "session/fake_engines.h"

#include "wide/server_loop.h"

namespace corvane {

std::function<int(TransferCommand, const std::string&, const std::string&, std::string&, PlatformKind)> fakeDispatch;
std::function<int()> fakeServer;

int DispatchCommand(TransferCommand command, const std::string& first, const std::string& second,
                    std::string& outputName, PlatformKind platform) {
  return fakeDispatch(command, first, second, outputName, platform);
}

PlatformKind PlatformKindOf(int platform) { return platform == 7 ? PlatformKind::Other : PlatformKind::Auto; }

int WideServerEntry(bool /*overwriteExisting*/) { return fakeServer(); }

}  // namespace corvane
