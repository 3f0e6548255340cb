#include "session/transfer_session.h"

namespace corvane {

TransferSession& Session() {
  static TransferSession session;
  return session;
}

void NoteErrorPacket(const std::string& text, bool received) {
  if (text.empty()) return;
  Session().errorDetail.Set(received ? "the Data Collector reported: " + text : "sent to the Data Collector: " + text);
}

void NotePacketRead(int type) {
  // A NAK only says that the peer is there: two sides NAKing each other's
  // damage for ever would otherwise count as a line at work.
  if (type == 'N') return;
  ++Session().packetsRead;
  if (type == 'E') ++Session().errorPacketsRead;
}

bool CancelRequested() {
  return Session().cancelEvent.Wait(0) != WaitResult::Timeout;
}

}  // namespace corvane
