// The file being sent: text lines with their line ends made CR LF, polyline
// lines in the Data Collector's form, coordinate records as text lines.
#include <algorithm>
#include <array>
#include <limits>

#include "api/transfer_session.h"
#include "hostfiles/file_names.h"
#include "hostfiles/transfer_slots.h"
#include "survey/coordinate.h"
#include "survey/polyline.h"
#include "survey/stream_state.h"
#include "survey/survey_streams.h"

namespace corvane {

namespace {

constexpr int kEndOfFile = -1;

// The next record with a positive point number as its text line; false at the end.
bool ReadCoordinateLine(SurveyStreamState& s) {
  std::array<std::uint8_t, kCoordinateRecordSize> bytes{};
  for (;;) {
    if (s.sendFile.Read(bytes.data(), bytes.size()) != static_cast<long>(bytes.size())) return false;
    const CoordinateRecord record = CoordinateRecord::Decode(bytes);
    if (record.pointNumber <= 0) continue;
    s.line = CoordinateSendLine(record);
    return true;
  }
}

// The next text line (a piece of at most 79 characters), cut at a zero byte and
// in polyline mode converted; lines that come out empty are skipped.
bool ReadTextLine(SurveyStreamState& s) {
  std::array<char, kSendLineCapacity> buffer{};
  for (;;) {
    if (!s.sendFile.ReadLine(buffer.data(), kSendLineCapacity)) return false;
    s.line.assign(buffer.data(), std::find(buffer.begin(), buffer.end(), '\0'));
    if (s.polylineMode) ConvertPolylineLineForSend(s.line);
    if (!s.line.empty()) return true;
  }
}

int ReadSourceByte(SurveyStreamState& s) {
  if (s.linePosition && *s.linePosition < s.line.size()) {
    return static_cast<unsigned char>(s.line[(*s.linePosition)++]);
  }
  if (!s.sendFile.IsOpen()) return kEndOfFile;
  const bool haveLine = s.coordinateMode ? ReadCoordinateLine(s) : ReadTextLine(s);
  if (!haveLine) return kEndOfFile;
  s.linePosition = 1;
  return static_cast<unsigned char>(s.line[0]);
}

std::int32_t ClampedLength(long length) {
  return static_cast<std::int32_t>(std::clamp<long>(length, 0, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

int OpenSendFile(std::string name) {
  SurveyStreamState& s = SurveyStreams();
  name = UpperCaseAscii(std::move(name));
  if (!FileExists(name)) return -2;
  SetModesFromName(s, name);
  s.sendFile = StdioFile{};
  if (!s.sendFile.Open(name, FileOpen::Read, s.coordinateMode ? FileKind::Binary : FileKind::Text)) return -1;
  Session().bytesDone = 0;
  if (s.coordinateMode) {
    // The size of the text form is not known before the records have been read.
    if (!s.sendFile.Seek(kCoordinateHeaderSize)) return -1;
    Session().bytesTotal = 0;
  } else {
    Session().bytesTotal = ClampedLength(s.sendFile.Length());
    if (!s.sendFile.Seek(0)) return -1;
  }
  s.line.clear();
  s.linePosition = 0;
  s.lineEndPending = false;
  return 0;
}

int NextSendByte() {
  SurveyStreamState& s = SurveyStreams();
  if (s.lineEndPending) {
    s.lineEndPending = false;
    return '\n';
  }
  const int byte = ReadSourceByte(s);
  if (byte == '\r' || byte == '\n') {
    s.lineEndPending = true;
    return '\r';
  }
  return byte;
}

int CloseTransferFiles() {
  SurveyStreamState& s = SurveyStreams();
  if (s.sendFile.IsOpen()) s.sendFile.Close();
  Slots().headerName.clear();
  return 0;
}

void ResetLineState() { SurveyStreams().linePosition.reset(); }

}  // namespace corvane
