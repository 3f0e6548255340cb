#include "support/scripted_peer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "session/transfer_session.h"

namespace corvane::testing {

std::string Describe(const std::optional<PeerFrame>& frame, dc::Framing framing) {
  if (!frame) return "none";
  std::string text = frame->type + std::to_string(frame->sequence);
  if (framing == dc::Framing::Wide && frame->type == 'E' && frame->data != "File exists") {
    text += " #" + std::to_string(frame->data.size());
  } else if (!frame->data.empty()) {
    text += " " + frame->data;
  }
  return frame->checkGood ? text : text + " BADCHECK";
}

std::string ScriptedPeer::Packet(char type, int sequence, std::string_view data, int checkBias) const {
  const dc::Packet packet{type, sequence, std::string(data)};
  return framing_ == dc::Framing::Classic ? dc::ClassicFrame(packet, dc::kCr, checkBias) : dc::WideFrame(packet, checkBias);
}

std::optional<PeerFrame> ScriptedPeer::NextFrame(std::uint32_t timeoutMs) {
  const std::string skipped = ReceiveUntil(dc::kSoh, timeoutMs);
  if (skipped.empty() || skipped.back() != dc::kSoh) return std::nullopt;
  std::string bytes(1, dc::kSoh);
  const auto parse = framing_ == dc::Framing::Classic ? dc::ParseClassicFrame : dc::ParseWideFrame;
  dc::ParsedFrame frame;
  while ((frame = parse(bytes)).status == dc::ParseStatus::NeedMore) {
    const std::string more = Receive(1, timeoutMs);
    if (more.empty()) return std::nullopt;
    bytes += more;
  }
  if (framing_ == dc::Framing::Classic) bytes += Receive(1, timeoutMs);  // its end of line
  return PeerFrame{frame.packet.type, frame.packet.seq, frame.packet.data, frame.status == dc::ParseStatus::Good,
                   bytes};
}

void ScriptedPeer::Play(const std::vector<std::string>& steps) {
  for (const std::string& step : steps) {
    SCOPED_TRACE(step);
    const std::size_t space = std::min(step.find(' '), step.size());
    if (step[0] == '>') {
      EXPECT_EQ(Next(), step.substr(1));
    } else if (step[0] == '<') {
      SendPacket(step[1], std::stoi(step.substr(2, space - 2)), step.substr(std::min(space + 1, step.size())));
    } else if (step[0] == '!') {
      Session().cancelEvent.Set();
    } else if (step[0] == '~') {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } else {
      Send("noise\r");
    }
  }
}

}  // namespace corvane::testing
