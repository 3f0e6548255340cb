#include "corvane-dc/wide_device.h"

#include <chrono>
#include <thread>

namespace corvane::dc {
namespace {

// After the PC has acknowledged the framing probe it empties its input before
// it reads wide packets; the device waits that out rather than lose its S.
constexpr std::chrono::milliseconds kAfterProbePause{200};

}  // namespace

std::string HeaderName(const std::string& header) {
  const std::size_t space = header.rfind(' ');
  return space == std::string::npos ? header : header.substr(0, space);
}

WideDevice::WideDevice(DeviceLine& line, ServedDirectory& files, const EngineSettings& settings)
    : PacketExchange(line, files, settings,
                     Dialect{Framing::Wide, ParseWideLineFrame, kWideMaxData, "Unknown server command"}) {}

std::string WideDevice::Frame(const Packet& packet) const { return WideFrame(packet); }

void WideDevice::NoteRemoteError(const Packet& error, Outcome& outcome) {
  outcome.remoteError = error.data;
  outcome.remoteErrorLength = static_cast<int>(error.data.size());
  // The PC's own errors carry their code in the length and no text.
  const bool isText = error.data.starts_with("File exists");
  outcome.detail = isText ? "the peer sent E: File exists" : "the peer sent E with length " + std::to_string(error.data.size());
}

Outcome WideDevice::Drive(const Role& role) {
  if (role.kind == RoleKind::Send) return SendToReceiver(role);
  return DriveServer(role);
}

bool WideDevice::AnswerForeignFrame(const ReadResult& read) {
  const ParsedFrame& frame = read.frame;
  const bool probe = read.kind != ReadKind::Timeout && frame.framing == Framing::Classic && frame.consumed >= 4 &&
                     frame.packet.type == 'S' && frame.checkByte == kProbeCheckByte;
  if (!probe) return false;
  const Packet ack{'Y', frame.packet.seq, {}};
  line_.Send(ack, ClassicFrame(ack, kCr), "classic frame, answers the framing probe");
  return true;
}

void WideDevice::ServeRequest(const Packet& request, Outcome& outcome) {
  switch (request.type) {
    case 'S':
      SendPacket('Y', request.seq, {});
      seq_ = NextSeq(request.seq);
      if (Receive(outcome, false)) ++outcome.exchanges;
      return;
    case 'I':
    case 'B':
      SendPacket('Y', request.seq, {});
      return;
    case 'R': {
      if (request.data.empty()) {
        // The PC's client get: an empty R, then the wanted name in an F header.
        SendPacket('Y', request.seq, {});
        seq_ = NextSeq(request.seq);
        AnswerGetByHeader(outcome);
        return;
      }
      const std::optional<ServedFile> file = FetchFile(request.data);
      if (!file) {
        RefuseAfterInit("File not found: " + request.data);
        return;
      }
      if (SendContent('F', file->name, file->content, true, outcome)) ++outcome.exchanges;
      return;
    }
    case 'G': {
      std::string answer;
      std::string announced;
      if (!CarryOut(ParseGenericCommand(request.data, Framing::Wide), answer, announced)) {
        RefuseAfterInit(answer);
        return;
      }
      if (SendContent('X', announced, answer, true, outcome)) ++outcome.exchanges;
      return;
    }
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
      SendError(request.seq, dialect_.unknownCommand);
      return;
  }
}

void WideDevice::AnswerGetByHeader(Outcome& outcome) {
  const std::optional<Packet> header = Await(seq_);
  if (!header || header->type != 'F') {
    outcome.detail = "get request without a name";
    return;
  }
  seq_ = NextSeq(seq_);
  const std::string name = HeaderName(header->data);
  const std::optional<ServedFile> file = FetchFile(name);
  if (!file) {
    SendError(seq_, "File not found: " + name);
    return;
  }
  if (SendContent('F', file->name, file->content, false, outcome)) ++outcome.exchanges;
}

void WideDevice::RefuseAfterInit(const std::string& text) {
  // Before its S has been answered the PC ignores an E; at the header it takes one.
  seq_ = 0;
  const std::optional<Packet> ack = Transact('S', {});
  if (!ack || ack->type == 'E') return;
  seq_ = 1;
  SendError(seq_, text);
}

bool WideDevice::SendContent(char headerType, const std::string& name, const std::string& content, bool withInit,
                             Outcome& outcome) {
  auto step = [&](char type, const std::string& data) { return Acknowledged(type, data, outcome).has_value(); };
  if (withInit) {
    seq_ = 0;
    if (!step('S', {})) return false;
    seq_ = NextSeq(seq_);
  }
  if (!step(headerType, name + " " + std::to_string(content.size()))) return false;
  for (std::size_t at = 0; at < content.size(); at += kWideMaxData) {
    seq_ = NextSeq(seq_);
    if (!step('D', content.substr(at, kWideMaxData))) return false;
  }
  seq_ = NextSeq(seq_);
  if (!step('Z', {})) return false;
  outcome.success = true;
  outcome.detail = "sent " + name + " (" + std::to_string(content.size()) + " bytes)";
  return true;
}

Received WideDevice::Take(const Packet& packet, IncomingFile& incoming, bool textAnswer, Outcome& outcome) {
  switch (packet.type) {
    case 'F':
    case 'X': {
      const std::string name = HeaderName(packet.data);
      if (textAnswer) {
        incoming.OpenText();
      } else if (!OpenFile(incoming, name)) {
        return Fail("Cannot create " + name, outcome);
      }
      return Received::More;
    }
    case 'D':
      return incoming.Write(packet.data) ? Received::More : Fail("Write error", outcome);
    case 'Z':
    case 'B': {
      const bool complete = packet.type == 'Z' && incoming.IsOpen() && incoming.Finish();
      SendPacket('Y', seq_, {});
      if (!complete) {
        outcome.detail = "the exchange ended without a complete file";
        return Received::Broken;
      }
      if (incoming.Path().empty()) {
        outcome.reply = incoming.Text();
      } else {
        outcome.filesStored.push_back(incoming.Path().filename().string());
      }
      outcome.success = true;
      outcome.detail = "received " + (incoming.Path().empty() ? std::string("the answer") : incoming.Path().filename().string());
      return Received::Complete;
    }
    default:
      return Fail(std::string("Unexpected packet ") + packet.type, outcome);
  }
}

bool WideDevice::AnnounceWideFraming(Outcome& outcome) {
  const Packet probe{'S', 0, SendInit{}.Encode()};
  for (int attempt = 0; attempt < settings_.retries; ++attempt) {
    line_.Send(probe, ClassicFrame(probe, kCr, 0, kProbeCheckByte), "classic frame, framing probe");
    const ReadResult read = line_.Read(ParseProbeAnswer, TimeoutMs(), kInterByteMs);
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
  const std::optional<ServedFile> file = RoleFile(role, outcome);
  if (!file || !AnnounceWideFraming(outcome)) return outcome;
  SendContent('F', file->name, file->content, true, outcome);
  return outcome;
}

Outcome WideDevice::DriveServer(const Role& role) {
  Outcome outcome{role};
  std::optional<ServedFile> file;
  if (role.kind == RoleKind::Upload) {
    file = RoleFile(role, outcome);
    if (!file) return outcome;
  }
  seq_ = 0;
  if (!Acknowledged('I', {}, outcome)) return outcome;
  seq_ = 0;
  if (file) {
    SendContent('F', file->name, file->content, true, outcome);
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
  seq_ = NextSeq(seq_);
  Receive(outcome, !download);
  return outcome;
}

}  // namespace corvane::dc
