// Survey test helpers: whole .CR5 files built byte by byte, and a fixture that
// runs each test in a fresh working directory with the stream state reset around it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "api/transfer_session.h"
#include "hostfiles/transfer_slots.h"
#include "platform/host_seams.h"
#include "survey/coordinate.h"
#include "survey/survey_streams.h"

namespace corvane::testing {

namespace fs = std::filesystem;

inline CoordinateRecord Point(std::int32_t number, double a, double b, double c, std::string description) {
  return CoordinateRecord{number, {a, b, c}, std::move(description)};
}

template <std::size_t N>
std::string Bytes(const std::array<std::uint8_t, N>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

inline std::string CoordinateFile(const std::vector<CoordinateRecord>& records, const CoordinateHeader& header = {}) {
  std::string file = Bytes(header.Encode());
  for (const CoordinateRecord& record : records) file += Bytes(record.Encode());
  return file;
}

class SurveyTest : public ::testing::Test {
 protected:
  SurveyTest() {
    std::random_device random;
    do {
      directory_ = fs::temp_directory_path() / ("corvane-survey-" + std::to_string(random()));
    } while (!fs::create_directory(directory_));
    fs::current_path(directory_);
    Reset();
  }
  ~SurveyTest() override {
    CloseTransferFiles();
    if (ReceiveFileOpen()) FinishReceiveFile();
    Reset();
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    fs::remove_all(directory_, ignored);
  }
  static void Reset() {
    Slots() = TransferSlots{};
    TheHostSeams().saveAs = nullptr;
    Session().bytesDone = Session().bytesTotal = 0;
    ResetLineState();
  }
  static void Write(const std::string& name, const std::string& bytes) { std::ofstream(name, std::ios::binary) << bytes; }
  static std::string Read(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // Everything NextSendByte hands out for the file, as the engine would take it.
  static std::string SendAll(const std::string& name) {
    EXPECT_EQ(OpenSendFile(name), 0) << name;
    std::string sent;
    for (int byte = NextSendByte(); byte != -1 && sent.size() < (1u << 24); byte = NextSendByte()) {
      EXPECT_TRUE(byte >= 0 && byte <= 255) << byte;
      sent.push_back(static_cast<char>(byte));
    }
    CloseTransferFiles();
    return sent;
  }

  // The open's result and the name it left; the first store result other than 1
  // (else 1) and the count of bytes taken before it.
  struct Received {
    int open = 0, store = 0;
    std::size_t taken = 0;
    std::string name;
  };
  static Received ReceiveAll(const std::string& name, const std::string& bytes) {
    Received outcome{.name = name};
    if ((outcome.open = OpenReceiveFile(outcome.name)) != 0) return outcome;
    for (; outcome.taken < bytes.size(); ++outcome.taken) {
      if ((outcome.store = StoreReceivedByte(static_cast<std::uint8_t>(bytes[outcome.taken]))) != 1) break;
    }
    if (outcome.taken == bytes.size()) outcome.store = 1;
    EXPECT_EQ(FinishReceiveFile(), 0);
    return outcome;
  }

  fs::path previous_ = fs::current_path();
  fs::path directory_;
};

}  // namespace corvane::testing
