// The process-wide state behind the survey file streams. Only the worker
// thread of the running operation touches it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/file.h"

namespace corvane {

// The line buffer holds 512 bytes: a received line keeps at most 511 of them
// before its zero terminator.
inline constexpr std::size_t kLineBufferSize = 512;
inline constexpr std::size_t kLineLimit = kLineBufferSize - 1;
// Text lines are read for sending in pieces of at most 79 characters.
inline constexpr int kSendLineCapacity = 80;

// What becomes of the rest of a received text line that outgrew the buffer.
enum class OverlongLine {
  None,         // the line fits so far
  PassThrough,  // its first piece was written as it came; the rest follows unchanged
  Drop,         // its first piece was converted or dropped; the rest is dropped
};

struct SurveyStreamState {
  bool coordinateMode = false;  // name ends in ".CR5"
  bool polylineMode = false;    // name ends in ".PL5"
  StdioFile sendFile;
  StdioFile receiveFile;
  std::string line;  // the line being handed out or collected
  // Next byte to hand out (sending); none: no line under way.
  std::optional<std::size_t> linePosition;
  bool lineEndPending = false;  // a line feed is owed behind a carriage return
  std::int32_t highestPoint = 0;
  OverlongLine overlong = OverlongLine::None;
};

SurveyStreamState& SurveyStreams();

// Coordinate and polyline mode from the last four characters of the name, in any case.
void SetModesFromName(SurveyStreamState& state, const std::string& name);
// Only a to z change: names are compared as the C locale would.
std::string UpperCaseAscii(std::string text);

}  // namespace corvane
