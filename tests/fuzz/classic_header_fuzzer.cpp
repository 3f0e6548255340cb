// A classic F packet's name field opening the output file when the user named
// none: whatever the field holds, the file lands in the current directory (the
// served root here) under a plain name, and nothing outside is touched.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "classic/classic_link.h"
#include "classic/classic_transfer.h"
#include "fuzz/fuzz_support.h"
#include "platform/paths.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::ScratchTree& tree = fuzz::Scratch();
  fuzz::RestoreScratch();
  // Existing files are not replaced: the links in the root stay as they are.
  const auto link = std::make_unique<ClassicLinkState>();

  std::vector<std::uint8_t> field(data, data + size);
  field.push_back(0);
  link->receivedData = field.data();
  if (ClassicOpenOutput(*link) == 0) {
    ClassicCloseOutput(*link);
    const std::string name = link->files.headerName;
    if (name.find_first_of("/\\") != std::string::npos) fuzz::Fail("output named by a path: " + name);
    const std::filesystem::path created = tree.root / name;
    if (!std::filesystem::is_regular_file(created)) fuzz::Fail("output not in the current directory: " + name);
    RemoveFile(created.string());
  }
  fuzz::CheckOutsideUntouched();
  return 0;
}
