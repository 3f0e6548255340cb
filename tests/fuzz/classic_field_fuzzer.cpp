// The classic data-field coding. Input: one byte for the decode target's size,
// six bytes of a Send-Init field, then the data. The peer's parameters are
// adopted, its field is decoded into a buffer of exactly the given size, and
// the data must come back unchanged through encoding and decoding under the
// adopted prefix, field by field as the engine cuts it.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "classic/classic_link.h"
#include "fuzz/fuzz_support.h"

using namespace corvane;

namespace {

constexpr std::size_t kInitFieldSize = 6;

void DecodeIntoExactBuffer(const std::vector<std::uint8_t>& field, int capacity, ClassicLinkState& link) {
  link.receivedData = const_cast<std::uint8_t*>(field.data());
  auto buffer = std::make_unique<char[]>(static_cast<std::size_t>(capacity));
  ClassicDecodeToBuffer(buffer.get(), capacity, link);
  if (std::strlen(buffer.get()) >= static_cast<std::size_t>(capacity)) fuzz::Fail("decoded text not terminated");
}

void CheckRoundTrip(const std::string& text, ClassicLinkState& link) {
  ClassicSettings& settings = link.settings;
  settings.ourPrefix = settings.peerPrefix;
  std::vector<std::uint8_t> source(text.begin(), text.end());
  source.push_back(0);
  link.stringSource = source.data();
  std::string decoded;
  // Each pass takes at least one byte, so the data runs out within its length.
  for (std::size_t pass = 0; pass <= text.size() + 1; ++pass) {
    const int length = ClassicEncodeField(settings.peerMaxLength - 4, link);
    if (length == 0) break;
    if (length > settings.peerMaxLength - 3) fuzz::Fail("encoded field longer than its limit allows");
    std::vector<std::uint8_t> field(link.encodeBuffer, link.encodeBuffer + length);
    field.push_back(0);
    std::vector<char> plain(kClassicBufferSize);
    link.receivedData = field.data();
    ClassicDecodeToBuffer(plain.data(), static_cast<int>(plain.size()), link);
    decoded += plain.data();
  }
  link.stringSource = nullptr;
  if (decoded != text) fuzz::Fail("data changed on its way through encoding and decoding");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 + kInitFieldSize) return 0;
  const auto link = std::make_unique<ClassicLinkState>();
  const int capacity = 1 + data[0];
  ClassicAdoptParams(data + 1, static_cast<int>(kInitFieldSize), link->settings);

  const std::uint8_t* body = data + 1 + kInitFieldSize;
  const std::size_t bodySize = size - 1 - kInitFieldSize;
  std::vector<std::uint8_t> field(body, body + bodySize);
  field.push_back(0);
  DecodeIntoExactBuffer(field, capacity, *link);

  // Zero bytes end a text source, so the round trip is over the text before the first.
  const std::uint8_t* firstZero = std::find(body, body + bodySize, 0);
  CheckRoundTrip(std::string(body, firstZero), *link);
  return 0;
}
