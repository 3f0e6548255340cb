#include "fuzz/fuzz_support.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <random>

#include "platform/tick.h"
#include "serial/serial_io.h"
#include "serial/serial_port.h"
#include "session/transfer_session.h"
#include "support/files.h"

namespace corvane::fuzz {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

constexpr char kSecret[] = "secret";
// Every read of the tick moves ten seconds on, so no wait outlasts its first check.
constexpr std::uint32_t kTickStep = 10'000;

std::atomic<std::uint32_t>& RunawayTick() {
  static std::atomic<std::uint32_t> tick{0};
  return tick;
}

ScratchTree MakeScratch() {
  ScratchTree tree;
  std::random_device seed;
  tree.base = fs::temp_directory_path() / ("corvane-fuzz-" + std::to_string(seed()));
  tree.root = tree.base / "root";
  tree.outside = tree.base / "outside";
  fs::create_directories(tree.root);
  fs::create_directories(tree.outside);
  fs::create_directories(tree.base / "tmp");
  tree.base = fs::canonical(tree.base);
  tree.root = fs::canonical(tree.root);
  tree.outside = fs::canonical(tree.outside);
  WriteFile(tree.outside / "SECRET.TXT", kSecret);
  fs::create_directory_symlink(tree.outside, tree.root / "LINK");
  fs::create_symlink(tree.outside / "SECRET.TXT", tree.root / "FILELINK");
  ::setenv("TMPDIR", (tree.base / "tmp").c_str(), 1);
  Session().cancelEvent.Create(EventReset::Manual);
  SerialPort().SetCancelEvent(&Session().cancelEvent);
  SetTickSource([] { return RunawayTick().fetch_add(kTickStep); });
  return tree;
}

}  // namespace

void FeedSerialInput(const std::uint8_t* bytes, std::size_t size, std::size_t padding) {
  SerialInputState& input = SerialPort().Input();
  size = std::min<std::size_t>(size, kSerialInputCapacity);
  padding = std::min<std::size_t>(padding, kSerialInputCapacity - size);
  if (size > 0) std::memcpy(input.buffer, bytes, size);
  std::memset(input.buffer + size, 0, padding + 1);
  input.count = static_cast<std::uint32_t>(size + padding);
  input.index = 0;
  RunawayTick() = 0;
  input.lastTick = 0;
}

const ScratchTree& Scratch() {
  static const ScratchTree tree = MakeScratch();
  return tree;
}

void RestoreScratch() {
  const ScratchTree& tree = Scratch();
  fs::current_path(tree.root);
  if (!fs::exists(tree.root / "A.TXT")) WriteFile(tree.root / "A.TXT", "a");
  fs::create_directories(tree.root / "SUB");
  if (!fs::exists(tree.root / "SUB" / "B.TXT")) WriteFile(tree.root / "SUB" / "B.TXT", "b");
}

void CheckOutsideUntouched() {
  const ScratchTree& tree = Scratch();
  const auto entries = std::distance(fs::directory_iterator(tree.outside), fs::directory_iterator());
  if (entries != 1 || ReadFile(tree.outside / "SECRET.TXT") != kSecret) Fail("the directory outside the root changed");
  if (!fs::is_symlink(tree.root / "LINK") || !fs::is_symlink(tree.root / "FILELINK")) Fail("a link in the root went");
  // root, outside and tmp: anything else was written above the root.
  if (std::distance(fs::directory_iterator(tree.base), fs::directory_iterator()) != 3) {
    Fail("a file appeared above the root");
  }
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "property broken: %s\n", what.c_str());
  std::abort();
}

}  // namespace corvane::fuzz
