// The file being sent: text lines with their line ends made CR LF, polyline
// lines in the Data Collector's form, coordinate records as text lines.
#include <algorithm>
#include <array>
#include <limits>

#include "classic/file_streams.h"
#include "hostfiles/file_names.h"
#include "session/transfer_session.h"
#include "survey/coordinate.h"
#include "survey/polyline.h"

namespace corvane {
namespace {

constexpr int kEndOfFile = -1;

std::int32_t ClampedLength(long length) {
  return static_cast<std::int32_t>(std::clamp<long>(length, 0, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

// The next record with a positive point number as its text line; false at the end.
bool ClassicFileStreams::ReadCoordinateLine() {
  std::array<std::uint8_t, kCoordinateRecordSize> bytes{};
  for (;;) {
    if (sendFile_.Read(bytes.data(), bytes.size()) != static_cast<long>(bytes.size())) return false;
    const CoordinateRecord record = CoordinateRecord::Decode(bytes);
    if (record.pointNumber <= 0) continue;
    line_ = CoordinateSendLine(record);
    return true;
  }
}

// The next text line (a piece of at most 79 characters), cut at a zero byte and
// in polyline mode converted; lines that come out empty are skipped.
bool ClassicFileStreams::ReadTextLine() {
  std::array<char, kSendLineCapacity> buffer{};
  for (;;) {
    if (!sendFile_.ReadLine(buffer.data(), kSendLineCapacity)) return false;
    line_.assign(buffer.data(), std::find(buffer.begin(), buffer.end(), '\0'));
    if (polylineMode_) ConvertPolylineLineForSend(line_);
    if (!line_.empty()) return true;
  }
}

int ClassicFileStreams::ReadSourceByte() {
  if (linePosition_ && *linePosition_ < line_.size()) {
    return static_cast<unsigned char>(line_[(*linePosition_)++]);
  }
  if (!sendFile_.IsOpen()) return kEndOfFile;
  const bool haveLine = coordinateMode_ ? ReadCoordinateLine() : ReadTextLine();
  if (!haveLine) return kEndOfFile;
  linePosition_ = 1;
  return static_cast<unsigned char>(line_[0]);
}

int ClassicFileStreams::OpenSendFile(std::string name) {
  name = UpperCaseAscii(std::move(name));
  if (!FileExists(name)) return -2;
  SetModesFromName(name);
  sendFile_ = StdioFile{};
  if (!sendFile_.Open(name, FileOpen::Read, coordinateMode_ ? FileKind::Binary : FileKind::Text)) return -1;
  Session().bytesDone = 0;
  if (coordinateMode_) {
    // The size of the text form is not known before the records have been read.
    if (!sendFile_.Seek(kCoordinateHeaderSize)) return -1;
    Session().bytesTotal = 0;
  } else {
    Session().bytesTotal = ClampedLength(sendFile_.Length());
    if (!sendFile_.Seek(0)) return -1;
  }
  line_.clear();
  linePosition_ = 0;
  lineEndPending_ = false;
  return 0;
}

int ClassicFileStreams::NextSendByte() {
  if (lineEndPending_) {
    lineEndPending_ = false;
    return '\n';
  }
  const int byte = ReadSourceByte();
  if (byte == '\r' || byte == '\n') {
    lineEndPending_ = true;
    return '\r';
  }
  return byte;
}

void ClassicFileStreams::CloseSendFile() {
  if (sendFile_.IsOpen()) sendFile_.Close();
}

}  // namespace corvane
