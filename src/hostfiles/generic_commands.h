// The PC's answers to a Data Collector's generic commands (change directory,
// directory listing, erase): plain values in, the answer file out.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

inline constexpr int kAnswerEmptyArgument = -14;
inline constexpr int kAnswerDirectoryFailed = -27;
inline constexpr int kAnswerFileFailed = -1;

// A command as an engine received it: its letter and the argument taken out of
// its argument field (nullopt when none was given), or word that the argument
// did not fit the engine's buffer.
struct HostCommand {
  char letter = 0;
  std::optional<std::string> argument;
  bool argumentTooLong = false;
};

// What became of a command: 1 carried out, with the answer file written and the
// name it is announced under; 0 or a negative value when it failed (an unknown
// letter gives 0).
struct HostAnswer {
  int result = 0;
  std::string answerPath;
  std::string announcedName;
};

HostAnswer AnswerHostCommand(const HostCommand& command);

// The argument in a command's argument field: trailing blanks (bytes that are
// 32 or less as signed chars) and leading spaces go, then the length character,
// which is never interpreted. The field ends at its first zero byte. nullopt
// when nothing is left before the length character.
std::optional<std::string> ArgumentOfField(std::string_view field);

}  // namespace corvane
