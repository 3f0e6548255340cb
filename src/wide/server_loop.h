// The wide engine's request/serve loop: server mode for TransferServer, and the
// client side of a get ('r') or a generic request ('g') through a remote server.
#pragma once

#include <string>

#include "wide/wide_context.h"

namespace corvane {

// Serves the Data Collector until cancelled; always 0.
int WideServerEntry(int overwrite);
// startType 'x' (server mode), 'r' (get) or 'g' (generic request); the outcome is errorFlag.
void WideServerLoop(char startType);

}  // namespace corvane
