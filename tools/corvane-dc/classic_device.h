// The device speaking the classic framing: Send-Init negotiation, control
// prefixing, a Kermit server, a sender, and a client of a Kermit server.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "corvane-dc/packet_exchange.h"

namespace corvane::dc {

class ClassicDevice final : public PacketExchange {
 public:
  ClassicDevice(DeviceLine& line, ServedDirectory& files, const EngineSettings& settings);

 private:
  std::string Frame(const Packet& packet) const override;
  std::string TextField(std::string_view text) const override;
  void NoteRemoteError(const Packet& error, Outcome& outcome) override;
  Outcome Drive(const Role& role) override;
  void ServeRequest(const Packet& request, Outcome& outcome) override;
  // Headers, data, Z for each file, until B.
  Received Take(const Packet& packet, IncomingFile& incoming, bool textAnswer, Outcome& outcome) override;
  // The peer's time-out once it has announced one.
  std::uint32_t TimeoutMs() const override;

  // S, header, D packets, Z, B: one file or one text answer.
  bool SendContent(char headerType, const std::string& name, const std::string& content, Outcome& outcome);
  // Acknowledges the server's S with ours, then takes what it sends.
  void ReceiveAfterInit(const Packet& init, Outcome& outcome, bool textAnswer);
  // The I exchange that opens a request to a server; a server that refuses I
  // with E is used with the parameters as they stand.
  bool InitInfo(Outcome& outcome);
  Outcome Download(const Role& role);
  Outcome Remote(const Role& role);
  void LearnPeer(const std::string& sendInit);
  std::string Decode(const std::string& field) const;

  SendInit ours_;
  SendInit peer_;
  bool peerKnown_ = false;
};

}  // namespace corvane::dc
