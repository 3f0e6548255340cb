#include "wide/wide_files.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>

#include "hostfiles/file_names.h"
#include "hostfiles/server_root.h"
#include "platform/paths.h"
#include "serial/serial_io.h"
#include "session/host_seams.h"
#include "session/transfer_session.h"
#include "wide/wide_link.h"

namespace corvane {
namespace {

std::int32_t ClampSize(long long size) {
  if (size < 0) return 0;
  constexpr long long kLargest = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(size > kLargest ? kLargest : size);
}

// The size after the header's last space, read as far as digits go; more
// digits than 32 bits hold are the largest size.
std::int32_t ParseSize(const std::string& digits) {
  std::int32_t size = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), size);
  if (error == std::errc::result_out_of_range) return std::numeric_limits<std::int32_t>::max();
  return end == digits.data() ? 0 : ClampSize(size);
}

// A header names a file, never a path: only its last component counts, and a
// name that could not be a plain file in the current directory is refused.
bool PlainFileName(std::string& name) {
  name = FileNamePart(name);
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name) {
    if (c < 32 || c == 127) return false;
  }
  return true;
}

// Drops an output file left unfinished by an earlier header of the same exchange.
void AbandonOutput(WideLinkContext& context) {
  if (!context.outFile.IsOpen()) return;
  context.outFile.Close();
  RemoveFile(context.fileName, context.root);
}

}  // namespace

int WideOpenInput(const std::string& path, WideLinkContext& context, const std::string& within) {
  if (!context.inFile.Open(UpperCaseAscii(path), FileOpen::Read, FileKind::Binary, within)) return -1;
  Session().bytesTotal = ClampSize(context.inFile.Length());
  Session().bytesDone = 0;
  return 0;
}

int WideSendHeader(const std::string& localName, WideLinkContext& context, const std::string& headerName,
                   const std::string& within) {
  if (context.isSender == 1) {
    if (WideOpenInput(localName, context, within) != 0) return -1;
  } else {
    Session().bytesTotal = 1;
  }
  context.fileName = FileNamePart(headerName.empty() ? localName : headerName);
  const std::string text = context.fileName + " " + std::to_string(Session().bytesTotal.load());
  // The peer takes a header into a 100-byte buffer; a longer one is not sent at all.
  if (text.size() > static_cast<std::size_t>(kWideTextLimit)) {
    if (context.inFile.IsOpen()) context.inFile.Close();
    return -1;
  }
  std::memcpy(context.txData, text.data(), text.size());
  WideNextSeq(context);
  WideSendPacket(context.answerAsText ? 'X' : 'F', static_cast<int>(text.size()), context);
  return 0;
}

int WideSendData(WideLinkContext& context) {
  const long count = context.inFile.Read(context.txData, kWideMaxData);
  Session().bytesDone = ClampSize(context.inFile.Tell());
  if (count <= 0) return static_cast<int>(count);
  WideNextSeq(context);
  WideSendPacket('D', static_cast<int>(count), context);
  return static_cast<int>(count);
}

OutputCheck WideCheckOutputName(std::string& name, const WideLinkContext& context) {
  if (CheckFileName(name, NameChecks{.checkName = true}) != 0) return OutputCheck::Refuse;
  if (CheckFileName(name, NameChecks{.mustExist = true}) != 0) return OutputCheck::Create;
  if (CheckFileName(name, NameChecks{.readWriteIfExists = true}) != 0) return OutputCheck::Refuse;
  if (context.overwriteExisting) return OutputCheck::Create;
  // A server has nobody to ask; the peer is told the file exists.
  if (context.serverMode) return OutputCheck::Exists;
  const std::optional<std::string> chosen = AskSaveAs(FileNamePart(name));
  if (!chosen) return OutputCheck::Refuse;
  name = *chosen;
  SerialFlushInput();  // the peer's retries while the question was open
  return OutputCheck::Create;
}

OutputOpen WideOpenOutput(WideLinkContext& context, const std::string& localName, std::string& outName) {
  AbandonOutput(context);
  // The peer's header buffer holds 99 bytes; a longer header is refused, not cut,
  // so that a file is never stored under a shortened name.
  if (context.rxLength > kWideTextLimit) return OutputOpen::Refused;
  const std::uint8_t* data = context.rxData;
  const std::string header(data, std::find(data, data + context.rxLength, 0));
  const std::size_t space = header.rfind(' ');
  // Without a space the header names nothing; a name left from an earlier
  // exchange must not be reused.
  context.fileName.clear();
  if (space != std::string::npos) {
    context.fileName = header.substr(0, space);
    Session().bytesTotal = ParseSize(header.substr(space + 1));
  }
  if (!localName.empty()) {
    context.fileName = localName;
  } else if (!PlainFileName(context.fileName)) {
    return OutputOpen::Refused;
  }
  context.fileName = UpperCaseAscii(context.fileName);
  if (context.serverMode && !PathInsideRoot(context.fileName)) return OutputOpen::Refused;

  const OutputCheck check = WideCheckOutputName(context.fileName, context);
  if (check == OutputCheck::Refuse) return OutputOpen::Refused;
  if (check == OutputCheck::Exists) return OutputOpen::FileExists;
  outName = context.fileName;
  if (!context.outFile.Open(context.fileName, FileOpen::CreateReadWrite, FileKind::Binary, context.root)) {
    return OutputOpen::Refused;
  }
  return OutputOpen::Opened;
}

bool WideWriteData(WideLinkContext& context) {
  return context.outFile.Write(context.rxData, static_cast<std::size_t>(context.rxLength));
}

bool WideFinishOutput(WideLinkContext& context) {
  const long size = context.outFile.Length();
  const bool closed = context.outFile.Close();
  if (size < 0 || !closed) {
    RemoveFile(context.fileName, context.root);
    return false;
  }
  Session().bytesTotal = ClampSize(size);
  return true;
}

}  // namespace corvane
