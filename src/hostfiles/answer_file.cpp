#include "hostfiles/command_handlers.h"
#include "platform/paths.h"

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

}  // namespace corvane
