// The session runner: starts the worker for one operation, shows the progress
// window and keeps the host's messages moving until the worker has finished.
#pragma once

namespace corvane {

bool RunTransfer();
unsigned TransferWorker(void* unused);
// Dispatches every message waiting in the host thread's queue.
void PumpPendingMessages();

}  // namespace corvane
