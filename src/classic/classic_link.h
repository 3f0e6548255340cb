// The classic Kermit link: packets with a one-character length and check, the
// Send-Init negotiation and control-prefix encoding of data fields. Every
// routine works on the record of one classic exchange, ClassicLinkState.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "classic/file_streams.h"
#include "session/kermit_basics.h"
#include "session/result_codes.h"

namespace corvane {

inline constexpr std::size_t kClassicBufferSize = 612;
inline constexpr int kClassicLineLimit = 512;
inline constexpr std::size_t kEncodeBufferSize = 520;
inline constexpr std::size_t kHostCommandCapacity = 500;

// The link's parameters: ours, and what the peer announced in its Send-Init.
struct ClassicSettings {
  int checkLength = 1;
  int peerMaxLength = 90;
  int ourMaxLength = 90;
  int timeoutSeconds = 7;
  int ourTimeout = 7;
  int dataBudget = 87;
  std::uint8_t sendEol = 13;
  std::uint8_t receiveEol = 13;
  std::uint8_t peerPrefix = '#';
  std::uint8_t ourPrefix = '#';
};

// The names and flags of one transaction.
struct ClassicFileSlots {
  std::string nextFileName;     // local path of the file waiting to be sent
  std::string currentFileName;  // file being sent; when receiving, the header's name
  std::string headerName;       // name announced / output path wanted, then written
  bool filePending = false;     // a file waits to be sent
  bool answerAsText = false;    // the next file header goes out as X
  std::array<char, kHostCommandCapacity> hostCommand{};  // G data received, decoded
};

struct ClassicLinkState {
  int sequence = 0;
  std::uint8_t lastPacket[kClassicBufferSize] = {};  // stored while lastPacket[0] is SOH
  int lastPacketLength = 0;
  std::uint8_t receiveBuffer[kClassicBufferSize] = {};
  int receivedLength = -1;
  int receivedSequence = -1;
  std::uint8_t* receivedData = nullptr;  // into receiveBuffer, zero-terminated where the CHECK was
  int pendingPacketType = 0;
  EngineOutcome errorFlag = EngineOutcome::Success;

  // Encoding and decoding.
  std::uint8_t encodeBuffer[kEncodeBufferSize] = {};
  int encodedLength = 0;
  std::uint8_t leftover[6] = {};
  const std::uint8_t* stringSource = nullptr;  // when set, ClassicNextByte reads this text
  std::uint8_t* decodeTarget = nullptr;        // when set, ClassicPutByte writes here
  std::uint8_t* decodeTargetEnd = nullptr;     // last usable byte of the target (its terminator goes there)

  ClassicSettings settings;
  ClassicFileSlots files;
  ClassicFileStreams streams;
  bool overwriteExisting = false;  // an existing output file is replaced without asking

  ClassicLinkState() = default;
  ClassicLinkState(const ClassicLinkState&) = delete;
  ClassicLinkState& operator=(const ClassicLinkState&) = delete;
};

// Packets.
// Builds a packet into lastPacket (stored for resends) and returns its length;
// nothing is sent. A data field longer than the store allows is cut.
int ClassicBuildPacket(std::uint8_t type, int number, int length, const std::uint8_t* data, ClassicLinkState& link);
int ClassicSendPacket(std::uint8_t type, int number, int length, const std::uint8_t* data, ClassicLinkState& link);
int ClassicResend(ClassicLinkState& link);
int ClassicNextSequence(ClassicLinkState& link);
void ClassicReset(ClassicLinkState& link);
int ClassicSendAck(ClassicLinkState& link);
int ClassicSendAckData(const char* text, ClassicLinkState& link);
int ClassicSendNak(ClassicLinkState& link);
int ClassicChecksum(const std::uint8_t* bytes);
// Finds the packet in the first `lineLength` bytes of receiveBuffer and sets
// receivedLength, receivedSequence and receivedData; the CHECK byte is handed
// back and replaced by a zero. False when the line holds no complete packet.
bool ClassicParseLine(int lineLength, std::uint8_t& type, std::uint8_t& check, ClassicLinkState& link);
// How many more bytes the packet line in `line` needs at least: after SOH come
// LEN, SEQ, TYPE, CHECK and the end of line; once LEN has arrived it tells the rest.
int ClassicLineRemainder(const std::uint8_t* line, int stored);
// Forgets the last packet parsed and reads the next line into receiveBuffer:
// its length, or -1 (time-out) or -2 (cancel).
int ClassicReadLine(ClassicLinkState& link);
std::uint8_t ClassicReadPacket(ClassicLinkState& link);
std::uint8_t ClassicReceive(ClassicLinkState& link);
void ClassicSendError(int code, ClassicLinkState& link);
void ClassicFail(ClassicLinkState& link);

// Send-Init and encoding.
std::string ClassicInitData(const ClassicSettings& settings);
int ClassicSendInit(std::uint8_t type, ClassicLinkState& link);
void ClassicAdoptParams(const std::uint8_t* data, int length, ClassicSettings& settings);
int ClassicNextByte(ClassicLinkState& link);
void ClassicEncodeChar(std::uint8_t byte, ClassicLinkState& link);
int ClassicEncodeField(int limit, ClassicLinkState& link);
int ClassicEncodeString(const std::string& text, ClassicLinkState& link);
int ClassicDecodeField(ClassicLinkState& link);
int ClassicPutByte(std::uint8_t byte, ClassicLinkState& link);
int ClassicDecodeToBuffer(char* buffer, int capacity, ClassicLinkState& link);

}  // namespace corvane
