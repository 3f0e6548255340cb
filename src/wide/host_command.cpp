#include "wide/host_command.h"

namespace corvane {

HostCommand WideHostCommand(const WideLinkContext& context) {
  constexpr std::int32_t kLargestData = static_cast<std::int32_t>(kWidePacketSize) - kWideDataOffset;
  constexpr std::int32_t kFieldCapacity = 99;
  if (context.rxLength < 1 || context.rxLength > kLargestData) return {};
  const auto* field = reinterpret_cast<const char*>(context.rxData) + 1;
  std::int32_t length = context.rxLength - 1;
  if (length > 0 && *field == '#') {
    ++field;
    --length;
  }
  HostCommand command;
  command.letter = static_cast<char>(context.rxData[0]);
  if (length > kFieldCapacity) {
    command.argumentTooLong = true;
  } else {
    command.argument = ArgumentOfField(std::string_view(field, static_cast<std::size_t>(length)));
  }
  return command;
}

}  // namespace corvane
