// The file being received: text lines written with CR LF line ends, polyline
// lines in the PC's form, coordinate text lines as binary records.
#include <algorithm>
#include <limits>

#include "classic/file_streams.h"
#include "hostfiles/file_names.h"
#include "session/host_seams.h"
#include "session/transfer_session.h"
#include "survey/coordinate.h"
#include "survey/polyline.h"

namespace corvane {
namespace {

constexpr int kTaken = 1;

// The header names the file by the first characters of the name it was received under.
CoordinateHeader FinishedHeader(const std::string& name, std::int32_t highestPoint) {
  const std::size_t count = name.size() < 4 ? kHeaderNameSize : std::min(name.size() - 4, kHeaderNameSize);
  CoordinateHeader header;
  header.name = name.substr(0, count);
  header.highestPoint = highestPoint;
  return header;
}

}  // namespace

void ClassicFileStreams::StartLine() {
  line_.clear();
  linePosition_ = 0;
  overlong_ = OverlongLine::None;
}

bool ClassicFileStreams::WriteText(const std::string& text) { return text.empty() || receiveFile_.Write(text); }

// A line that fills the buffer. No coordinate line is that long, so it ends the
// receive. A text line is written out in pieces: its first piece is treated as
// a line of its own, and the rest follows only when that piece stayed unchanged
// (always so for plain text; for polyline files only SA and SC lines).
int ClassicFileStreams::SpillOverlongLine() {
  if (coordinateMode_) return kStoreNotCoordinateLine;
  std::string piece = line_;
  if (overlong_ == OverlongLine::None) {
    if (polylineMode_) ConvertPolylineLineForReceive(piece);
    overlong_ = piece == line_ ? OverlongLine::PassThrough : OverlongLine::Drop;
  }
  line_.clear();
  return WriteText(piece) ? kTaken : kStoreWriteFailed;
}

int ClassicFileStreams::StoreCoordinateLine() {
  const std::optional<CoordinateRecord> record = ParseCoordinateLine(line_);
  if (!record) return kStoreNotCoordinateLine;
  const auto bytes = record->Encode();
  if (!receiveFile_.Write(bytes.data(), bytes.size())) return kStoreWriteFailed;
  highestPoint_ = std::max(highestPoint_, record->pointNumber);
  return kTaken;
}

int ClassicFileStreams::StoreTextLine() {
  if (overlong_ == OverlongLine::Drop) return kTaken;
  if (overlong_ == OverlongLine::None && polylineMode_) ConvertPolylineLineForReceive(line_);
  return WriteText(line_) ? kTaken : kStoreWriteFailed;
}

int ClassicFileStreams::OpenReceiveFile(std::string& name, bool overwriteExisting) {
  highestPoint_ = 0;
  // The modes follow the name as announced, whatever name the user picks below.
  SetModesFromName(name);
  std::string path = UpperCaseAscii(name);
  if (CheckFileName(path, NameChecks{.checkName = true, .readWriteIfExists = true}) != 0) return -1;
  if (FileExists(path) && !overwriteExisting) {
    std::optional<std::string> chosen = AskSaveAs(path);
    if (!chosen) return -1;
    path = std::move(*chosen);
  }
  receivePath_ = path;
  receiveFile_ = StdioFile{};
  if (!receiveFile_.Open(path, FileOpen::CreateReadWrite, coordinateMode_ ? FileKind::Binary : FileKind::Text)) {
    return -1;
  }
  name = FileNamePart(path);
  if (coordinateMode_) {
    const auto header = CoordinateHeader{}.Encode();
    if (!receiveFile_.Write(header.data(), header.size())) {
      receiveFile_.Close();
      return -1;
    }
  }
  StartLine();
  return 0;
}

int ClassicFileStreams::StoreReceivedByte(std::uint8_t byte) {
  if (byte == '\r') return kTaken;
  if (!linePosition_) StartLine();
  if (line_.size() == kLineLimit) {
    const int spilled = SpillOverlongLine();
    if (spilled != kTaken) {
      StartLine();
      return spilled;
    }
  }
  if (byte != '\n') {
    if (overlong_ != OverlongLine::Drop) line_.push_back(static_cast<char>(byte));
    linePosition_ = line_.size();
    return kTaken;
  }
  line_.push_back('\n');
  const int result = coordinateMode_ ? StoreCoordinateLine() : StoreTextLine();
  StartLine();
  return result;
}

int ClassicFileStreams::FinishReceiveFile() {
  if (coordinateMode_) {
    // An unfinished last line is dropped: a point without its line end may be cut short.
    if (receiveFile_.IsOpen()) {
      const auto header = FinishedHeader(receivePath_, highestPoint_).Encode();
      if (receiveFile_.Seek(0)) receiveFile_.Write(header.data(), header.size());
    }
  } else if (linePosition_ && (!line_.empty() || overlong_ != OverlongLine::None)) {
    StoreReceivedByte('\n');
  }
  StartLine();
  if (receiveFile_.IsOpen()) {
    const long position = receiveFile_.Tell();
    Session().bytesTotal =
        static_cast<std::int32_t>(std::clamp<long>(position, 0, std::numeric_limits<std::int32_t>::max()));
    receiveFile_.Close();
  }
  return 0;
}

}  // namespace corvane
