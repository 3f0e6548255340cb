#include "api/transfer_session.h"

namespace corvane {

TransferSession& Session() {
  static TransferSession session;
  return session;
}

bool CancelRequested() {
  return Session().cancelEvent.Wait(0) != WaitResult::Timeout;
}

}  // namespace corvane
