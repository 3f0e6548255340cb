// The classic Kermit link: packets with a one-character length and check, the
// Send-Init negotiation and control-prefix encoding of data fields.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

// Kermit's character conversions.
constexpr int ToChar(int x) { return x + 32; }
constexpr int UnChar(int c) { return c - 32; }
constexpr int Ctl(int c) { return c ^ 64; }

inline constexpr std::uint8_t kSoh = 0x01;
inline constexpr std::size_t kClassicBufferSize = 612;
inline constexpr int kClassicLineLimit = 512;
inline constexpr std::size_t kEncodeBufferSize = 520;

struct ClassicLinkState {
  int sequence = 0;
  std::uint8_t lastPacket[kClassicBufferSize] = {};  // stored while lastPacket[0] is SOH
  int lastPacketLength = 0;
  std::uint8_t receiveBuffer[kClassicBufferSize] = {};
  int receivedLength = -1;
  int receivedSequence = -1;
  std::uint8_t* receivedData = nullptr;  // into receiveBuffer, zero-terminated where the CHECK was
  int pendingPacketType = 0;
  int errorFlag = 0;  // 0 none, 1 failure, -25 the peer reported "File exists"

  // Encoding and decoding.
  std::uint8_t encodeBuffer[kEncodeBufferSize] = {};
  int encodedLength = 0;
  std::uint8_t leftover[6] = {};
  const std::uint8_t* stringSource = nullptr;  // when set, ClassicNextByte reads this text
  std::uint8_t* decodeTarget = nullptr;        // when set, ClassicPutByte writes here
  std::uint8_t* decodeTargetEnd = nullptr;     // last usable byte of the target (its terminator goes there)
};

struct ClassicSettings {
  int checkLength = 1;
  int peerMaxLength = 90;
  int ourMaxLength = 90;
  int timeoutSeconds = 7;
  int ourTimeout = 7;
  int dataBudget = 87;
  int retryLimit = 5;
  std::uint8_t sendEol = 13;
  std::uint8_t receiveEol = 13;
  std::uint8_t peerPrefix = '#';
  std::uint8_t ourPrefix = '#';
};

ClassicLinkState& ClassicLink();
ClassicSettings& ClassicConfig();

// Packets.
// Builds a packet into lastPacket (stored for resends) and returns its length;
// nothing is sent. A data field longer than the store allows is cut.
int ClassicBuildPacket(std::uint8_t type, int number, int length, const std::uint8_t* data);
int ClassicSendPacket(std::uint8_t type, int number, int length, const std::uint8_t* data);
int ClassicResend();
int ClassicNextSequence();
void ClassicReset();
int ClassicSendAck();
int ClassicSendAckData(const char* text);
int ClassicSendNak();
int ClassicChecksum(const std::uint8_t* bytes);
// Finds the packet in the first `lineLength` bytes of receiveBuffer and sets
// receivedLength, receivedSequence and receivedData; the CHECK byte is handed
// back and replaced by a zero. False when the line holds no complete packet.
bool ClassicParseLine(int lineLength, std::uint8_t& type, std::uint8_t& check);
// How many more bytes the packet line in `line` needs at least: after SOH come
// LEN, SEQ, TYPE, CHECK and the end of line; once LEN has arrived it tells the rest.
int ClassicLineRemainder(const std::uint8_t* line, int stored);
// Forgets the last packet parsed and reads the next line into receiveBuffer:
// its length, or -1 (time-out) or -2 (cancel).
int ClassicReadLine();
std::uint8_t ClassicReadPacket();
std::uint8_t ClassicReceive();
void ClassicSendError(int code);
void ClassicFail();

// Send-Init and encoding.
std::string ClassicInitData();
int ClassicSendInit(std::uint8_t type);
void ClassicAdoptParams(const std::uint8_t* data, int length);
int ClassicNextByte();
void ClassicEncodeChar(std::uint8_t byte);
int ClassicEncodeField(int limit);
int ClassicEncodeString(const std::string& text);
int ClassicDecodeField();
int ClassicPutByte(std::uint8_t byte);
int ClassicDecodeToBuffer(char* buffer, int capacity);

}  // namespace corvane
