// What the device's two protocol engines share: the line, the settings, the
// sequence number, the packet to send again, and the waits that resend or NAK
// until an answer comes. An engine adds its own framing and its conversations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "corvane-dc/engine_settings.h"
#include "corvane-dc/incoming_file.h"
#include "corvane-dc/roles.h"

namespace corvane::dc {

inline constexpr std::uint32_t kInterByteMs = 2000;
inline constexpr std::uint32_t kDrainQuietMs = 100;

constexpr int NextSeq(int seq) { return (seq + 1) & 63; }
constexpr int PreviousSeq(int seq) { return (seq + 63) & 63; }

// What sets one engine apart from the other, besides its framing code.
struct Dialect {
  Framing framing;             // frames of the other framing are never answers
  FrameParser parse;
  std::size_t longestData;     // data beyond this is cut before the packet goes out
  std::string unknownCommand;  // the E text for a request the server does not know
};

// What one packet of a transfer being received did to it.
enum class Received { More, Complete, Broken };

class PacketExchange {
 public:
  PacketExchange(const PacketExchange&) = delete;
  PacketExchange& operator=(const PacketExchange&) = delete;

  Outcome Run(const Role& role);

 protected:
  PacketExchange(DeviceLine& line, ServedDirectory& files, const EngineSettings& settings, Dialect dialect);
  ~PacketExchange() = default;

  // The bytes of `packet` as this engine puts them on the line.
  virtual std::string Frame(const Packet& packet) const = 0;
  // Text for an E or a command, as the field carries it.
  virtual std::string TextField(std::string_view text) const = 0;
  virtual void NoteRemoteError(const Packet& error, Outcome& outcome) = 0;
  // Every role but Serve, once the line is clear.
  virtual Outcome Drive(const Role& role) = 0;
  // One request of a peer to the serving device.
  virtual void ServeRequest(const Packet& request, Outcome& outcome) = 0;
  // A frame the serving device answers though it is not its own kind; true when answered.
  virtual bool AnswerForeignFrame(const ReadResult&) { return false; }
  // One packet, not an E, of a transfer being received; the caller acknowledges
  // it when more is to come.
  virtual Received Take(const Packet& packet, IncomingFile& incoming, bool textAnswer, Outcome& outcome) = 0;
  virtual std::uint32_t TimeoutMs() const;

  void SendPacket(char type, int seq, const std::string& data, const std::string& note = {});
  void SendError(int seq, std::string_view text, const std::string& note = {});
  void SendNak(int seq);
  void Resend();
  ReadResult ReadPacket(std::uint32_t waitMs);
  // Sends and waits for an answer of one of the `replies` types with the same
  // number (an ACK, or the S that answers an R), or an E.
  std::optional<Packet> Transact(char type, const std::string& data, std::string_view replies = "Y");
  // Transact for a step that must be acknowledged: nothing, with the reason in
  // `outcome`, when no answer or an E comes.
  std::optional<Packet> Acknowledged(char type, const std::string& data, Outcome& outcome);
  // Waits for the packet numbered `expected`; NAKs damage, re-acknowledges duplicates.
  std::optional<Packet> Await(int expected);
  // After the S has been acknowledged: the packets of one transfer, each
  // acknowledged, until it is complete or broken off; true when complete.
  bool Receive(Outcome& outcome, bool textAnswer);
  // Ends a transfer being received with an E of `text`, which also goes into `outcome`.
  Received Fail(const std::string& text, Outcome& outcome);
  // Opens where a received file of `name` goes in the served directory.
  bool OpenFile(IncomingFile& incoming, const std::string& name) const;

  // The served directory's answer to a generic command; false with the reason
  // in `answer` when it cannot be carried out. `announced` names the answer.
  bool CarryOut(const GenericCommand& command, std::string& answer, std::string& announced);
  struct ServedFile {
    std::string name;
    std::string content;
  };
  // A file of the current directory, under the name it is stored with.
  std::optional<ServedFile> FetchFile(const std::string& name) const;
  // The file a Send or Upload role puts on the PC, or nothing with the reason in `outcome`.
  static std::optional<ServedFile> RoleFile(const Role& role, Outcome& outcome);

  DeviceLine& line_;
  ServedDirectory& files_;
  const EngineSettings settings_;
  const Dialect dialect_;
  int seq_ = 0;

 private:
  Outcome Serve(const Role& role);
  void Restart();
  // A good frame of this engine's own framing.
  bool Usable(const ReadResult& read) const;
  void NoteFailedRead(const ReadResult& read);

  Packet last_;
  bool lastStored_ = false;
};

}  // namespace corvane::dc
