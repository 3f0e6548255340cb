// A wide F packet's header text opening the output file. Input: a flag byte
// (bit 0: server mode with the root confined, bit 1: replace existing files
// when in server mode), then the packet's data. Whatever the header holds, the
// file lands in the current directory (the root) under a plain name, and
// nothing outside is touched.
#include <filesystem>
#include <string>

#include "fuzz/fuzz_support.h"
#include "hostfiles/server_root.h"
#include "wide/wide_files.h"
#include "wide/wide_link.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const fuzz::ScratchTree& tree = fuzz::Scratch();
  fuzz::RestoreScratch();
  const bool server = (data[0] & 1) != 0;
  Confinement().root = server ? tree.root.string() : std::string();
  WideLinkContext context;
  context.serverMode = server;
  context.root = Confinement().root;
  // Outside server mode an existing file is never replaced, so the links in the root stay.
  context.overwriteExisting = server && (data[0] & 2) != 0;
  const std::size_t length = std::min<std::size_t>(size - 1, kWideMaxData);
  std::copy(data + 1, data + 1 + length, context.rxData);
  context.rxLength = static_cast<std::int32_t>(length);
  std::string outName;
  if (WideOpenOutput(context, std::string(), outName) == OutputOpen::Opened) {
    if (outName.find_first_of("/\\") != std::string::npos) fuzz::Fail("output named by a path: " + outName);
    if (!std::filesystem::is_regular_file(tree.root / outName)) {
      fuzz::Fail("output not in the current directory: " + outName);
    }
  }
  // An unfinished output file is deleted here, so the root is as it was.
  WideCloseFiles(context);
  Confinement().root.clear();
  fuzz::CheckOutsideUntouched();
  return 0;
}
