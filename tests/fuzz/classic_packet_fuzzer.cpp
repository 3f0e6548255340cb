// One line from the serial port through the classic packet reader, then what
// the engine does with an accepted packet's data: decode it as a name or a
// message, and adopt it as the peer's Send-Init parameters.
#include <cstring>
#include <memory>
#include <vector>

#include "classic/classic_link.h"
#include "fuzz/fuzz_support.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Scratch();
  const auto exchange = std::make_unique<ClassicLinkState>();
  ClassicLinkState& link = *exchange;
  // The line as the peer ends it; bytes behind an earlier end of line stay unread.
  std::vector<std::uint8_t> line(data, data + std::min<std::size_t>(size, 2 * kClassicLineLimit));
  line.push_back(link.settings.receiveEol);
  fuzz::FeedSerialInput(line.data(), line.size());

  const std::uint8_t type = ClassicReadPacket(link);
  if (type == 'T' || type == 'Q' || type == 'X') return 0;
  const std::uint8_t* end = link.receiveBuffer + kClassicBufferSize;
  if (link.receivedLength < 0 || link.receivedData < link.receiveBuffer ||
      link.receivedData + link.receivedLength >= end || link.receivedData[link.receivedLength] != 0) {
    fuzz::Fail("accepted packet's data field lies outside the receive buffer");
  }

  char name[100];
  ClassicDecodeToBuffer(name, sizeof name, link);
  ClassicAdoptParams(link.receivedData, link.receivedLength, link.settings);
  const ClassicSettings& settings = link.settings;
  if (settings.peerMaxLength < 10 || settings.timeoutSeconds < 0 || settings.sendEol < 2 || settings.sendEol > 31) {
    fuzz::Fail("adopted parameters out of range");
  }
  return 0;
}
