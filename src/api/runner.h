// The session runner: starts the worker for one operation, shows the progress
// window and keeps the host's messages moving until the worker has finished.
#pragma once

#include <functional>
#include <string>

namespace corvane {

bool RunTransfer();
unsigned TransferWorker(void* unused);
// Dispatches every message waiting in the host thread's queue.
void PumpPendingMessages();

// Where the worker sends its command. The defaults are DispatchCommand and
// WideServerEntry; hosts and tests may route commands elsewhere.
struct WorkerRoutes {
  std::function<int(int command, std::string first, std::string second, std::string& outputName, int platform)> dispatch;
  std::function<int(int overwrite)> serverEntry;
};

WorkerRoutes& Routes();
// Restores DispatchCommand and WideServerEntry.
void RestoreDefaultRoutes();

}  // namespace corvane
