#include "corvane-dc/packet_exchange.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <utility>

namespace corvane::dc {

PacketExchange::PacketExchange(DeviceLine& line, ServedDirectory& files, const EngineSettings& settings,
                               Dialect dialect)
    : line_(line), files_(files), settings_(settings), dialect_(std::move(dialect)) {}

std::uint32_t PacketExchange::TimeoutMs() const { return static_cast<std::uint32_t>(settings_.timeoutSeconds) * 1000; }

void PacketExchange::Restart() {
  seq_ = 0;
  lastStored_ = false;
}

Outcome PacketExchange::Run(const Role& role) {
  Restart();
  if (role.kind == RoleKind::Serve) return Serve(role);
  // Leftovers of an earlier exchange would be taken for answers.
  line_.DrainUntilQuiet(kDrainQuietMs);
  if (settings_.errorText.empty()) return Drive(role);
  Outcome outcome{role};
  SendError(0, settings_.errorText, "injected");
  outcome.detail = "refused with E: " + settings_.errorText;
  return outcome;
}

Outcome PacketExchange::Serve(const Role& role) {
  Outcome outcome{role};
  while (!line_.Stopping()) {
    Restart();
    const ReadResult read = ReadPacket(kWaitUntilStopped);
    if (read.kind == ReadKind::Stopped) break;
    if (AnswerForeignFrame(read)) continue;
    if (!Usable(read)) {
      // Damage, the probes this device does not answer among it: a receiver asks again.
      line_.DrainUntilQuiet(kDrainQuietMs);
      SendNak(0);
      continue;
    }
    const Packet& request = read.frame.packet;
    const bool opensExchange = request.type == 'S' || request.type == 'I' || request.type == 'R' || request.type == 'G';
    if (opensExchange && !settings_.errorText.empty()) {
      SendError(request.seq, settings_.errorText, "injected");
      continue;
    }
    ServeRequest(request, outcome);
  }
  outcome.success = true;
  outcome.detail = "served " + std::to_string(outcome.exchanges) + " exchanges";
  return outcome;
}

void PacketExchange::SendPacket(char type, int seq, const std::string& data, const std::string& note) {
  last_ = Packet{type, seq & 63, data.substr(0, dialect_.longestData)};
  lastStored_ = true;
  line_.Send(last_, Frame(last_), note);
}

void PacketExchange::SendError(int seq, std::string_view text, const std::string& note) {
  SendPacket('E', seq, TextField(text), note);
}

void PacketExchange::SendNak(int seq) {
  const Packet nak{'N', seq & 63, {}};
  line_.Send(nak, Frame(nak));
}

void PacketExchange::Resend() {
  if (lastStored_) {
    line_.Send(last_, Frame(last_), "again");
  } else {
    SendNak(seq_);
  }
}

bool PacketExchange::Usable(const ReadResult& read) const {
  return read.kind == ReadKind::Good && read.frame.framing == dialect_.framing;
}

void PacketExchange::NoteFailedRead(const ReadResult& read) {
  if (read.kind == ReadKind::Timeout) line_.Log().Note("time-out");
  if (read.kind == ReadKind::Damaged) line_.DrainUntilQuiet(kDrainQuietMs);
}

ReadResult PacketExchange::ReadPacket(std::uint32_t waitMs) { return line_.Read(dialect_.parse, waitMs, kInterByteMs); }

std::optional<Packet> PacketExchange::Transact(char type, const std::string& data, std::string_view replies) {
  SendPacket(type, seq_, data);
  for (int attempt = 1; attempt < settings_.retries; ++attempt) {
    // The time-out runs from the sending: a peer that repeats its own last
    // packet (ours was lost) must not hold it off until the retries run out.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs());
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      const ReadResult read = ReadPacket(static_cast<std::uint32_t>(std::max<std::int64_t>(left.count(), 0)));
      if (read.kind == ReadKind::Stopped) return std::nullopt;
      if (!Usable(read)) {
        NoteFailedRead(read);
        break;
      }
      const Packet& reply = read.frame.packet;
      if (reply.type == 'E') return reply;
      if (reply.seq == seq_ && reply.type != 'N' && replies.find(reply.type) != std::string_view::npos) return reply;
      // A NAK for the next packet says this one arrived.
      if (reply.type == 'N' && reply.seq == NextSeq(seq_) && replies.find('Y') != std::string_view::npos) {
        return Packet{'Y', seq_, {}};
      }
      // Answering a stale packet with a resend would double every later
      // exchange; only a NAK of this packet asks for it again at once.
      if (reply.type == 'N' && reply.seq == seq_) break;
    }
    Resend();
  }
  line_.Log().Note("no answer, giving up");
  return std::nullopt;
}

std::optional<Packet> PacketExchange::Acknowledged(char type, const std::string& data, Outcome& outcome) {
  std::optional<Packet> ack = Transact(type, data);
  if (ack && ack->type != 'E') return ack;
  if (ack) NoteRemoteError(*ack, outcome);
  else outcome.detail = std::string("no answer to ") + type;
  return std::nullopt;
}

std::optional<Packet> PacketExchange::Await(int expected) {
  for (int attempt = 0; attempt < settings_.retries; ++attempt) {
    const ReadResult read = ReadPacket(TimeoutMs());
    if (read.kind == ReadKind::Stopped) return std::nullopt;
    if (Usable(read)) {
      const Packet& packet = read.frame.packet;
      if (packet.type == 'E' || packet.seq == expected) return packet;
      // The sender missed our answer to its previous packet.
      if (packet.seq == PreviousSeq(expected)) {
        Resend();
        continue;
      }
    }
    NoteFailedRead(read);
    SendNak(expected);
  }
  line_.Log().Note("nothing usable arrived, giving up");
  return std::nullopt;
}

bool PacketExchange::Receive(Outcome& outcome, bool textAnswer) {
  IncomingFile incoming;
  for (;;) {
    const std::optional<Packet> packet = Await(seq_);
    if (!packet) {
      outcome.detail = "the transfer broke off";
      return false;
    }
    if (packet->type == 'E') {
      NoteRemoteError(*packet, outcome);
      return false;
    }
    const Received step = Take(*packet, incoming, textAnswer, outcome);
    if (step != Received::More) return step == Received::Complete;
    SendPacket('Y', seq_, {});
    seq_ = NextSeq(seq_);
  }
}

Received PacketExchange::Fail(const std::string& text, Outcome& outcome) {
  SendError(seq_, text);
  // The same words as the E, begun in lower case like every other detail.
  outcome.detail = text;
  if (!outcome.detail.empty()) {
    outcome.detail[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(outcome.detail[0])));
  }
  return Received::Broken;
}

bool PacketExchange::OpenFile(IncomingFile& incoming, const std::string& name) const {
  const std::optional<std::filesystem::path> path = files_.PathForNewFile(name);
  return path && incoming.OpenFile(*path);
}

bool PacketExchange::CarryOut(const GenericCommand& command, std::string& answer, std::string& announced) {
  switch (command.letter) {
    case 'D':
      answer = files_.Listing();
      announced = "dir";
      return true;
    case 'C':
      announced = "cd";
      return files_.ChangeDirectory(command.argument, answer);
    case 'E':
      announced = "erase";
      return files_.Erase(command.argument, answer);
    default:
      answer = dialect_.unknownCommand;
      return false;
  }
}

std::optional<PacketExchange::ServedFile> PacketExchange::FetchFile(const std::string& name) const {
  const std::optional<std::filesystem::path> path = files_.FindFile(name);
  std::optional<std::string> content = path ? ReadWholeFile(*path) : std::nullopt;
  if (!content) return std::nullopt;
  return ServedFile{path->filename().string(), std::move(*content)};
}

std::optional<PacketExchange::ServedFile> PacketExchange::RoleFile(const Role& role, Outcome& outcome) {
  std::optional<std::string> content = ReadWholeFile(role.argument);
  if (!content) {
    outcome.detail = "cannot read " + role.argument;
    return std::nullopt;
  }
  return ServedFile{std::filesystem::path(role.argument).filename().string(), std::move(*content)};
}

}  // namespace corvane::dc
