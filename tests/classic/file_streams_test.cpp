// Whole files through the send and receive streams: text line ends, coordinate
// records as text lines and back, over-long lines, names, failed writes.
#include <cctype>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "classic/file_streams.h"
#include "platform/scratch_directory.h"
#include "session/host_seams.h"
#include "session/transfer_session.h"
#include "support/files.h"
#include "survey/coordinate.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

// Each test runs in a fresh working directory, with the host's Save As answer
// and the progress counters reset around it.
class FileStreamsTest : public ::testing::Test {
 protected:
  FileStreamsTest() {
    fs::current_path(directory_.Path());
    Reset();
  }
  ~FileStreamsTest() override {
    Reset();
    std::error_code ignored;
    fs::current_path(previous_, ignored);
  }
  static void Reset() {
    TheHostSeams().saveAs = nullptr;
    Session().bytesDone = Session().bytesTotal = 0;
  }

  // Everything NextSendByte hands out for the file, as the engine would take it.
  std::string SendAll(const std::string& name) {
    EXPECT_EQ(streams_.OpenSendFile(name), 0) << name;
    std::string sent;
    for (int byte = streams_.NextSendByte(); byte != -1 && sent.size() < (1u << 24); byte = streams_.NextSendByte()) {
      EXPECT_TRUE(byte >= 0 && byte <= 255) << byte;
      sent.push_back(static_cast<char>(byte));
    }
    streams_.CloseSendFile();
    return sent;
  }

  // The open's result and the name it left; the first store result other than 1
  // (else 1) and the count of bytes taken before it.
  struct Received {
    int open = 0, store = 0;
    std::size_t taken = 0;
    std::string name;
  };
  Received ReceiveAll(const std::string& name, const std::string& bytes) {
    Received outcome{.name = name};
    if ((outcome.open = streams_.OpenReceiveFile(outcome.name, false)) != 0) return outcome;
    for (; outcome.taken < bytes.size(); ++outcome.taken) {
      if ((outcome.store = streams_.StoreReceivedByte(static_cast<std::uint8_t>(bytes[outcome.taken]))) != 1) break;
    }
    if (outcome.taken == bytes.size()) outcome.store = 1;
    EXPECT_EQ(streams_.FinishReceiveFile(), 0);
    return outcome;
  }

  fs::path previous_ = fs::current_path();
  ScratchDirectory directory_;
  ClassicFileStreams streams_;
};

using SendStreamTest = FileStreamsTest;
using ReceiveStreamTest = FileStreamsTest;

std::string Upper(std::string name) {
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}
bool IsCoordinateName(const std::string& name) { return Upper(name).ends_with(".CR5"); }

TEST_F(SendStreamTest, FilesGoOutInTheDataCollectorsForm) {
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"JOB1.CR5",
       CoordinateFileBytes("JOB1", 15, {{12, 1000.5, 2000.25, 15.125, "TREE"}, {0, 1, 1, 1, "EMPTY"}, {-1, 2, 2, 2, "FREE"},
                                        {13, -5.5, 0, kMissingCoordinate, "NO HEIGHT"},
                                        {14, 1, 2, -99999.9999, "SIXTEEN CHARS OK"}, {15, 1, 2, -99999.99, ""}}) +
           std::string(20, '\x7f'),  // a partial record at the end is ignored
       "12,1000.5000000000,2000.2500000000,15.1250000000,TREE\r\n"
       "13,-5.5000000000,0.0000000000,-99999.9999000000,NO HEIGHT\r\n"
       "14,1.0000000000,2.0000000000,-99999.9999000000,SIXTEEN CHARS OK\r\n"
       "15,1.0000000000,2.0000000000,-99999.9900000000,\r\n"},
      {"short.cr5", "tiny", ""},  // no whole record, and the type is known in any case
      {"LINES.TXT", "lf\ncrlf\r\ncr\rend\n\r\n\r", "lf\r\ncrlf\r\ncr\r\nend\r\n\r\n\r\n"},
      {"CTRLZ.TXT", "ab\ncd\x1aignored\n", "ab\r\ncd"},
      {"BYTES.TXT", std::string("\xff\x80\nab\0cd\nef\n", 12), "\xff\x80\r\nabef\r\n"},  // a zero byte cuts its line
      {"EMPTY.TXT", "", ""},
  };
  for (const auto& [name, disk, sent] : cases) {
    WriteFile(name, disk);
    Session().bytesDone = 99;
    EXPECT_EQ(SendAll(name), sent) << name;
    EXPECT_EQ(Session().bytesDone, 0) << name;
    // The size of a coordinate file's text form is unknown in advance.
    EXPECT_EQ(Session().bytesTotal, IsCoordinateName(name) ? 0 : static_cast<std::int32_t>(disk.size())) << name;
  }
  EXPECT_EQ(streams_.OpenSendFile("NOSUCH.TXT"), -2);
  EXPECT_EQ(streams_.OpenSendFile(""), -2);
}

using LineStateTest = FileStreamsTest;

TEST_F(LineStateTest, ResetReopenAndCloseStartAfresh) {
  WriteFile("A.TXT", "first\nsecond\n");
  WriteFile("B.TXT", "xyz\n");
  ASSERT_EQ(streams_.OpenSendFile("A.TXT"), 0);
  EXPECT_EQ(streams_.NextSendByte(), 'f');
  streams_.ResetLineState();  // the rest of the line under way is dropped
  for (const char c : std::string("second\r")) EXPECT_EQ(streams_.NextSendByte(), c);
  EXPECT_EQ(SendAll("B.TXT"), "xyz\r\n");  // the line feed owed to A is forgotten

  ASSERT_EQ(streams_.OpenSendFile("A.TXT"), 0);
  streams_.CloseSendFile();
  EXPECT_EQ(streams_.NextSendByte(), -1);

  std::string name = "R.CR5";
  ASSERT_EQ(streams_.OpenReceiveFile(name, false), 0);
  for (const char c : std::string("12,1")) streams_.StoreReceivedByte(static_cast<std::uint8_t>(c));
  streams_.ResetLineState();
  for (const char c : std::string("5,1,2,3\n")) streams_.StoreReceivedByte(static_cast<std::uint8_t>(c));
  streams_.FinishReceiveFile();
  EXPECT_EQ(ReadFile("R.CR5"), CoordinateFileBytes("R", 5, {{5, 1, 2, 3, ""}}));
}

TEST_F(ReceiveStreamTest, FilesAreStoredInThePcsForm) {
  const std::string longLine(2000, 'a');
  const std::string atLimit(510, 'x');  // with its line feed the 511-byte line buffer is full
  const std::string overLimit(511, 'y');
  const std::string arc = "SA," + std::string(700, '1');
  struct Case {
    std::string name, sent;
    int store;
    std::size_t taken;
    std::string file;
  };
  const Case cases[] = {
      {"job1.cr5", "5,1,2,3,FIRST\r\n17,10.5,20.25,30.125\r\n3,-1,-2,-99999.99,LOW POINT NUMBER\r\n4,1,2,3,NO LINE END",
       1, 0,
       CoordinateFileBytes("JOB1", 17, {{5, 1, 2, 3, "FIRST"}, {17, 10.5, 20.25, 30.125, ""},
                                        {3, -1, -2, kMissingCoordinate, "LOW POINT NUMBER"}})},
      {"LONGNAMEX.CR5", "1,1,1,1\n", 1, 0, CoordinateFileBytes("LONGNAME", 1, {{1, 1, 1, 1, ""}})},
      {".CR5", "", 1, 0, CoordinateFileBytes("", 0, {})},
      {"BAD.CR5", "1,1,1,1,OK\n12,1000.5,2000.25\n2,2,2,2\n", kStoreNotCoordinateLine, 11 + 17,
       CoordinateFileBytes("BAD", 1, {{1, 1, 1, 1, "OK"}})},
      {"LONG.CR5", "2,2,2,2\n1,1,1,1," + std::string(600, 'D') + "\n", kStoreNotCoordinateLine, 8 + 511,
       CoordinateFileBytes("LONG", 2, {{2, 2, 2, 2, ""}})},
      {"NOTES.TXT", "a\r\nb\n\r\nlast", 1, 0, "a\r\nb\r\n\r\nlast\r\n"},
      {"BIG.TXT", longLine + "\n" + atLimit + "\n" + overLimit + "\nend", 1, 0,
       longLine + "\r\n" + atLimit + "\r\n" + overLimit + "\r\nend\r\n"},
      // Of an over-long polyline line only what converts unchanged is kept whole.
      {"LONG.PL5", arc + "\nPT 5" + std::string(700, ' ') + "\nZZ" + std::string(700, '-') + "\nPT 6\n", 1, 0,
       arc + "\r\nPT,5\r\nPT,6\r\n"},
  };
  for (const Case& c : cases) {
    const Received received = ReceiveAll(c.name, c.sent);
    ASSERT_EQ(received.open, 0) << c.name;
    EXPECT_EQ(received.name, Upper(c.name));
    EXPECT_EQ(streams_.ReceivePath(), received.name);
    EXPECT_EQ(received.store, c.store) << c.name;
    EXPECT_EQ(received.taken, c.store == 1 ? c.sent.size() : c.taken) << c.name;
    const std::string file = ReadFile(received.name);
    EXPECT_EQ(file, c.file) << c.name;
    EXPECT_EQ(Session().bytesTotal, IsCoordinateName(received.name) ? 38 : static_cast<std::int32_t>(file.size()));
    EXPECT_FALSE(streams_.ReceiveFileOpen());
  }
}

TEST_F(ReceiveStreamTest, RefusedNamesAndFailedWritesAreReported) {
  for (const std::string name : {"JOB?.CR5", "AB:C", "", "A|B.TXT", "NODIR/A.TXT"}) {
    EXPECT_EQ(ReceiveAll(name, "1,1,1,1\n").open, -1) << name;
  }
  EXPECT_TRUE(fs::is_empty(fs::current_path()));

  WriteFile("FULL.TXT", "");
  TheHostSeams().saveAs = [](const std::string&) -> std::optional<std::string> { return "/dev/full"; };
  std::string lines;
  for (int i = 0; i < 4000; ++i) lines += "a line of text that will not fit\n";
  const Received full = ReceiveAll("FULL.TXT", lines);
  EXPECT_EQ(full.open, 0);
  EXPECT_LT(full.store, 0);
  EXPECT_NE(full.store, kStoreNotCoordinateLine);
  // Nothing open to write to fails the same way.
  EXPECT_EQ(streams_.StoreReceivedByte('x'), 1);
  EXPECT_EQ(streams_.StoreReceivedByte('\n'), kStoreWriteFailed);
}

}  // namespace
}  // namespace corvane::testing
