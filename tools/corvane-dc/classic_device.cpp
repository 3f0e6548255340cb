#include "corvane-dc/classic_device.h"

namespace corvane::dc {

ClassicDevice::ClassicDevice(DeviceLine& line, ServedDirectory& files, const EngineSettings& settings)
    : PacketExchange(line, files, settings,
                     Dialect{Framing::Classic, ParseClassicFrame, std::string::npos, "Unimplemented server command"}) {
  ours_.timeoutSeconds = settings.timeoutSeconds;
  peer_.maxLength = 80;
}

std::string ClassicDevice::Frame(const Packet& packet) const { return ClassicFrame(packet, peer_.eol); }

std::uint32_t ClassicDevice::TimeoutMs() const {
  if (!peerKnown_) return PacketExchange::TimeoutMs();
  return static_cast<std::uint32_t>(peer_.timeoutSeconds) * 1000;
}

std::string ClassicDevice::TextField(std::string_view text) const {
  std::size_t position = 0;
  return EncodeField(text, position, text.size() * 2, ours_.controlPrefix);
}

std::string ClassicDevice::Decode(const std::string& field) const { return DecodeField(field, peer_.controlPrefix); }

void ClassicDevice::LearnPeer(const std::string& sendInit) {
  peer_ = SendInit::Decode(sendInit);
  peerKnown_ = true;
}

void ClassicDevice::NoteRemoteError(const Packet& error, Outcome& outcome) {
  outcome.remoteError = Decode(error.data);
  outcome.remoteErrorLength = static_cast<int>(error.data.size());
  outcome.detail = "the peer sent E: " + outcome.remoteError;
}

Outcome ClassicDevice::Drive(const Role& role) {
  switch (role.kind) {
    case RoleKind::Send:
    case RoleKind::Upload: {
      Outcome outcome{role};
      const std::optional<ServedFile> file = RoleFile(role, outcome);
      if (file) outcome.success = SendContent('F', file->name, file->content, outcome);
      return outcome;
    }
    case RoleKind::Download: return Download(role);
    case RoleKind::Remote: return Remote(role);
    case RoleKind::Serve: break;
  }
  return Outcome{role};
}

void ClassicDevice::ServeRequest(const Packet& request, Outcome& outcome) {
  switch (request.type) {
    case 'S':
      LearnPeer(request.data);
      SendPacket('Y', request.seq, ours_.Encode());
      seq_ = NextSeq(request.seq);
      if (Receive(outcome, false)) ++outcome.exchanges;
      return;
    case 'I':
      LearnPeer(request.data);
      SendPacket('Y', request.seq, ours_.Encode());
      return;
    case 'R': {
      const std::string name = Decode(request.data);
      const std::optional<ServedFile> file = FetchFile(name);
      if (!file) {
        SendError(request.seq, "File not found: " + name);
        return;
      }
      if (SendContent('F', file->name, file->content, outcome)) ++outcome.exchanges;
      return;
    }
    case 'G': {
      std::string answer;
      std::string announced;
      if (!CarryOut(ParseGenericCommand(Decode(request.data), Framing::Classic), answer, announced)) {
        SendError(request.seq, answer);
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
      SendError(request.seq, dialect_.unknownCommand);
      return;
  }
}

bool ClassicDevice::SendContent(char headerType, const std::string& name, const std::string& content, Outcome& outcome) {
  seq_ = 0;
  const std::optional<Packet> initAck = Acknowledged('S', ours_.Encode(), outcome);
  if (!initAck) return false;
  LearnPeer(initAck->data);
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
      seq_ = NextSeq(seq_);
      if (!Acknowledged(type, field, outcome)) return false;
      field.clear();
    } while (type == 'D' && contentPosition < content.size());
  }
  outcome.detail = "sent " + name + " (" + std::to_string(content.size()) + " bytes)";
  return true;
}

Received ClassicDevice::Take(const Packet& packet, IncomingFile& incoming, bool textAnswer, Outcome& outcome) {
  const std::string data = Decode(packet.data);
  switch (packet.type) {
    case 'F':
    case 'X':
      if (textAnswer || packet.type == 'X') {
        incoming.OpenText();
      } else if (!OpenFile(incoming, data)) {
        return Fail("Cannot create " + data, outcome);
      }
      return Received::More;
    case 'A':
      return Received::More;  // attributes are not asked for, but harmless to accept
    case 'D':
      return incoming.Write(data) ? Received::More : Fail("Write error", outcome);
    case 'Z':
      // "D" in the Z asks to discard what has arrived.
      if (data == "D") {
        incoming.Abandon();
      } else if (incoming.IsOpen()) {
        if (!incoming.Finish()) return Fail("Cannot close file", outcome);
        if (incoming.Path().empty()) {
          outcome.reply += incoming.Text();
        } else {
          outcome.filesStored.push_back(incoming.Path().filename().string());
        }
      }
      return Received::More;
    case 'B':
      SendPacket('Y', seq_, {});
      outcome.success = true;
      if (outcome.detail.empty()) {
        outcome.detail = textAnswer ? "received the answer" : "received " + std::to_string(outcome.filesStored.size()) + " files";
      }
      return Received::Complete;
    default:
      return Fail(std::string("Unexpected packet ") + packet.type, outcome);
  }
}

void ClassicDevice::ReceiveAfterInit(const Packet& init, Outcome& outcome, bool textAnswer) {
  LearnPeer(init.data);
  SendPacket('Y', seq_, ours_.Encode());
  seq_ = NextSeq(seq_);
  Receive(outcome, textAnswer);
}

bool ClassicDevice::InitInfo(Outcome& outcome) {
  const std::optional<Packet> reply = Transact('I', ours_.Encode());
  if (!reply) {
    outcome.detail = "no answer to I";
    return false;
  }
  if (reply->type == 'Y') LearnPeer(reply->data);
  return true;
}

Outcome ClassicDevice::Download(const Role& role) {
  Outcome outcome{role};
  if (!InitInfo(outcome)) return outcome;
  const std::optional<Packet> reply = Transact('R', TextField(role.argument), "S");
  if (!reply || reply->type != 'S') {
    if (reply && reply->type == 'E') NoteRemoteError(*reply, outcome);
    else outcome.detail = "no S in answer to R";
    return outcome;
  }
  ReceiveAfterInit(*reply, outcome, false);
  return outcome;
}

Outcome ClassicDevice::Remote(const Role& role) {
  Outcome outcome{role};
  if (!InitInfo(outcome)) return outcome;
  const std::string command = GenericCommandData(role.remoteLetter, role.argument, Framing::Classic);
  const std::optional<Packet> reply = Transact('G', TextField(command), "YS");
  if (!reply) {
    outcome.detail = "no answer to G";
    return outcome;
  }
  switch (reply->type) {
    case 'Y':
      outcome.reply = Decode(reply->data);
      outcome.success = true;
      outcome.detail = "short answer";
      return outcome;
    case 'S':
      ReceiveAfterInit(*reply, outcome, true);
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
