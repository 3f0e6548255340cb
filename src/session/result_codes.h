// Result codes of an operation and the protocol error codes with their texts.
#pragma once

#include <string>

namespace corvane {

// Result codes (TransferGetLastError).
inline constexpr int kResultSuccess = 0;
inline constexpr int kResultCancelled = -3;
inline constexpr int kResultUnexpectedPacket = -7;
inline constexpr int kResultFailed = -21;
inline constexpr int kResultFileExists = -25;

// Protocol error codes, sent to the Data Collector in E packets; the wide
// engine also ends its client transactions with some of them.
inline constexpr int kErrorCannotInitiateSession = 248;
inline constexpr int kErrorUnknownServerCommand = 249;
inline constexpr int kErrorCannotSendRemoteCommand = 250;
inline constexpr int kErrorCannotInitiateSend = 251;
inline constexpr int kErrorCannotTerminate = 252;
inline constexpr int kErrorCannotSendEof = 253;
inline constexpr int kErrorSendData = 254;
inline constexpr int kErrorCannotOpenFile = 255;
inline constexpr int kErrorDecode = 256;
inline constexpr int kErrorCannotCloseFile = 257;
inline constexpr int kErrorCancelledByUser = 258;
inline constexpr int kErrorOutOfDiskSpace = 259;
inline constexpr int kErrorFileExists = 260;
inline constexpr int kErrorPointNumberTooSmall = 261;
inline constexpr int kErrorWriteFile = 262;
inline constexpr int kErrorPacketLost = 263;
inline constexpr int kErrorWaitExpired = 264;
inline constexpr int kErrorFileNotFound = 265;
inline constexpr int kErrorNotCoordinateFile = -4;

// Sets `text` to the message of `code`; the empty string for any other code.
void ProtocolErrorText(int code, std::string& text);

// How an engine's run ended, as the dispatcher turns it into a result code.
enum class EngineOutcome {
  Success,     // 0
  Failed,      // -21
  FileExists,  // -25: the Data Collector reported "File exists"
};

int ResultOf(EngineOutcome outcome);

}  // namespace corvane
