// The wide engine's client: receive one file, send one file, or get one named
// file from the Data Collector.
#pragma once

#include <string>

#include "session/transfer_session.h"

namespace corvane {

// Receive, send or get. Receive: localName may be empty, inOutName
// returns the file created. Send: localName is the path, inOutName the name
// announced (may be empty). Get: localName is where to store, inOutName the
// wanted remote file on entry and the file created on return.
// Returns 0, -7, -21, -25 or the protocol error codes 251, 254, 255, 258.
// An existing output file is replaced without asking when `overwriteExisting`.
int WideClientTransfer(TransferCommand command, const std::string& localName, std::string& inOutName,
                       bool overwriteExisting);
// startType 'v' receive, 's' send, 'r' get.
int WideTransaction(const std::string& localName, char startType, std::string& inOutName, bool overwriteExisting);

}  // namespace corvane
