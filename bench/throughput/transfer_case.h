// One benchmark configuration and what one transfer of it measured.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "throughput/media.h"

namespace corvane::bench {

enum class Peers { Classic, Wide, KermitBasic, KermitDefaults };
enum class Direction { Send, Receive };  // as seen from the PC; a Kermit pair is one transfer
enum class Media { Text, Points, Binary };

struct TransferCase {
  Peers peers;
  Direction direction;
  Media media;
  int baudRate;
};

struct TransferResult {
  bool ok = false;
  std::string problem;          // why the transfer does not count
  double lineSeconds = 0;       // first byte on the line to the last
  double wallSeconds = 0;       // start of the sending program to the end of both
  double senderCpu = 0;         // CPU seconds of the program that sent the file
  double receiverCpu = 0;
  std::int64_t senderWaits = 0;  // times the program blocked (voluntary context switches)
  std::int64_t receiverWaits = 0;
  std::uint64_t fileBytes = 0;  // the bytes the efficiency is counted on
  std::uint64_t lineBytes = 0;  // bytes that crossed the line, both ways
  // Packets on the answering side (ACKs carry no data, so each SOH is one):
  // stop-and-wait, so one for every packet the other side had accepted.
  std::uint64_t answers = 0;
};

struct BenchPaths {
  std::filesystem::path lineEmulator;
  std::filesystem::path corvane;
  std::filesystem::path device;
  std::filesystem::path scratch;  // each run works in a fresh directory below it
};

std::string Describe(Peers peers);
std::string Describe(Direction direction);
std::string Describe(Media media);

// Runs one transfer through a fresh line emulator; `runIndex` names its directory.
TransferResult RunTransfer(const TransferCase& what, const BenchMedia& media, const BenchPaths& paths, int runIndex);

}  // namespace corvane::bench
