// The classic engine's local files: the file being sent and the file being
// received, with .CR5 coordinate records and .PL5 polyline lines converted on
// the way (one text line each on the line) and text line ends normalised.
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

inline constexpr int kStoreNotCoordinateLine = -2;
inline constexpr int kStoreWriteFailed = -3;

// What becomes of the rest of a received text line that outgrew the buffer.
enum class OverlongLine {
  None,         // the line fits so far
  PassThrough,  // its first piece was written as it came; the rest follows unchanged
  Drop,         // its first piece was converted or dropped; the rest is dropped
};

class ClassicFileStreams {
 public:
  // 0 ready; -1 open failed; -2 the file doesn't exist or isn't readable.
  int OpenSendFile(std::string name);
  // The next byte 0..255, or -1 at the end of the file.
  int NextSendByte();
  void CloseSendFile();

  // 0 ready; -1 refused, cancelled or open failed. An existing file is replaced
  // when `overwriteExisting`, else the host is asked for another name. `name`
  // becomes the file-name part of the path written.
  int OpenReceiveFile(std::string& name, bool overwriteExisting);
  // The path the received file is written to.
  const std::string& ReceivePath() const { return receivePath_; }
  // 1 taken; -2 a coordinate line that can't be read; -3 when the file cannot be written.
  int StoreReceivedByte(std::uint8_t byte);
  int FinishReceiveFile();
  bool ReceiveFileOpen() const { return receiveFile_.IsOpen(); }

  // Forgets a half-collected or half-sent line (the line position becomes none).
  void ResetLineState() { linePosition_.reset(); }

 private:
  bool ReadCoordinateLine();
  bool ReadTextLine();
  int ReadSourceByte();
  void StartLine();
  bool WriteText(const std::string& text);
  int SpillOverlongLine();
  int StoreCoordinateLine();
  int StoreTextLine();
  void SetModesFromName(const std::string& name);

  bool coordinateMode_ = false;  // name ends in ".CR5"
  bool polylineMode_ = false;    // name ends in ".PL5"
  StdioFile sendFile_;
  StdioFile receiveFile_;
  std::string receivePath_;
  std::string line_;  // the line being handed out or collected
  // Next byte to hand out (sending); none: no line under way.
  std::optional<std::size_t> linePosition_;
  bool lineEndPending_ = false;  // a line feed is owed behind a carriage return
  std::int32_t highestPoint_ = 0;
  OverlongLine overlong_ = OverlongLine::None;
};

}  // namespace corvane
