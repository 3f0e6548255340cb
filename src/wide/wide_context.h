// The record of one wide exchange: packet buffers, sequence state, the files
// in transfer, and how the exchange runs (as a client or serving).
#pragma once

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

  // Serving the Data Collector: reads wait without a time-out, resends without
  // a limit, and nobody is asked about an existing file.
  bool serverMode = false;
  // The tree whose files the exchange may touch; empty: the whole file system.
  std::string root;
  bool overwriteExisting = false;  // an existing output file is replaced without asking
  bool answerAsText = false;       // the next file header goes out as X

  WideLinkContext() = default;
  WideLinkContext(const WideLinkContext&) = delete;
  WideLinkContext& operator=(const WideLinkContext&) = delete;
};

}  // namespace corvane
