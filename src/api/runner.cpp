#include "api/runner.h"

#include <algorithm>
#include <ctime>

#include "api/dispatcher.h"
#include "corvane32/corvane32.h"
#include "platform/thread.h"
#include "platform/tick.h"
#include "serial/serial_port.h"
#include "session/host_seams.h"
#include "session/result_codes.h"
#include "session/transfer_session.h"
#include "ui/transfer_progress.h"
#include "wide/server_loop.h"

namespace corvane {
namespace {

constexpr std::uint32_t kPollPeriodMs = 250;
constexpr std::uint32_t kAnimationPeriodMs = 100;
constexpr std::uint32_t kBusyRetestMs = 50;

struct OperationText {
  std::string message;
  bool detailed = false;
};

// Names travel with either separator; the text after the last one is shown.
std::string NamePartOf(const std::string& path) {
  const auto cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

OperationText DescribeCommand(const TransferSession& session) {
  const std::string& first = session.firstArgument;
  switch (session.command) {
    case TransferCommand::Receive:
      return {"Receiving a file...", true};
    case TransferCommand::Send:
      return {"Sending " + NamePartOf(first), true};
    case TransferCommand::Get:
      return {"Getting " + NamePartOf(session.secondArgument), true};
    case TransferCommand::Generic: {
      const std::string argument = first.empty() ? std::string() : first.substr(1);
      if (first.starts_with('C')) return {"Changing the Data Collector directory to " + argument, false};
      if (first.starts_with('D')) return {"Listing the directory on the Data Collector...", false};
      if (first.starts_with('E')) return {"Deleting " + argument + " from the Data Collector...", false};
      return {"", false};
    }
    case TransferCommand::Server:
      return {"Running in SERVER MODE...", false};
  }
  return {"", false};
}

// The runner's pause between polls; the window's animation timer fires inside it.
void PauseWithAnimation(CTransferProgress& progress, std::uint32_t& nextFrameTick) {
  if (!progress.IsShown()) {
    SleepMilliseconds(kPollPeriodMs);
    return;
  }
  const std::uint32_t end = TickCount() + kPollPeriodMs;
  for (;;) {
    const std::uint32_t now = TickCount();
    if (static_cast<std::int32_t>(now - nextFrameTick) >= 0) {
      progress.OnTimer();
      nextFrameTick += kAnimationPeriodMs;
      continue;
    }
    const auto untilEnd = static_cast<std::int32_t>(end - now);
    if (untilEnd <= 0) return;
    const auto untilFrame = static_cast<std::int32_t>(nextFrameTick - now);
    SleepMilliseconds(static_cast<std::uint32_t>(std::min(untilEnd, untilFrame)));
  }
}

void CloseEvents(TransferSession& session) {
  session.cancelEvent.Close();
  session.busyEvent.Close();
  session.startedEvent.Close();
}

}  // namespace

void PumpPendingMessages() {
  HostUi& host = CurrentHostUi();
  while (host.HasPendingMessage()) host.PumpMessage();
}

unsigned TransferWorker(void* /*unused*/) {
  TransferSession& session = Session();
  while (session.busyEvent.Wait(0) == WaitResult::Signalled) SleepMilliseconds(kBusyRetestMs);
  session.busyEvent.Set();
  session.startedEvent.Set();

  int result;
  if (session.command == TransferCommand::Server) {
    result = WideServerEntry(false);
  } else {
    std::string outputName = session.outputFileName.Get();
    result = DispatchCommand(session.command, session.firstArgument, session.secondArgument, outputName,
                             PlatformKindOf(session.platform));
    session.outputFileName.Set(std::move(outputName));
  }
  session.lastResult = result;
  // Counted busy for one more poll of the runner after the result is known.
  SleepMilliseconds(kPollPeriodMs);
  session.busyEvent.Reset();
  return 0;
}

bool RunTransfer() {
  TransferSession& session = Session();
  session.lastResult = kResultSuccess;
  session.bytesDone = 0;
  session.bytesTotal = 0;
  session.outputFileName.Set("");
  session.errorDetail.Set("");
  session.packetsRead = 0;
  session.errorPacketsRead = 0;
  session.cancelEvent.Create(EventReset::Manual);
  SerialPort().SetCancelEvent(&session.cancelEvent);
  session.busyEvent.Create(EventReset::Manual);
  session.startedEvent.Create(EventReset::Auto);
  const OperationText text = DescribeCommand(session);

  // Without a worker there is nobody to signal startedEvent: fail instead of waiting forever.
  if (!StartDetachedThread([] { TransferWorker(nullptr); })) {
    CloseEvents(session);
    session.lastResult = kResultFailed;
    return false;
  }
  session.startedEvent.Wait(kWaitForever);

  CTransferProgress progress(
      [](std::int32_t& done, std::int32_t& total) { return TransferGetStatus(done, total); },
      [] { return static_cast<std::int64_t>(std::time(nullptr)); });
  progress.SetForward(session.command == TransferCommand::Send);
  HostUi& host = CurrentHostUi();
  progress.Create(host, session.hostWindow);
  if (session.hostWindow != nullptr) host.EnableHostWindow(session.hostWindow, false);
  progress.SetMessage(text.message);

  std::uint32_t nextFrameTick = TickCount() + kAnimationPeriodMs;
  while (progress.Poll(text.detailed)) {
    PumpPendingMessages();
    PauseWithAnimation(progress, nextFrameTick);
  }

  if (progress.Cancelled()) {
    host.BeginWaitCursor();
    TransferCancel();
    session.lastResult = kResultCancelled;
    host.EndWaitCursor();
  }
  if (session.hostWindow != nullptr) host.EnableHostWindow(session.hostWindow, true);
  progress.DestroyWindow();
  CloseEvents(session);
  return TransferGetLastError() == kResultSuccess;
}

}  // namespace corvane
