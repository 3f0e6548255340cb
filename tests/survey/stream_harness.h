// Helpers for the survey stream tests: a fresh working directory, files built
// byte by byte, and whole transfers run through the stream functions.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "api/transfer_session.h"
#include "hostfiles/transfer_slots.h"
#include "platform/host_seams.h"
#include "survey/coordinate.h"
#include "survey/survey_streams.h"

namespace corvane::testing {

// A new directory under the temporary directory, made current for the test
// and removed afterwards; the previous working directory comes back.
class WorkDirectory {
 public:
  WorkDirectory() : previous_(std::filesystem::current_path()) {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    do {
      path_ = base / ("corvane-survey-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_));
    std::filesystem::current_path(path_);
  }
  ~WorkDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  WorkDirectory(const WorkDirectory&) = delete;
  WorkDirectory& operator=(const WorkDirectory&) = delete;

  std::string Path() const { return path_.string(); }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

inline void WriteBytes(const std::string& name, const std::string& bytes) {
  std::ofstream(name, std::ios::binary) << bytes;
}

inline std::string ReadBytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

template <std::size_t N>
std::string AsString(const std::array<std::uint8_t, N>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

inline std::string CoordinateFile(const std::vector<CoordinateRecord>& records) {
  std::string bytes = AsString(CoordinateHeader{}.Encode());
  for (const CoordinateRecord& record : records) bytes += AsString(record.Encode());
  return bytes;
}

inline CoordinateHeader HeaderOf(const std::string& file) {
  std::array<std::uint8_t, kCoordinateHeaderSize> bytes{};
  std::copy_n(file.begin(), bytes.size(), bytes.begin());
  return CoordinateHeader::Decode(bytes);
}

inline std::vector<CoordinateRecord> RecordsOf(const std::string& file) {
  std::vector<CoordinateRecord> records;
  for (std::size_t at = kCoordinateHeaderSize; at + kCoordinateRecordSize <= file.size(); at += kCoordinateRecordSize) {
    std::array<std::uint8_t, kCoordinateRecordSize> bytes{};
    std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(at), bytes.size(), bytes.begin());
    records.push_back(CoordinateRecord::Decode(bytes));
  }
  return records;
}

inline CoordinateRecord Point(std::int32_t number, double a, double b, double c, std::string description) {
  CoordinateRecord record;
  record.pointNumber = number;
  record.coordinates = {a, b, c};
  record.description = std::move(description);
  return record;
}

// Everything NextSendByte hands out for the file, as the engine would take it.
inline std::string SendAll(const std::string& name) {
  EXPECT_EQ(OpenSendFile(name), 0) << name;
  std::string sent;
  for (int byte = NextSendByte(); byte != -1; byte = NextSendByte()) {
    EXPECT_GE(byte, 0);
    EXPECT_LE(byte, 255);
    sent.push_back(static_cast<char>(byte));
    if (sent.size() > (1u << 24)) break;  // a stream that never ends is a failure, not a hang
  }
  CloseTransferFiles();
  return sent;
}

struct ReceiveOutcome {
  int open = 0;
  int store = 0;          // the first result other than 1, else 1; 0 when nothing opened
  std::size_t taken = 0;  // bytes stored before that result
  std::string name;       // the caller's name after the open
};

// Opens `name` for receiving, stores the bytes until one is refused, and finishes.
inline ReceiveOutcome ReceiveAll(const std::string& name, const std::string& bytes) {
  ReceiveOutcome outcome;
  outcome.name = name;
  outcome.open = OpenReceiveFile(outcome.name);
  if (outcome.open != 0) return outcome;
  outcome.store = 1;
  for (const char c : bytes) {
    const int result = StoreReceivedByte(static_cast<std::uint8_t>(c));
    if (result != 1) {
      outcome.store = result;
      break;
    }
    ++outcome.taken;
  }
  EXPECT_EQ(FinishReceiveFile(), 0);
  return outcome;
}

// Each test starts from the library's idle state and leaves it so.
class SurveyStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override {
    CloseTransferFiles();
    if (ReceiveFileOpen()) FinishReceiveFile();
    Reset();
  }
  static void Reset() {
    Slots() = TransferSlots{};
    TheHostSeams().saveAs = nullptr;
    Session().bytesDone = 0;
    Session().bytesTotal = 0;
    ResetLineState();
  }
  WorkDirectory directory_;
};

}  // namespace corvane::testing
