#include "hostfiles/command_handlers.h"
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

void DeliverClassicAnswer(const std::string& answerPath, const char* announcedName) {
  Slots().currentFileName = answerPath;
  Slots().headerName = announcedName;
}

void DeliverWideAnswer(const std::string& path, const char* announcedName, WideLinkContext& context,
                       std::string& answerPath) {
  answerPath = path;
  context.fileName = announcedName;
}

}  // namespace corvane
