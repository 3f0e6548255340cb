// Bytes from the serial port through the wide frame and packet reader, then
// what the server does with an accepted packet's data: take it as a requested
// file name and as a generic command's argument field.
#include <algorithm>
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "wide/host_command.h"
#include "wide/wide_link.h"

using namespace corvane;

namespace {

// Enough bytes behind the input that a frame never waits for more; the wait
// itself is no parsing and would only slow the run.
constexpr std::size_t kPadding = kWideMaxData + 8;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A first byte other than SOH is dropped after a pause, with nothing parsed.
  if (size < 1 || data[0] != 0x01) return 0;
  fuzz::Scratch();
  fuzz::FeedSerialInput(data, size, kPadding);
  WideLinkContext context;
  const int type = WideReadPacket(context);
  if (type == kWideTimedOut || type == kWideDamaged) return 0;
  if (context.rxLength < 0 || context.rxLength > kWideMaxData) fuzz::Fail("accepted length out of range");
  if (context.rxData != context.rxPacket + kWideDataOffset) fuzz::Fail("data pointer moved");
  if (context.rxSeq < -32 || context.rxSeq > 223) fuzz::Fail("sequence not from one byte");

  if (WideRequestText(context).size() > static_cast<std::size_t>(kWideTextLimit)) fuzz::Fail("request text too long");
  const HostCommand command = WideHostCommand(context);
  if (command.argument && command.argument->size() >= static_cast<std::size_t>(kWideTextLimit)) {
    fuzz::Fail("argument longer than its field");
  }
  return 0;
}
