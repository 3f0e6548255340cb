// The classic engine's local file streams: the file being sent and the file
// being received, with the .CR5 coordinate and .PL5 polyline conversions and
// text line ends normalised on the way.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

inline constexpr int kStoreNotCoordinateLine = -2;
inline constexpr int kStoreWriteFailed = -3;

// 0 ready; -1 open failed; -2 the file doesn't exist or isn't readable.
int OpenSendFile(std::string name);
// The next byte 0..255, or -1 at the end of the file.
int NextSendByte();
// 0 ready; -1 refused, cancelled or open failed. `name` becomes its file-name part.
int OpenReceiveFile(std::string& name);
// 1 taken; -2 a coordinate line that can't be read; another negative value when
// the file cannot be written.
int StoreReceivedByte(std::uint8_t byte);
int FinishReceiveFile();
// Closes the file being sent and empties headerName.
int CloseTransferFiles();
// Forgets a half-collected or half-sent line (the line position becomes none).
void ResetLineState();
// True while a received file is open.
bool ReceiveFileOpen();

}  // namespace corvane
