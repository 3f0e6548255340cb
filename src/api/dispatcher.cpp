#include "api/dispatcher.h"

#include "api/result_codes.h"
#include "wide/server_loop.h"

namespace corvane {

// Interim: no engine is wired yet, so every command fails cleanly.
int DispatchCommand(int /*command*/, std::string /*first*/, std::string /*second*/, std::string& /*outputName*/,
                    int /*platform*/) {
  return kResultFailed;
}

int WideServerEntry(int /*overwrite*/) { return kResultSuccess; }

}  // namespace corvane
