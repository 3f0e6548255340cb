// The device speaking the classic framing: Send-Init negotiation, control
// prefixing, a Kermit server, a sender, and a client of a Kermit server.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "corvane-dc/engine_settings.h"
#include "corvane-dc/incoming_file.h"
#include "corvane-dc/roles.h"

namespace corvane::dc {

class ClassicDevice {
 public:
  ClassicDevice(DeviceLine& line, ServedDirectory& files, const EngineSettings& settings);
  Outcome Run(const Role& role);

 private:
  Outcome Serve(const Role& role);
  void ServeRequest(const Packet& request, Outcome& outcome);
  // S, header, D packets, Z, B: one file or one text answer.
  bool SendContent(char headerType, const std::string& name, const std::string& content, Outcome& outcome);
  // After the S has been acknowledged: headers, data, Z, until B.
  bool ReceiveFiles(Outcome& outcome, bool textAnswer);
  // The I exchange that opens a request to a server; a server that refuses I
  // with E is used with the parameters as they stand.
  bool InitInfo(Outcome& outcome);
  Outcome Download(const Role& role);
  Outcome Remote(const Role& role);
  Outcome RefuseWithError(const Role& role);

  void SendPacket(char type, int seq, const std::string& data, const std::string& note = {});
  void SendNak(int seq);
  void Resend();
  ReadResult ReadPacket(std::uint32_t waitMs);
  std::uint32_t TimeoutMs() const;
  // Sends and waits for an answer of one of the `replies` types with the same
  // number (an ACK, or the S that answers an R), or an E.
  std::optional<Packet> Transact(char type, const std::string& data, std::string_view replies = "Y");
  // Waits for the packet numbered `expected`; NAKs damage, re-acknowledges duplicates.
  std::optional<Packet> Await(int expected);
  void NoteRemoteError(const Packet& error, Outcome& outcome);
  std::string Encode(std::string_view text) const;

  DeviceLine& line_;
  ServedDirectory& files_;
  EngineSettings settings_;
  SendInit ours_;
  SendInit peer_;
  bool peerKnown_ = false;
  int seq_ = 0;
  Packet last_;
  bool lastStored_ = false;
};

}  // namespace corvane::dc
