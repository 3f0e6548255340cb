// The three answered generic commands, each in a classic variant (argument read
// in place from hostCommand; answer path to currentFileName, announced name to
// headerName) and a wide variant (argument copied from the received packet;
// answer path through the reference, announced name to the context's fileName).
// Results are those of HandleGenericCommand; the outputs are set only on 1.
#pragma once

#include <string>

#include "platform/file.h"

namespace corvane {

struct WideLinkContext;

int ListDirectory();
int ListDirectory(WideLinkContext& context, std::string& answerPath);
int ChangeDirectory();
int ChangeDirectory(WideLinkContext& context, std::string& answerPath);
int EraseFile();
int EraseFile(WideLinkContext& context, std::string& answerPath);

// Re-creates the answer file empty, opened for binary writing; `answerPath`
// receives its full path whether or not it could be created.
StdioFile CreateAnswerFile(std::string& answerPath);
// Creates the answer file holding `text`; false when it cannot be created or
// not all of it reached the disk, since a partial answer would mislead.
bool WriteAnswerFile(const std::string& text, std::string& answerPath);

// One command's rule: carries it out with the argument field, writes the answer
// file and gives 1 with its path, or a failure result.
using CommandRule = int (*)(char* field, std::string& answerPath);

// Runs a rule on the classic argument field; on success the answer goes to the
// classic engine (currentFileName, headerName := announcedName).
int AnswerClassic(CommandRule rule, const char* announcedName);
// Runs a rule on the wide packet's argument; `tooLong` is the result for an
// argument that does not fit its buffer. On success: answerPath and the
// context's fileName := announcedName.
int AnswerWide(CommandRule rule, int tooLong, const char* announcedName, WideLinkContext& context,
               std::string& answerPath);

}  // namespace corvane
