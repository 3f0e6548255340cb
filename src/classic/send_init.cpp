#include "classic/classic_link.h"

namespace corvane {
namespace {

constexpr int kDefaultMaxLength = 80;
constexpr int kDefaultTimeout = 40;
constexpr int kDefaultEol = 13;

// Send-Init fields are read as signed characters, so bytes above 127 fall to the defaults.
int FieldValue(const std::uint8_t* data, int position) {
  return static_cast<std::int8_t>(data[position - 1]);
}

bool PrefixAllowed(int prefix) { return (prefix >= 33 && prefix <= 62) || (prefix >= 96 && prefix <= 126); }

}  // namespace

std::string ClassicInitData(const ClassicSettings& settings) {
  std::string data;
  data += static_cast<char>(ToChar(settings.ourMaxLength));
  data += static_cast<char>(ToChar(settings.ourTimeout));
  data += static_cast<char>(ToChar(0));  // no padding wanted
  data += static_cast<char>(Ctl(0));
  data += static_cast<char>(ToChar(settings.receiveEol));
  data += static_cast<char>(settings.ourPrefix);
  return data;
}

int ClassicSendInit(std::uint8_t type, ClassicLinkState& link) {
  const std::string data = ClassicInitData(link.settings);
  return ClassicSendPacket(type, link.sequence, static_cast<int>(data.size()),
                           reinterpret_cast<const std::uint8_t*>(data.data()), link);
}

void ClassicAdoptParams(const std::uint8_t* data, int length, ClassicSettings& settings) {
  if (data == nullptr) length = 0;

  int maxLength = length >= 1 ? UnChar(FieldValue(data, 1)) : kDefaultMaxLength;
  if (maxLength < 10) maxLength = kDefaultMaxLength;
  settings.peerMaxLength = maxLength;

  int timeout = length >= 2 ? UnChar(FieldValue(data, 2)) : kDefaultTimeout;
  if (timeout < 0) timeout = kDefaultTimeout;
  settings.timeoutSeconds = timeout;

  // NPAD and PADC are ignored: the PC never pads.
  int eol = length >= 5 ? UnChar(FieldValue(data, 5)) : kDefaultEol;
  if (eol < 2 || eol > 31) eol = kDefaultEol;
  settings.sendEol = static_cast<std::uint8_t>(eol);

  const int prefix = length >= 6 ? FieldValue(data, 6) : '#';
  settings.peerPrefix = static_cast<std::uint8_t>(PrefixAllowed(prefix) ? prefix : '#');
}

}  // namespace corvane
