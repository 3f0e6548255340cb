// corvane-pacing: how often the engines' packet reads wake up. A packet is sent
// a byte at a time at the line's rate over a pty while the engine reads it and
// then settles and purges the input, as an accepted packet gets before its
// answer. The first packet teaches the pacing that the line keeps its rate;
// from the second on, a read should sleep through the packet in a few
// wake-ups instead of one a byte, and the settle still keeps the line quiet
// before the answer. Prints a Markdown table; the figures depend on the load.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "classic/classic_link.h"
#include "common/pty_pair.h"
#include "corvane-dc/wire.h"
#include "serial/serial_io.h"
#include "serial/serial_port.h"
#include "session/transfer_session.h"
#include "wide/wide_link.h"

namespace {

using namespace corvane;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 3;

// Voluntary context switches of the calling thread so far: each is a wake-up.
long WakesOfThisThread() {
  rusage usage{};
  ::getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_nvcsw;
}

void SendPaced(ByteStream& line, const std::string& bytes, int baud) {
  const auto byteTime = std::chrono::nanoseconds(10'000'000'000LL / baud);
  auto due = Clock::now();
  for (char byte : bytes) {
    std::this_thread::sleep_until(due);
    line.Write(reinterpret_cast<const std::uint8_t*>(&byte), 1);
    due += byteTime;
  }
}

struct Round {
  int result = 0;
  long readWakes = 0;
  long settleWakes = 0;
  Clock::duration quietBeforeAnswer{};  // from the last byte sent to the settle's end
};

Round ReadPacedAndSettle(ByteStream& line, const std::string& packet, int baud, const std::function<int()>& read) {
  Round round;
  Clock::time_point lastByteSent;
  std::thread sender([&] {
    SendPaced(line, packet, baud);
    lastByteSent = Clock::now();
  });
  const long before = WakesOfThisThread();
  round.result = read();
  const long afterRead = WakesOfThisThread();
  SerialFlushInput();
  const auto settled = Clock::now();
  round.readWakes = afterRead - before;
  round.settleWakes = WakesOfThisThread() - afterRead;
  sender.join();
  round.quietBeforeAnswer = settled - lastByteSent;
  return round;
}

// The library's port on the pty's slave, as a transfer opens it.
bool OpenPort(const PtyPair& pty, int baud) {
  CSerialPort& port = SerialPort();
  port.Close();
  port.SetDevicePath(pty.SlavePath());
  port.SetParity(0);
  port.SetBaudRate(baud);
  if (!port.Open()) return false;
  SerialInput(SerialInputMode::Purge);
  Session().cancelEvent.Create(EventReset::Manual);
  port.SetCancelEvent(&Session().cancelEvent);
  return true;
}

struct Case {
  const char* framing;
  int baud;
  std::size_t dataBytes;
  std::function<std::string(int round)> packet;
  std::function<int(int round)> read;  // the engine's read; its packet type when the packet arrived whole
  int expected;
};

bool Measure(const Case& c) {
  PtyPair pty;
  if (!pty.Open() || !OpenPort(pty, c.baud)) {
    std::fprintf(stderr, "corvane-pacing: cannot open a pty pair\n");
    return false;
  }
  bool whole = true;
  for (int round = 0; round < kRounds; ++round) {
    const Round measured = ReadPacedAndSettle(pty.Master(), c.packet(round), c.baud, [&] { return c.read(round); });
    whole = whole && measured.result == c.expected;
    std::printf("| %s | %d | %zu | %d | %ld | %ld | %.1f | %s |\n", c.framing, c.baud, c.dataBytes, round + 1,
                measured.readWakes, measured.settleWakes,
                std::chrono::duration<double, std::milli>(measured.quietBeforeAnswer).count(),
                SerialPort().Input().pacing.KeepsRate() ? "yes" : "no");
  }
  Session().cancelEvent.Close();
  SerialPort().Close();
  return whole;
}

}  // namespace

int main() {
  static ClassicLinkState link;  // large: kept off the stack
  static WideLinkContext context;
  const std::string classicData(80, 'x');
  std::string wideData;
  for (int i = 0; i < 512; ++i) wideData.push_back(static_cast<char>(i));
  const Case cases[] = {
      {"classic", 9600, classicData.size(),
       [&](int round) { return dc::ClassicFrame({'D', round, classicData}, dc::kCr); },
       [&](int round) {
         link.sequence = round;
         return static_cast<int>(ClassicReadPacket(link));
       },
       'D'},
      {"wide", 38400, wideData.size(), [&](int round) { return dc::WideFrame({'D', round, wideData}); },
       [&](int round) {
         WideReset(context);
         context.seq = round;
         return WideReadPacket(context);
       },
       'D'},
  };
  std::printf("| framing | baud | data bytes | packet | read wake-ups | settle wake-ups | quiet before answer (ms) | rate learned |\n");
  std::printf("|---|---|---|---|---|---|---|---|\n");
  bool whole = true;
  for (const Case& c : cases) whole = Measure(c) && whole;
  if (!whole) std::fprintf(stderr, "corvane-pacing: a packet did not arrive whole\n");
  return whole ? 0 : 1;
}
