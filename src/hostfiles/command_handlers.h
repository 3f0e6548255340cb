// The three answered generic commands, and the answer file they write.
#pragma once

#include <optional>
#include <string>

#include "hostfiles/generic_commands.h"
#include "platform/file.h"

namespace corvane {

// A command that failed with `result` (0 or negative): no answer file.
inline HostAnswer FailedAnswer(int result) { return HostAnswer{result, {}, {}}; }

HostAnswer AnswerChangeDirectory(const HostCommand& command);
HostAnswer AnswerListDirectory(const HostCommand& command);
HostAnswer AnswerErase(const HostCommand& command);

// Re-creates the answer file empty, opened for binary writing; `answerPath`
// receives its full path whether or not it could be created.
StdioFile CreateAnswerFile(std::string& answerPath);
// Creates the answer file holding `text`; false when it cannot be created or
// not all of it reached the disk, since a partial answer would mislead.
bool WriteAnswerFile(const std::string& text, std::string& answerPath);

}  // namespace corvane
