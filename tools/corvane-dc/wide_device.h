// The device speaking the wide framing: raw data up to 512 bytes, no
// negotiation, no end-of-line. It answers the PC's framing probes, serves the
// PC's client transactions, sends to a receiving PC, and drives a PC in server
// mode.
#pragma once

#include <string>
#include <string_view>

#include "corvane-dc/packet_exchange.h"

namespace corvane::dc {

class WideDevice final : public PacketExchange {
 public:
  WideDevice(DeviceLine& line, ServedDirectory& files, const EngineSettings& settings);

 private:
  std::string Frame(const Packet& packet) const override;
  std::string TextField(std::string_view text) const override { return std::string(text); }
  void NoteRemoteError(const Packet& error, Outcome& outcome) override;
  Outcome Drive(const Role& role) override;
  void ServeRequest(const Packet& request, Outcome& outcome) override;
  // Header, data, until Z (or B).
  Received Take(const Packet& packet, IncomingFile& incoming, bool textAnswer, Outcome& outcome) override;
  // Acknowledges the PC's classic-framed framing probe.
  bool AnswerForeignFrame(const ReadResult& read) override;

  void AnswerGetByHeader(Outcome& outcome);
  // S, then E with the reason: how a request that cannot be met is refused.
  void RefuseAfterInit(const std::string& text);
  Outcome SendToReceiver(const Role& role);
  Outcome DriveServer(const Role& role);
  // The classic-framed S with the check byte 'G' that tells a probing PC a wide
  // device is here; true once the PC is ready for wide packets.
  bool AnnounceWideFraming(Outcome& outcome);

  // S (unless `withInit` is false), header, data, Z. No B: the wide exchanges end at Z.
  bool SendContent(char headerType, const std::string& name, const std::string& content, bool withInit,
                   Outcome& outcome);
};

// "NAME SIZE": the name is everything before the last space.
std::string HeaderName(const std::string& header);

}  // namespace corvane::dc
