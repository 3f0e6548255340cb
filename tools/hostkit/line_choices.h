// The names a user picks the line settings by, and what the library takes for them.
#pragma once

#include <optional>
#include <string>

namespace corvane::host {

enum class CommandFamily { FileTransfer, Generic };

// The parity names in the library's code order: none, odd, even, mark, space.
inline constexpr const char* kParityNames[] = {"none", "odd", "even", "mark", "space"};

// The library's parity code, or nullopt for an unknown name.
std::optional<int> ParityCode(const std::string& name);
// The platform value for TransferSetOtherPlatform from auto, classic, wide or a
// number: "classic" is the classic engine, which is 0 for file transfers but 1
// for generic commands (0 would pick the wide engine).
std::optional<int> PlatformValue(const std::string& name, CommandFamily family);
// A whole decimal number and nothing else, or nullopt.
std::optional<int> WholeNumber(const std::string& text);

}  // namespace corvane::host
