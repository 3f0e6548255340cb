#include "corvane-dc/classic_device.h"

namespace corvane::dc {
namespace {

constexpr std::uint32_t kInterByteMs = 2000;
constexpr std::uint32_t kDrainQuietMs = 100;

int Next(int seq) { return (seq + 1) & 63; }
int Previous(int seq) { return (seq + 63) & 63; }

}  // namespace

ClassicDevice::ClassicDevice(DeviceLine& line, ServedDirectory& files, const EngineSettings& settings)
    : line_(line), files_(files), settings_(settings) {
  ours_.timeoutSeconds = settings.timeoutSeconds;
  peer_.maxLength = 80;
}

std::uint32_t ClassicDevice::TimeoutMs() const {
  const int seconds = peerKnown_ ? peer_.timeoutSeconds : settings_.timeoutSeconds;
  return static_cast<std::uint32_t>(seconds) * 1000;
}

std::string ClassicDevice::Encode(std::string_view text) const {
  std::size_t position = 0;
  return EncodeField(text, position, text.size() * 2, ours_.controlPrefix);
}

void ClassicDevice::SendPacket(char type, int seq, const std::string& data, const std::string& note) {
  last_ = Packet{type, seq & 63, data};
  lastStored_ = true;
  line_.Send(last_, ClassicFrame(last_, peer_.eol), note);
}

void ClassicDevice::SendNak(int seq) {
  const Packet nak{'N', seq & 63, {}};
  line_.Send(nak, ClassicFrame(nak, peer_.eol));
}

void ClassicDevice::Resend() {
  if (lastStored_) {
    line_.Send(last_, ClassicFrame(last_, peer_.eol), "again");
  } else {
    SendNak(seq_);
  }
}

ReadResult ClassicDevice::ReadPacket(std::uint32_t waitMs) { return line_.Read(ParseClassicFrame, waitMs, kInterByteMs); }

std::optional<Packet> ClassicDevice::Transact(char type, const std::string& data, std::string_view replies) {
  SendPacket(type, seq_, data);
  for (int attempt = 1; attempt < settings_.retries; ++attempt) {
    const ReadResult read = ReadPacket(TimeoutMs());
    if (read.kind == ReadKind::Stopped) return std::nullopt;
    if (read.kind == ReadKind::Good) {
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

std::optional<Packet> ClassicDevice::Await(int expected) {
  for (int attempt = 0; attempt < settings_.retries; ++attempt) {
    const ReadResult read = ReadPacket(TimeoutMs());
    if (read.kind == ReadKind::Stopped) return std::nullopt;
    if (read.kind == ReadKind::Good) {
      const Packet& packet = read.frame.packet;
      if (packet.type == 'E' || packet.seq == expected) return packet;
      // The sender missed our answer to its previous packet.
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

void ClassicDevice::NoteRemoteError(const Packet& error, Outcome& outcome) {
  outcome.remoteError = DecodeField(error.data, peer_.controlPrefix);
  outcome.remoteErrorLength = static_cast<int>(error.data.size());
  outcome.detail = "the peer sent E: " + outcome.remoteError;
}

Outcome ClassicDevice::Run(const Role& role) {
  lastStored_ = false;
  seq_ = 0;
  if (role.kind == RoleKind::Serve) return Serve(role);
  // Leftovers of an earlier exchange would be taken for answers.
  line_.DrainUntilQuiet(kDrainQuietMs);
  if (!settings_.errorText.empty()) return RefuseWithError(role);
  switch (role.kind) {
    case RoleKind::Send:
    case RoleKind::Upload: {
      Outcome outcome{role};
      const std::optional<std::string> content = ReadWholeFile(role.argument);
      if (!content) {
        outcome.detail = "cannot read " + role.argument;
        return outcome;
      }
      const std::string name = std::filesystem::path(role.argument).filename().string();
      outcome.success = SendContent('F', name, *content, outcome);
      return outcome;
    }
    case RoleKind::Download: return Download(role);
    case RoleKind::Remote: return Remote(role);
    case RoleKind::Serve: break;
  }
  return Outcome{role};
}

Outcome ClassicDevice::RefuseWithError(const Role& role) {
  Outcome outcome{role};
  SendPacket('E', 0, Encode(settings_.errorText), "injected");
  outcome.detail = "refused with E: " + settings_.errorText;
  return outcome;
}

Outcome ClassicDevice::Serve(const Role& role) {
  Outcome outcome{role};
  while (!line_.Stopping()) {
    seq_ = 0;
    lastStored_ = false;
    const ReadResult read = ReadPacket(kWaitUntilStopped);
    if (read.kind == ReadKind::Stopped) break;
    if (read.kind != ReadKind::Good) {
      // Damage, the framing probes among it: a classic Kermit asks again.
      line_.DrainUntilQuiet(kDrainQuietMs);
      SendNak(0);
      continue;
    }
    ServeRequest(read.frame.packet, outcome);
  }
  outcome.success = true;
  outcome.detail = "served " + std::to_string(outcome.exchanges) + " exchanges";
  return outcome;
}

void ClassicDevice::ServeRequest(const Packet& request, Outcome& outcome) {
  const bool opensExchange = request.type == 'S' || request.type == 'I' || request.type == 'R' || request.type == 'G';
  if (opensExchange && !settings_.errorText.empty()) {
    SendPacket('E', request.seq, Encode(settings_.errorText), "injected");
    return;
  }
  switch (request.type) {
    case 'S':
      peer_ = SendInit::Decode(request.data);
      peerKnown_ = true;
      SendPacket('Y', request.seq, ours_.Encode());
      seq_ = Next(request.seq);
      if (ReceiveFiles(outcome, false)) ++outcome.exchanges;
      return;
    case 'I':
      peer_ = SendInit::Decode(request.data);
      peerKnown_ = true;
      SendPacket('Y', request.seq, ours_.Encode());
      return;
    case 'R': {
      const std::string name = DecodeField(request.data, peer_.controlPrefix);
      const std::optional<std::filesystem::path> path = files_.FindFile(name);
      const std::optional<std::string> content = path ? ReadWholeFile(*path) : std::nullopt;
      if (!content) {
        SendPacket('E', request.seq, Encode("File not found: " + name));
        return;
      }
      if (SendContent('F', path->filename().string(), *content, outcome)) ++outcome.exchanges;
      return;
    }
    case 'G': {
      const GenericCommand command = ParseGenericCommand(DecodeField(request.data, peer_.controlPrefix), Framing::Classic);
      std::string answer;
      bool done = false;
      std::string announced;
      if (command.letter == 'D') {
        answer = files_.Listing();
        done = true;
        announced = "dir";
      } else if (command.letter == 'C') {
        done = files_.ChangeDirectory(command.argument, answer);
        announced = "cd";
      } else if (command.letter == 'E') {
        done = files_.Erase(command.argument, answer);
        announced = "erase";
      } else {
        answer = "Unimplemented server command";
      }
      if (!done) {
        SendPacket('E', request.seq, Encode(answer));
        return;
      }
      if (SendContent('X', announced, answer, outcome)) ++outcome.exchanges;
      return;
    }
    case 'B':
      SendPacket('Y', request.seq, {});
      return;
    case 'Y':
    case 'N':
      return;  // late answers to an exchange already over
    default:
      SendPacket('E', request.seq, Encode("Unimplemented server command"));
      return;
  }
}

bool ClassicDevice::SendContent(char headerType, const std::string& name, const std::string& content, Outcome& outcome) {
  seq_ = 0;
  const std::optional<Packet> initAck = Transact('S', ours_.Encode());
  if (!initAck || initAck->type == 'E') {
    if (initAck) NoteRemoteError(*initAck, outcome);
    else outcome.detail = "no answer to S";
    return false;
  }
  peer_ = SendInit::Decode(initAck->data);
  peerKnown_ = true;
  // LEN counts SEQ, TYPE and CHECK besides the data.
  const std::size_t limit = static_cast<std::size_t>(peer_.maxLength - 3);
  std::size_t position = 0;
  std::string field = EncodeField(name, position, limit, ours_.controlPrefix);
  std::size_t contentPosition = 0;
  for (char type : {headerType, 'D', 'Z', 'B'}) {
    do {
      if (type == 'D') {
        field = EncodeField(content, contentPosition, limit, ours_.controlPrefix);
        if (field.empty()) break;
      }
      seq_ = Next(seq_);
      const std::optional<Packet> ack = Transact(type, field);
      if (!ack || ack->type == 'E') {
        if (ack) NoteRemoteError(*ack, outcome);
        else outcome.detail = std::string("no answer to ") + type;
        return false;
      }
      field.clear();
    } while (type == 'D' && contentPosition < content.size());
  }
  outcome.detail = "sent " + name + " (" + std::to_string(content.size()) + " bytes)";
  return true;
}

bool ClassicDevice::ReceiveFiles(Outcome& outcome, bool textAnswer) {
  IncomingFile incoming;
  for (;;) {
    const std::optional<Packet> packet = Await(seq_);
    if (!packet) {
      outcome.detail = "the transfer broke off";
      return false;
    }
    const std::string data = DecodeField(packet->data, peer_.controlPrefix);
    switch (packet->type) {
      case 'E':
        NoteRemoteError(*packet, outcome);
        return false;
      case 'F':
      case 'X': {
        const std::optional<std::filesystem::path> path = files_.PathForNewFile(data);
        if (textAnswer || packet->type == 'X') {
          incoming.OpenText();
        } else if (!path || !incoming.OpenFile(*path)) {
          SendPacket('E', seq_, Encode("Cannot create " + data));
          outcome.detail = "cannot create " + data;
          return false;
        }
        break;
      }
      case 'A':
        break;  // attributes are not asked for, but harmless to accept
      case 'D':
        if (!incoming.Write(data)) {
          SendPacket('E', seq_, Encode("Write error"));
          outcome.detail = "write error";
          return false;
        }
        break;
      case 'Z':
        // "D" in the Z asks to discard what has arrived.
        if (data == "D") {
          incoming.Abandon();
        } else if (incoming.IsOpen()) {
          if (!incoming.Finish()) {
            SendPacket('E', seq_, Encode("Cannot close file"));
            outcome.detail = "cannot close file";
            return false;
          }
          if (incoming.Path().empty()) {
            outcome.reply += incoming.Text();
          } else {
            outcome.filesStored.push_back(incoming.Path().filename().string());
          }
        }
        break;
      case 'B':
        SendPacket('Y', seq_, {});
        outcome.success = true;
        if (outcome.detail.empty()) {
          outcome.detail = textAnswer ? "received the answer" : "received " + std::to_string(outcome.filesStored.size()) + " files";
        }
        return true;
      default:
        SendPacket('E', seq_, Encode(std::string("Unexpected packet ") + packet->type));
        outcome.detail = std::string("unexpected packet ") + packet->type;
        return false;
    }
    SendPacket('Y', seq_, {});
    seq_ = Next(seq_);
  }
}

bool ClassicDevice::InitInfo(Outcome& outcome) {
  const std::optional<Packet> reply = Transact('I', ours_.Encode());
  if (!reply) {
    outcome.detail = "no answer to I";
    return false;
  }
  if (reply->type == 'Y') {
    peer_ = SendInit::Decode(reply->data);
    peerKnown_ = true;
  }
  return true;
}

Outcome ClassicDevice::Download(const Role& role) {
  Outcome outcome{role};
  if (!InitInfo(outcome)) return outcome;
  const std::optional<Packet> reply = Transact('R', Encode(role.argument), "S");
  if (!reply || reply->type != 'S') {
    if (reply && reply->type == 'E') NoteRemoteError(*reply, outcome);
    else outcome.detail = "no S in answer to R";
    return outcome;
  }
  peer_ = SendInit::Decode(reply->data);
  peerKnown_ = true;
  SendPacket('Y', seq_, ours_.Encode());
  seq_ = Next(seq_);
  ReceiveFiles(outcome, false);
  return outcome;
}

Outcome ClassicDevice::Remote(const Role& role) {
  Outcome outcome{role};
  if (!InitInfo(outcome)) return outcome;
  const std::string command = GenericCommandData(role.remoteLetter, role.argument, Framing::Classic);
  const std::optional<Packet> reply = Transact('G', Encode(command), "YS");
  if (!reply) {
    outcome.detail = "no answer to G";
    return outcome;
  }
  switch (reply->type) {
    case 'Y':
      outcome.reply = DecodeField(reply->data, peer_.controlPrefix);
      outcome.success = true;
      outcome.detail = "short answer";
      return outcome;
    case 'S':
      peer_ = SendInit::Decode(reply->data);
      peerKnown_ = true;
      SendPacket('Y', seq_, ours_.Encode());
      seq_ = Next(seq_);
      ReceiveFiles(outcome, true);
      return outcome;
    case 'E':
      NoteRemoteError(*reply, outcome);
      return outcome;
    default:
      outcome.detail = std::string("unexpected answer ") + reply->type;
      return outcome;
  }
}

}  // namespace corvane::dc
