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

bool CancelRequested() {
  return Session().cancelEvent.Wait(0) != WaitResult::Timeout;
}

}  // namespace corvane
