// Runs one command on the worker thread: picks the engine by command and
// platform (probing the remote side where needed) and turns its outcome into a
// result code.
#pragma once

#include <string>

#include "session/transfer_session.h"

namespace corvane {

// The values TransferSetOtherPlatform takes, by what they choose.
enum class PlatformKind {
  Classic,  // 0
  Auto,     // 1, the initial value: probe; generic commands take the classic engine
  Wide,     // 2 or 3
  Other,    // any other value: probe; generic commands take the wide engine
};

PlatformKind PlatformKindOf(int platform);

int DispatchCommand(TransferCommand command, const std::string& first, const std::string& second,
                    std::string& outputName, PlatformKind platform);

}  // namespace corvane
