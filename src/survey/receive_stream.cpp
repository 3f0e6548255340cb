// The file being received: text lines written with CR LF line ends, polyline
// lines in the PC's form, coordinate text lines as binary records.
#include <algorithm>
#include <limits>

#include "api/transfer_session.h"
#include "hostfiles/file_names.h"
#include "hostfiles/transfer_slots.h"
#include "platform/host_seams.h"
#include "survey/coordinate.h"
#include "survey/polyline.h"
#include "survey/stream_state.h"
#include "survey/survey_streams.h"

namespace corvane {

namespace {

constexpr int kTaken = 1;

void StartLine(SurveyStreamState& s) {
  s.line.clear();
  s.linePosition = 0;
  s.overlong = OverlongLine::None;
}

bool WriteText(SurveyStreamState& s, const std::string& text) { return text.empty() || s.receiveFile.Write(text); }

// A line that fills the buffer. No coordinate line is that long, so it ends the
// receive. A text line is written out in pieces: its first piece is treated as
// a line of its own, and the rest follows only when that piece stayed unchanged
// (always so for plain text; for polyline files only SA and SC lines).
int SpillOverlongLine(SurveyStreamState& s) {
  if (s.coordinateMode) return kStoreNotCoordinateLine;
  std::string piece = s.line;
  if (s.overlong == OverlongLine::None) {
    if (s.polylineMode) ConvertPolylineLineForReceive(piece);
    s.overlong = piece == s.line ? OverlongLine::PassThrough : OverlongLine::Drop;
  }
  s.line.clear();
  return WriteText(s, piece) ? kTaken : kStoreWriteFailed;
}

int StoreCoordinateLine(SurveyStreamState& s) {
  const std::optional<CoordinateRecord> record = ParseCoordinateLine(s.line);
  if (!record) return kStoreNotCoordinateLine;
  const auto bytes = record->Encode();
  if (!s.receiveFile.Write(bytes.data(), bytes.size())) return kStoreWriteFailed;
  s.highestPoint = std::max(s.highestPoint, record->pointNumber);
  return kTaken;
}

int StoreTextLine(SurveyStreamState& s) {
  if (s.overlong == OverlongLine::Drop) return kTaken;
  if (s.overlong == OverlongLine::None && s.polylineMode) ConvertPolylineLineForReceive(s.line);
  return WriteText(s, s.line) ? kTaken : kStoreWriteFailed;
}

// The header names the file by the first characters of the name it was received under.
CoordinateHeader FinishedHeader(const SurveyStreamState& s) {
  const std::string& name = Slots().currentFileName;
  const std::size_t count = name.size() < 4 ? kHeaderNameSize : std::min(name.size() - 4, kHeaderNameSize);
  CoordinateHeader header;
  header.name = name.substr(0, count);
  header.highestPoint = s.highestPoint;
  return header;
}

}  // namespace

int OpenReceiveFile(std::string& name) {
  SurveyStreamState& s = SurveyStreams();
  s.highestPoint = 0;
  // The modes follow the name as announced, whatever name the user picks below.
  SetModesFromName(s, name);
  std::string path = UpperCaseAscii(name);
  if (CheckFileName(path, NameChecks{.checkName = true, .readWriteIfExists = true}) != 0) return -1;
  if (FileExists(path) && !Slots().overwriteExisting) {
    std::optional<std::string> chosen = AskSaveAs(path);
    if (!chosen) return -1;
    path = std::move(*chosen);
  }
  Slots().currentFileName = path;
  s.receiveFile = StdioFile{};
  if (!s.receiveFile.Open(path, FileOpen::CreateReadWrite, s.coordinateMode ? FileKind::Binary : FileKind::Text)) {
    return -1;
  }
  name = FileNamePart(path);
  if (s.coordinateMode) {
    const auto header = CoordinateHeader{}.Encode();
    if (!s.receiveFile.Write(header.data(), header.size())) {
      s.receiveFile.Close();
      return -1;
    }
  }
  StartLine(s);
  return 0;
}

int StoreReceivedByte(std::uint8_t byte) {
  SurveyStreamState& s = SurveyStreams();
  if (byte == '\r') return kTaken;
  if (!s.linePosition) StartLine(s);
  if (s.line.size() == kLineLimit) {
    const int spilled = SpillOverlongLine(s);
    if (spilled != kTaken) {
      StartLine(s);
      return spilled;
    }
  }
  if (byte != '\n') {
    if (s.overlong != OverlongLine::Drop) s.line.push_back(static_cast<char>(byte));
    s.linePosition = s.line.size();
    return kTaken;
  }
  s.line.push_back('\n');
  const int result = s.coordinateMode ? StoreCoordinateLine(s) : StoreTextLine(s);
  StartLine(s);
  return result;
}

int FinishReceiveFile() {
  SurveyStreamState& s = SurveyStreams();
  if (s.coordinateMode) {
    // An unfinished last line is dropped: a point without its line end may be cut short.
    if (s.receiveFile.IsOpen()) {
      const auto header = FinishedHeader(s).Encode();
      if (s.receiveFile.Seek(0)) s.receiveFile.Write(header.data(), header.size());
    }
  } else if (s.linePosition && (!s.line.empty() || s.overlong != OverlongLine::None)) {
    StoreReceivedByte('\n');
  }
  StartLine(s);
  if (s.receiveFile.IsOpen()) {
    const long position = s.receiveFile.Tell();
    Session().bytesTotal =
        static_cast<std::int32_t>(std::clamp<long>(position, 0, std::numeric_limits<std::int32_t>::max()));
    s.receiveFile.Close();
  }
  return 0;
}

bool ReceiveFileOpen() { return SurveyStreams().receiveFile.IsOpen(); }

}  // namespace corvane
