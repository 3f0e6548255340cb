// The PC's answers to a Data Collector's generic commands (change directory,
// directory listing, erase), written into the answer file, and the provider of
// the one file a classic send transaction sends.
#pragma once

#include <string>

namespace corvane {

struct WideLinkContext;

inline constexpr int kAnswerEmptyArgument = -14;
inline constexpr int kAnswerDirectoryFailed = -27;
inline constexpr int kAnswerFileFailed = -1;

// Classic variant: reads hostCommand; sets currentFileName (answer path) and headerName (announced name).
int HandleGenericCommand();
// Wide variant: reads the context's received data; sets answerPath and the context's fileName.
int HandleGenericCommand(WideLinkContext& context, std::string& answerPath);

int NextFileToSend();
// Zeroes trailing bytes whose value as a signed char is 32 or less.
void TrimTrailing(char* text);

}  // namespace corvane
