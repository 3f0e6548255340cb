#include "corvane-dc/wide_device.h"

#include <chrono>
#include <thread>

namespace corvane::dc {
namespace {

constexpr std::uint32_t kInterByteMs = 2000;
constexpr std::uint32_t kDrainQuietMs = 100;
// After the PC has acknowledged the framing probe it empties its input before
// it reads wide packets; the device waits that out rather than lose its S.
constexpr std::chrono::milliseconds kAfterProbePause{200};

int Next(int seq) { return (seq + 1) & 63; }
int Previous(int seq) { return (seq + 63) & 63; }

bool IsFramingProbe(const ReadResult& read) {
  const ParsedFrame& frame = read.frame;
  return read.kind != ReadKind::Timeout && read.kind != ReadKind::Stopped && frame.framing == Framing::Classic &&
         frame.consumed >= 4 && frame.packet.type == 'S' && frame.checkByte == kProbeCheckByte;
}

}  // namespace

std::string HeaderName(const std::string& header) {
  const std::size_t space = header.rfind(' ');
  return space == std::string::npos ? header : header.substr(0, space);
}

WideDevice::WideDevice(DeviceLine& line, ServedDirectory& files, const EngineSettings& settings)
    : line_(line), files_(files), settings_(settings) {}

void WideDevice::SendPacket(char type, int seq, const std::string& data, const std::string& note) {
  last_ = Packet{type, seq & 63, data.substr(0, kWideMaxData)};
  lastStored_ = true;
  line_.Send(last_, WideFrame(last_), note);
}

void WideDevice::SendNak(int seq) {
  const Packet nak{'N', seq & 63, {}};
  line_.Send(nak, WideFrame(nak));
}

void WideDevice::Resend() {
  if (lastStored_) {
    line_.Send(last_, WideFrame(last_), "again");
  } else {
    SendNak(seq_);
  }
}

ReadResult WideDevice::ReadPacket(std::uint32_t waitMs) { return line_.Read(ParseWideLineFrame, waitMs, kInterByteMs); }

std::optional<Packet> WideDevice::Transact(char type, const std::string& data, std::string_view replies) {
  SendPacket(type, seq_, data);
  const auto timeoutMs = static_cast<std::uint32_t>(settings_.timeoutSeconds) * 1000;
  for (int attempt = 1; attempt < settings_.retries; ++attempt) {
    const ReadResult read = ReadPacket(timeoutMs);
    if (read.kind == ReadKind::Stopped) return std::nullopt;
    if (read.kind == ReadKind::Good && read.frame.framing == Framing::Wide) {
      const Packet& reply = read.frame.packet;
      if (reply.type == 'E') return reply;
      if (reply.seq == seq_ && reply.type != 'N' && replies.find(reply.type) != std::string_view::npos) return reply;
      // A NAK for the next packet says this one arrived.
      if (reply.type == 'N' && reply.seq == Next(seq_) && replies.find('Y') != std::string_view::npos) {
        return Packet{'Y', seq_, {}};
      }
      // Answering a stale packet with a resend would double every later
      // exchange; only a NAK of this packet asks for it again.
      if (reply.type != 'N' || reply.seq != seq_) continue;
    }
    if (read.kind == ReadKind::Timeout) line_.Log().Note("time-out");
    if (read.kind == ReadKind::Damaged) line_.DrainUntilQuiet(kDrainQuietMs);
    Resend();
  }
  line_.Log().Note("no answer, giving up");
  return std::nullopt;
}

std::optional<Packet> WideDevice::Await(int expected) {
  const auto timeoutMs = static_cast<std::uint32_t>(settings_.timeoutSeconds) * 1000;
  for (int attempt = 0; attempt < settings_.retries; ++attempt) {
    const ReadResult read = ReadPacket(timeoutMs);
    if (read.kind == ReadKind::Stopped) return std::nullopt;
    if (read.kind == ReadKind::Good && read.frame.framing == Framing::Wide) {
      const Packet& packet = read.frame.packet;
      if (packet.type == 'E' || packet.seq == expected) return packet;
      if (packet.seq == Previous(expected)) {
        Resend();
        continue;
      }
    }
    if (read.kind == ReadKind::Timeout) line_.Log().Note("time-out");
    if (read.kind == ReadKind::Damaged) line_.DrainUntilQuiet(kDrainQuietMs);
    SendNak(expected);
  }
  line_.Log().Note("nothing usable arrived, giving up");
  return std::nullopt;
}

void WideDevice::NoteRemoteError(const Packet& error, Outcome& outcome) {
  outcome.remoteError = error.data;
  outcome.remoteErrorLength = static_cast<int>(error.data.size());
  // The PC's own errors carry their code in the length and no text.
  const bool isText = error.data.starts_with("File exists");
  outcome.detail = isText ? "the peer sent E: File exists" : "the peer sent E with length " + std::to_string(error.data.size());
}

Outcome WideDevice::Run(const Role& role) {
  lastStored_ = false;
  seq_ = 0;
  if (role.kind == RoleKind::Serve) return Serve(role);
  // Leftovers of an earlier exchange would be taken for answers.
  line_.DrainUntilQuiet(kDrainQuietMs);
  if (!settings_.errorText.empty()) {
    Outcome outcome{role};
    SendPacket('E', 0, settings_.errorText, "injected");
    outcome.detail = "refused with E: " + settings_.errorText;
    return outcome;
  }
  if (role.kind == RoleKind::Send) return SendToReceiver(role);
  return DriveServer(role);
}

Outcome WideDevice::Serve(const Role& role) {
  Outcome outcome{role};
  while (!line_.Stopping()) {
    seq_ = 0;
    lastStored_ = false;
    const ReadResult read = ReadPacket(kWaitUntilStopped);
    if (read.kind == ReadKind::Stopped) break;
    if (IsFramingProbe(read)) {
      const Packet ack{'Y', read.frame.packet.seq, {}};
      line_.Send(ack, ClassicFrame(ack, kCr), "classic frame, answers the framing probe");
      continue;
    }
    if (read.kind != ReadKind::Good || read.frame.framing != Framing::Wide) {
      // Damage, the presence probe among it: ask again, as a wide receiver does.
      line_.DrainUntilQuiet(kDrainQuietMs);
      SendNak(0);
      continue;
    }
    ServeRequest(read.frame, outcome);
  }
  outcome.success = true;
  outcome.detail = "served " + std::to_string(outcome.exchanges) + " exchanges";
  return outcome;
}

void WideDevice::ServeRequest(const ParsedFrame& frame, Outcome& outcome) {
  const Packet& request = frame.packet;
  const bool opensExchange = request.type == 'S' || request.type == 'I' || request.type == 'R' || request.type == 'G';
  if (opensExchange && !settings_.errorText.empty()) {
    SendPacket('E', request.seq, settings_.errorText, "injected");
    return;
  }
  switch (request.type) {
    case 'S':
      SendPacket('Y', request.seq, {});
      seq_ = Next(request.seq);
      if (ReceiveFile(outcome, false)) ++outcome.exchanges;
      return;
    case 'I':
    case 'B':
      SendPacket('Y', request.seq, {});
      return;
    case 'R': {
      if (request.data.empty()) {
        // The PC's client get: an empty R, then the wanted name in an F header.
        SendPacket('Y', request.seq, {});
        seq_ = Next(request.seq);
        AnswerGetByHeader(outcome);
        return;
      }
      const std::optional<std::filesystem::path> path = files_.FindFile(request.data);
      const std::optional<std::string> content = path ? ReadWholeFile(*path) : std::nullopt;
      if (!content) {
        RefuseAfterInit("File not found: " + request.data);
        return;
      }
      if (SendContent('F', path->filename().string(), *content, true, outcome)) ++outcome.exchanges;
      return;
    }
    case 'G':
      AnswerCommand(request, outcome);
      return;
    case 'Y':
    case 'N':
      return;
    case 'D':
    case 'F':
    case 'X':
    case 'Z':
      // The PC missed the answer to the last packet of an exchange already over.
      SendPacket('Y', request.seq, {}, "late duplicate");
      return;
    default:
      SendPacket('E', request.seq, "Unknown server command");
      return;
  }
}

void WideDevice::AnswerGetByHeader(Outcome& outcome) {
  const std::optional<Packet> header = Await(seq_);
  if (!header || header->type != 'F') {
    outcome.detail = "get request without a name";
    return;
  }
  seq_ = Next(seq_);
  const std::string name = HeaderName(header->data);
  const std::optional<std::filesystem::path> path = files_.FindFile(name);
  const std::optional<std::string> content = path ? ReadWholeFile(*path) : std::nullopt;
  if (!content) {
    SendPacket('E', seq_, "File not found: " + name);
    return;
  }
  if (SendContent('F', path->filename().string(), *content, false, outcome)) ++outcome.exchanges;
}

void WideDevice::AnswerCommand(const Packet& request, Outcome& outcome) {
  const GenericCommand command = ParseGenericCommand(request.data, Framing::Wide);
  std::string answer;
  std::string announced;
  bool done = false;
  if (command.letter == 'D') {
    answer = files_.Listing();
    announced = "dir";
    done = true;
  } else if (command.letter == 'C') {
    done = files_.ChangeDirectory(command.argument, answer);
    announced = "cd";
  } else if (command.letter == 'E') {
    done = files_.Erase(command.argument, answer);
    announced = "erase";
  } else {
    answer = "Unknown server command";
  }
  if (done) {
    if (SendContent('X', announced, answer, true, outcome)) ++outcome.exchanges;
    return;
  }
  RefuseAfterInit(answer);
}

void WideDevice::RefuseAfterInit(const std::string& text) {
  // Before its S has been answered the PC ignores an E; at the header it takes one.
  seq_ = 0;
  const std::optional<Packet> ack = Transact('S', {});
  if (!ack || ack->type == 'E') return;
  seq_ = 1;
  SendPacket('E', seq_, text);
}

bool WideDevice::SendContent(char headerType, const std::string& name, const std::string& content, bool withInit,
                             Outcome& outcome) {
  auto step = [&](char type, const std::string& data) {
    const std::optional<Packet> ack = Transact(type, data);
    if (ack && ack->type != 'E') return true;
    if (ack) NoteRemoteError(*ack, outcome);
    else outcome.detail = std::string("no answer to ") + type;
    return false;
  };
  if (withInit) {
    seq_ = 0;
    if (!step('S', {})) return false;
    seq_ = Next(seq_);
  }
  if (!step(headerType, name + " " + std::to_string(content.size()))) return false;
  for (std::size_t at = 0; at < content.size(); at += kWideMaxData) {
    seq_ = Next(seq_);
    if (!step('D', content.substr(at, kWideMaxData))) return false;
  }
  seq_ = Next(seq_);
  if (!step('Z', {})) return false;
  outcome.success = true;
  outcome.detail = "sent " + name + " (" + std::to_string(content.size()) + " bytes)";
  return true;
}

bool WideDevice::ReceiveFile(Outcome& outcome, bool textAnswer) {
  IncomingFile incoming;
  for (;;) {
    const std::optional<Packet> packet = Await(seq_);
    if (!packet) {
      outcome.detail = "the transfer broke off";
      return false;
    }
    switch (packet->type) {
      case 'E':
        NoteRemoteError(*packet, outcome);
        return false;
      case 'F':
      case 'X': {
        const std::string name = HeaderName(packet->data);
        const std::optional<std::filesystem::path> path = files_.PathForNewFile(name);
        if (textAnswer) {
          incoming.OpenText();
        } else if (!path || !incoming.OpenFile(*path)) {
          SendPacket('E', seq_, "Cannot create " + name);
          outcome.detail = "cannot create " + name;
          return false;
        }
        break;
      }
      case 'D':
        if (!incoming.Write(packet->data)) {
          SendPacket('E', seq_, "Write error");
          outcome.detail = "write error";
          return false;
        }
        break;
      case 'Z':
      case 'B': {
        const bool complete = packet->type == 'Z' && incoming.IsOpen() && incoming.Finish();
        SendPacket('Y', seq_, {});
        if (!complete) {
          outcome.detail = "the exchange ended without a complete file";
          return false;
        }
        if (incoming.Path().empty()) {
          outcome.reply = incoming.Text();
        } else {
          outcome.filesStored.push_back(incoming.Path().filename().string());
        }
        outcome.success = true;
        outcome.detail = "received " + (incoming.Path().empty() ? std::string("the answer") : incoming.Path().filename().string());
        return true;
      }
      default:
        SendPacket('E', seq_, std::string("Unexpected packet ") + packet->type);
        outcome.detail = std::string("unexpected packet ") + packet->type;
        return false;
    }
    SendPacket('Y', seq_, {});
    seq_ = Next(seq_);
  }
}

bool WideDevice::AnnounceWideFraming(Outcome& outcome) {
  const Packet probe{'S', 0, SendInit{}.Encode()};
  const auto timeoutMs = static_cast<std::uint32_t>(settings_.timeoutSeconds) * 1000;
  for (int attempt = 0; attempt < settings_.retries; ++attempt) {
    line_.Send(probe, ClassicFrame(probe, kCr, 0, kProbeCheckByte), "classic frame, framing probe");
    const ReadResult read = line_.Read(ParseProbeAnswer, timeoutMs, kInterByteMs);
    if (read.kind == ReadKind::Stopped) return false;
    if (read.kind != ReadKind::Good) continue;
    if (read.frame.framing == Framing::Wide) return true;  // a PC that went straight to the wide framing
    if (read.frame.packet.type == 'Y') {
      std::this_thread::sleep_for(kAfterProbePause);
      line_.DiscardInput();
      return true;
    }
    if (read.frame.packet.type == 'N') {
      outcome.detail = "the PC rejected the framing probe: it speaks the classic framing";
      return false;
    }
  }
  outcome.detail = "no answer to the framing probe";
  return false;
}

Outcome WideDevice::SendToReceiver(const Role& role) {
  Outcome outcome{role};
  const std::optional<std::string> content = ReadWholeFile(role.argument);
  if (!content) {
    outcome.detail = "cannot read " + role.argument;
    return outcome;
  }
  if (!AnnounceWideFraming(outcome)) return outcome;
  SendContent('F', std::filesystem::path(role.argument).filename().string(), *content, true, outcome);
  return outcome;
}

Outcome WideDevice::DriveServer(const Role& role) {
  Outcome outcome{role};
  std::optional<std::string> content;
  if (role.kind == RoleKind::Upload) {
    content = ReadWholeFile(role.argument);
    if (!content) {
      outcome.detail = "cannot read " + role.argument;
      return outcome;
    }
  }
  seq_ = 0;
  const std::optional<Packet> init = Transact('I', {});
  if (!init || init->type == 'E') {
    if (init) NoteRemoteError(*init, outcome);
    else outcome.detail = "no answer to I";
    return outcome;
  }
  seq_ = 0;
  if (role.kind == RoleKind::Upload) {
    SendContent('F', std::filesystem::path(role.argument).filename().string(), *content, true, outcome);
    return outcome;
  }
  const bool download = role.kind == RoleKind::Download;
  const std::string request = download ? role.argument : GenericCommandData(role.remoteLetter, role.argument, Framing::Wide);
  const std::optional<Packet> reply = Transact(download ? 'R' : 'G', request, download ? "S" : "YS");
  if (!reply) {
    outcome.detail = "no answer to the request";
    return outcome;
  }
  if (reply->type == 'E') {
    NoteRemoteError(*reply, outcome);
    return outcome;
  }
  if (reply->type == 'Y' && !download) {
    outcome.success = true;
    outcome.detail = "done, no answer text";
    return outcome;
  }
  if (reply->type != 'S') {
    outcome.detail = std::string("unexpected answer ") + reply->type;
    return outcome;
  }
  SendPacket('Y', seq_, {});
  seq_ = Next(seq_);
  ReceiveFile(outcome, !download);
  return outcome;
}

}  // namespace corvane::dc
