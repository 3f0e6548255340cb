#include "hostfiles/command_handlers.h"
#include "hostfiles/argument_field.h"
#include "hostfiles/transfer_slots.h"
#include "platform/paths.h"
#include "wide/wide_context.h"

namespace corvane {

StdioFile CreateAnswerFile(std::string& answerPath) {
  std::string directory = TemporaryDirectory();
  if (!directory.empty() && directory.back() != '/') directory += '/';
  answerPath = directory + "$ktm$.tmp";
  StdioFile file;
  file.Open(answerPath, FileOpen::CreateReadWrite, FileKind::Binary);
  return file;
}

bool WriteAnswerFile(const std::string& text, std::string& answerPath) {
  StdioFile file = CreateAnswerFile(answerPath);
  if (!file.IsOpen()) return false;
  const bool written = file.Write(text);
  return file.Close() && written;
}

int AnswerClassic(CommandRule rule, const char* announcedName) {
  std::string path;
  const int result = rule(ClassicArgumentField(), path);
  if (result == 1) {
    Slots().currentFileName = path;
    Slots().headerName = announcedName;
  }
  return result;
}

int AnswerWide(CommandRule rule, int tooLong, const char* announcedName, WideLinkContext& context,
               std::string& answerPath) {
  WideArgument field;
  if (!CopyWideArgument(context, field)) return tooLong;
  std::string path;
  const int result = rule(field.data(), path);
  if (result == 1) {
    answerPath = path;
    context.fileName = announcedName;
  }
  return result;
}

}  // namespace corvane
