// Taking the argument out of a generic command's argument field: a length
// character, never interpreted, followed by the argument text.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace corvane {

struct WideLinkContext;

// The argument field in hostCommand, behind the letter; used in place.
char* ClassicArgumentField();

// Trims `field` in place, skips leading spaces, then skips the length
// character; nullopt when nothing is left before that skip.
std::optional<std::string> ArgumentAfterLength(char* field);

inline constexpr std::size_t kWideArgumentCapacity = 100;
using WideArgument = std::array<char, kWideArgumentCapacity>;

// The argument field of a received wide generic command, zero-terminated. When
// a '#' follows the letter the field starts one byte later, so of a doubled '#'
// only the second is kept. False when there is no letter or the field does not
// fit (more than 99 bytes): a cut name could name a different file.
bool CopyWideArgument(const WideLinkContext& context, WideArgument& field);

}  // namespace corvane
