// The file-name slots, flags and generic-command buffers that the dispatcher,
// both engines, the host file services and the survey file streams share.
#pragma once

#include <array>
#include <string>

namespace corvane {

inline constexpr std::size_t kGenericCommandCapacity = 96;
inline constexpr std::size_t kHostCommandCapacity = 500;

struct TransferSlots {
  std::string nextFileName;     // local path of the file waiting to be sent
  std::string currentFileName;  // file being sent; when receiving, the header's name
  std::string headerName;       // name announced / output path wanted, then written
  int filePending = 0;          // 1 while a file waits to be sent
  int answerAsText = 0;         // 1: the next file header goes out as X
  int overwriteExisting = 0;    // 1: an existing output file is replaced without asking
  std::array<char, kGenericCommandCapacity> genericCommand{};  // G data sent, zero-terminated
  std::array<char, kHostCommandCapacity> hostCommand{};        // G data received, decoded
};

TransferSlots& Slots();

}  // namespace corvane
