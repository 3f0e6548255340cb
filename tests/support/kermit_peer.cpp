#include "support/kermit_peer.h"

namespace corvane::testing {

bool StartCKermit(ChildProcess& kermit, const std::string& line, int baudRate, const std::string& directory,
                  const std::string& commands) {
  ChildOptions options;
  options.arguments = {"kermit", "-Y", "-B", "-C",
                       "set line " + line + ", set speed " + std::to_string(baudRate) +
                           ", set carrier-watch off, set flow none, " + commands + ", exit"};
  options.workingDirectory = directory;
  options.outputPath = directory + "/kermit.log";
  return kermit.Start(options);
}

bool StartGKermit(ChildProcess& kermit, const std::string& line, const std::string& directory,
                  const std::vector<std::string>& arguments) {
  ChildOptions options;
  options.arguments = {"gkermit", "-q"};
  options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
  options.workingDirectory = directory;
  options.inputPath = line;
  options.outputPath = line;
  return kermit.Start(options);
}

}  // namespace corvane::testing
