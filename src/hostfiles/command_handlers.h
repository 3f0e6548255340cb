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

// Hand a written answer to the engine that asked.
void DeliverClassicAnswer(const std::string& answerPath, const char* announcedName);
void DeliverWideAnswer(const std::string& path, const char* announcedName, WideLinkContext& context,
                       std::string& answerPath);

}  // namespace corvane
