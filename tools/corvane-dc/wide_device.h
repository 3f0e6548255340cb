// The device speaking the wide framing: raw data up to 512 bytes, no
// negotiation, no end-of-line. It answers the PC's framing probes, serves the
// PC's client transactions, sends to a receiving PC, and drives a PC in server
// mode.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "corvane-dc/engine_settings.h"
#include "corvane-dc/incoming_file.h"
#include "corvane-dc/roles.h"

namespace corvane::dc {

class WideDevice {
 public:
  WideDevice(DeviceLine& line, ServedDirectory& files, const EngineSettings& settings);
  Outcome Run(const Role& role);

 private:
  Outcome Serve(const Role& role);
  void ServeRequest(const ParsedFrame& frame, Outcome& outcome);
  void AnswerCommand(const Packet& request, Outcome& outcome);
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
  // After the S has been acknowledged: header, data, until Z (or B).
  bool ReceiveFile(Outcome& outcome, bool textAnswer);

  void SendPacket(char type, int seq, const std::string& data, const std::string& note = {});
  void SendNak(int seq);
  void Resend();
  ReadResult ReadPacket(std::uint32_t waitMs);
  // Sends and waits for an answer of one of the `replies` types with the same
  // number (an ACK, or the S that answers an R), or an E.
  std::optional<Packet> Transact(char type, const std::string& data, std::string_view replies = "Y");
  std::optional<Packet> Await(int expected);
  void NoteRemoteError(const Packet& error, Outcome& outcome);

  DeviceLine& line_;
  ServedDirectory& files_;
  EngineSettings settings_;
  int seq_ = 0;
  Packet last_;
  bool lastStored_ = false;
};

// "NAME SIZE": the name is everything before the last space.
std::string HeaderName(const std::string& header);

}  // namespace corvane::dc
