// Received data through the survey stream into a file. Input: a byte whose
// low bits choose the kind of file (.CR5, .PL5 or plain text) and whose bit 2
// says the data is a classic data field to decode on the way (else the bytes
// are stored as they are), then the data. A coordinate file always holds its
// header and whole records.
#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "classic/classic_link.h"
#include "fuzz/fuzz_support.h"
#include "platform/paths.h"
#include "session/transfer_session.h"
#include "survey/coordinate.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const fuzz::ScratchTree& tree = fuzz::Scratch();
  fuzz::RestoreScratch();
  static const std::array<std::string, 3> kNames = {"FUZZ.CR5", "FUZZ.PL5", "FUZZ.TXT"};
  const std::string& chosen = kNames[(data[0] & 3) % kNames.size()];
  const auto link = std::make_unique<ClassicLinkState>();
  ClassicFileStreams& streams = link->streams;
  std::string name = chosen;
  if (streams.OpenReceiveFile(name, true) != 0) fuzz::Fail("cannot open the output file");
  if ((data[0] & 4) != 0) {
    std::vector<std::uint8_t> field(data + 1, data + size);
    field.push_back(0);
    link->receivedData = field.data();
    if (ClassicDecodeField(*link) < 0) streams.ResetLineState();
  } else {
    for (std::size_t i = 1; i < size; ++i) {
      // The engine ends the receive at the first byte that cannot be stored.
      if (streams.StoreReceivedByte(data[i]) < 0) {
        streams.ResetLineState();
        break;
      }
    }
  }
  streams.FinishReceiveFile();
  const auto length = std::filesystem::file_size(tree.root / chosen);
  if (chosen == kNames[0] && (length < kCoordinateHeaderSize || (length - kCoordinateHeaderSize) % kCoordinateRecordSize != 0)) {
    fuzz::Fail("coordinate file holds a part record");
  }
  RemoveFile((tree.root / chosen).string());
  return 0;
}
