#include "hostfiles/argument_field.h"

#include <algorithm>

#include "hostfiles/generic_commands.h"
#include "hostfiles/transfer_slots.h"
#include "wide/wide_context.h"

namespace corvane {

char* ClassicArgumentField() {
  auto& command = Slots().hostCommand;
  // The decoder may fill the buffer to the brim; the trimming needs an end.
  command.back() = '\0';
  return command.data() + 1;
}

std::optional<std::string> ArgumentAfterLength(char* field) {
  TrimTrailing(field);
  while (*field == ' ') ++field;
  if (*field == '\0') return std::nullopt;
  return std::string(field + 1);
}

bool CopyWideArgument(const WideLinkContext& context, WideArgument& field) {
  field.fill('\0');
  constexpr std::int32_t kLargestData = static_cast<std::int32_t>(kWidePacketSize) - kWideDataOffset;
  if (context.rxData == nullptr || context.rxLength < 1 || context.rxLength > kLargestData) return false;
  const std::uint8_t* start = context.rxData + 1;
  std::int32_t length = context.rxLength - 1;
  if (length > 0 && *start == '#') {
    ++start;
    --length;
  }
  if (length >= static_cast<std::int32_t>(field.size())) return false;
  std::copy(start, start + length, field.begin());
  return true;
}

}  // namespace corvane
