// The record of one wide exchange: packet buffers, sequence state and the
// files in transfer.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/file.h"

namespace corvane {

inline constexpr std::size_t kWidePacketSize = 612;
inline constexpr int kWideMaxData = 512;
inline constexpr int kWideDataOffset = 5;

struct WideLinkContext {
  std::uint8_t txPacket[kWidePacketSize] = {};
  std::uint8_t rxPacket[kWidePacketSize] = {};
  std::string fileName;
  std::uint8_t* rxData = rxPacket + kWideDataOffset;
  std::uint8_t* txData = txPacket + kWideDataOffset;
  std::int32_t rxLength = 0;
  std::int32_t rxSeq = -1;
  std::int32_t seq = 0;
  std::int32_t lastTxLength = 0;
  std::int32_t pendingType = 0;
  StdioFile outFile;
  StdioFile inFile;
  std::int32_t isSender = 0;

  WideLinkContext() = default;
  WideLinkContext(const WideLinkContext&) = delete;
  WideLinkContext& operator=(const WideLinkContext&) = delete;
};

// Set only while the wide loop serves in server mode: lifts the read time-outs
// and retry limits of the wide link.
struct WideLinkFlags {
  std::atomic<int> serverMode{0};
};

WideLinkFlags& WideFlags();

// The tree whose files a server-mode exchange may touch: the served root while
// serving, else empty (the whole file system).
const std::string& ServedRoot();

}  // namespace corvane
