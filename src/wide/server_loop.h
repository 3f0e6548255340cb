// The wide engine's request/serve loop: server mode for TransferServer, and the
// client side of a get ('r') or a generic request ('g') through a remote server.
#pragma once

#include <string>

#include "session/result_codes.h"
#include "wide/wide_context.h"

namespace corvane {

// Serves the Data Collector until cancelled; always 0. The served tree is the
// confinement root, if one is set.
int WideServerEntry(bool overwriteExisting);

// A client request through the loop: a get, which asks for the file
// `outputName` and stores it under that name; or a generic command (the letter
// followed by the argument) whose answer goes into the file `outputName`.
struct WideRequest {
  char startType = 'r';  // 'r' get, 'g' generic command
  std::string genericCommand;
  std::string outputName;
  bool overwriteExisting = false;
};

EngineOutcome WideServerLoop(const WideRequest& request);

}  // namespace corvane
