// The Data Collector's generic commands (cd, dir, erase) as the PC answers
// them, in both variants, confined to the scratch root. Input: a flag byte
// (bit 0: the wide variant), then the command bytes. Whatever they hold, the
// current directory stays inside the root and nothing outside it changes.
#include <algorithm>
#include <filesystem>
#include <string>

#include "fuzz/fuzz_support.h"
#include "hostfiles/generic_commands.h"
#include "hostfiles/server_root.h"
#include "wide/host_command.h"

using namespace corvane;

namespace {

// The classic engine's decoded G data: the letter, then the argument field.
void RunClassic(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0) return;
  const std::string data(bytes, bytes + size);
  AnswerHostCommand(HostCommand{data[0], ArgumentOfField(data.substr(1))});
}

void RunWide(const std::uint8_t* bytes, std::size_t size) {
  WideLinkContext context;
  const std::size_t length = std::min<std::size_t>(size, kWideMaxData);
  std::copy(bytes, bytes + length, context.rxData);
  context.rxLength = static_cast<std::int32_t>(length);
  AnswerHostCommand(WideHostCommand(context));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const fuzz::ScratchTree& tree = fuzz::Scratch();
  fuzz::RestoreScratch();
  Confinement().root = tree.root.string();
  if ((data[0] & 1) != 0) {
    RunWide(data + 1, size - 1);
  } else {
    RunClassic(data + 1, size - 1);
  }
  const std::string current = std::filesystem::current_path().string();
  const std::string root = tree.root.string();
  if (current != root && current.rfind(root + "/", 0) != 0) fuzz::Fail("changed to a directory outside the root");
  fuzz::CheckOutsideUntouched();
  return 0;
}
