#include "corvane-dc/replay.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <sstream>
#include <thread>

#include "corvane-dc/wire.h"

namespace corvane::dc {
namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr int kPollMs = 10;

std::optional<std::vector<std::uint8_t>> HexBytes(std::istringstream& words) {
  std::vector<std::uint8_t> bytes;
  for (std::string word; words >> word;) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, 16);
    if (error != std::errc() || end != word.data() + word.size() || word.size() != 2) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(value));
  }
  return bytes;
}

// The PC's side of the line: its bytes as they come, and when each count was reached.
class PcSide {
 public:
  explicit PcSide(ByteStream& master) : master_(master) {
    int on = 1;
    ::ioctl(master.Descriptor(), TIOCPKT, &on);
  }
  ~PcSide() {
    int off = 0;
    ::ioctl(master_.Descriptor(), TIOCPKT, &off);
  }
  PcSide(const PcSide&) = delete;
  PcSide& operator=(const PcSide&) = delete;

  // Reads what the PC has sent, waiting up to kPollMs.
  void Poll() {
    pollfd entry{master_.Descriptor(), POLLIN, 0};
    if (::poll(&entry, 1, kPollMs) <= 0 || (entry.revents & POLLIN) == 0) return;
    std::uint8_t buffer[4097];
    const ssize_t count = ::read(master_.Descriptor(), buffer, sizeof buffer);
    if (count <= 0) return;
    // In packet mode every read starts with a status byte: 0 before data.
    if (buffer[0] != TIOCPKT_DATA) {
      if ((buffer[0] & TIOCPKT_FLUSHREAD) && !firstPurge_) firstPurge_ = Clock::now();
      return;
    }
    bytes_.insert(bytes_.end(), buffer + 1, buffer + count);
    reached_.emplace_back(bytes_.size(), Clock::now());
  }
  // When the PC had sent `count` bytes; nullopt before that.
  std::optional<Clock::time_point> TimeOf(std::size_t count) const {
    if (count == 0) return firstPurge_;
    const auto at = std::find_if(reached_.begin(), reached_.end(), [count](const auto& entry) { return entry.first >= count; });
    if (at == reached_.end()) return std::nullopt;
    return at->second;
  }
  const std::optional<Clock::time_point>& FirstPurge() const { return firstPurge_; }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  ByteStream& master_;
  std::vector<std::uint8_t> bytes_;
  std::vector<std::pair<std::size_t, Clock::time_point>> reached_;
  std::optional<Clock::time_point> firstPurge_;
};

// The packets in a byte stream as the device's own parser reads them. A frame
// of one framing can pass the other's six-bit check by chance: the framing of
// the packet before is tried first.
std::vector<std::string> PacketsOf(const std::vector<std::uint8_t>& bytes) {
  const std::string_view line(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::vector<std::string> packets;
  Framing framing = Framing::Classic;
  std::size_t at = 0;
  while ((at = line.find(static_cast<char>(kSoh), at)) != std::string_view::npos) {
    const auto parse = [&](Framing which) {
      return which == Framing::Classic ? ParseClassicFrame(line.substr(at)) : ParseWideFrame(line.substr(at));
    };
    ParsedFrame frame = parse(framing);
    if (frame.status != ParseStatus::Good) frame = parse(framing == Framing::Classic ? Framing::Wide : Framing::Classic);
    if (frame.status == ParseStatus::Good) framing = frame.framing;
    if (frame.status != ParseStatus::Good) {
      packets.emplace_back("damaged or cut frame");
      ++at;
      continue;
    }
    packets.push_back(DescribePacket(frame.packet));
    at += frame.consumed;
  }
  return packets;
}

std::string Compare(const std::vector<std::uint8_t>& traced, const std::vector<std::uint8_t>& now) {
  if (traced == now) return "the PC sent its " + std::to_string(now.size()) + " bytes as in the trace, byte for byte";
  const auto differ = std::mismatch(traced.begin(), traced.end(), now.begin(), now.end());
  std::string detail = "the PC sent " + std::to_string(now.size()) + " bytes where the trace has " +
                       std::to_string(traced.size()) + "; they part at byte " +
                       std::to_string(differ.first - traced.begin());
  const std::vector<std::string> tracedPackets = PacketsOf(traced);
  const std::vector<std::string> nowPackets = PacketsOf(now);
  const auto packet = std::mismatch(tracedPackets.begin(), tracedPackets.end(), nowPackets.begin(), nowPackets.end());
  if (packet.first != tracedPackets.end() || packet.second != nowPackets.end()) {
    detail += "; its packet " + std::to_string(packet.first - tracedPackets.begin() + 1) + " is " +
              (packet.second == nowPackets.end() ? std::string("missing") : *packet.second) + ", the trace has " +
              (packet.first == tracedPackets.end() ? std::string("none") : *packet.first);
  }
  return detail;
}

}  // namespace

std::optional<std::vector<TraceEvent>> ParseTrace(const std::string& text, std::string& badLine) {
  std::vector<TraceEvent> events;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line.front() == '#') continue;
    std::istringstream words(line);
    TraceEvent event;
    std::string kind;
    if (!(words >> event.seconds >> kind)) {
      badLine = line;
      return std::nullopt;
    }
    if (kind == "purge") {
      event.kind = TraceEvent::Kind::Purge;
    } else if (kind == "pc" || kind == "dc") {
      event.kind = kind == "pc" ? TraceEvent::Kind::FromPc : TraceEvent::Kind::FromDc;
      std::optional<std::vector<std::uint8_t>> bytes = HexBytes(words);
      if (!bytes) {
        badLine = line;
        return std::nullopt;
      }
      event.bytes = std::move(*bytes);
    } else {
      badLine = line;
      return std::nullopt;
    }
    events.push_back(std::move(event));
  }
  return events;
}

ReplayResult ReplayTrace(ByteStream& master, const std::vector<TraceEvent>& events, const std::atomic<bool>& stop,
                         int quietSeconds) {
  PcSide pc(master);
  const auto start = Clock::now();
  bool tracedPurge = false;
  std::vector<std::uint8_t> tracedPc;
  // The trace's time of the event a Data Collector chunk follows, and the replay's.
  std::optional<double> anchorSeconds;
  std::optional<Clock::time_point> anchorSent;
  const auto quiet = std::chrono::seconds(quietSeconds);
  for (const TraceEvent& event : events) {
    if (event.kind == TraceEvent::Kind::Purge) {
      if (!tracedPurge) anchorSeconds = event.seconds;
      tracedPurge = true;
      continue;
    }
    if (event.kind == TraceEvent::Kind::FromPc) {
      tracedPc.insert(tracedPc.end(), event.bytes.begin(), event.bytes.end());
      anchorSeconds = event.seconds;
      anchorSent.reset();
      continue;
    }
    // The PC must have sent what came before, and the pause since then must have passed.
    const auto waitFrom = Clock::now();
    for (;;) {
      if (stop) return {false, "stopped"};
      std::optional<Clock::time_point> since = anchorSent ? anchorSent : pc.TimeOf(tracedPc.size());
      // A trace without a purge starts when the replay does.
      if (!since && !tracedPurge && tracedPc.empty()) since = start;
      const Seconds pause(std::max(0.0, event.seconds - anchorSeconds.value_or(event.seconds)));
      if (since && Clock::now() >= *since + std::chrono::duration_cast<Clock::duration>(pause)) break;
      if (!since && Clock::now() - waitFrom > quiet + pause) return {false, Compare(tracedPc, pc.Bytes())};
      pc.Poll();
    }
    if (!master.Write(event.bytes.data(), event.bytes.size())) return {false, "the PC's end of the line has gone"};
    anchorSeconds = event.seconds;
    anchorSent = Clock::now();
  }
  // What the PC sends after the Data Collector's last bytes.
  for (auto lastMoved = Clock::now(); !stop && pc.Bytes().size() < tracedPc.size() && Clock::now() - lastMoved < quiet;) {
    const std::size_t before = pc.Bytes().size();
    pc.Poll();
    if (pc.Bytes().size() != before) lastMoved = Clock::now();
  }
  // A moment more: bytes the PC sends beyond the trace are a difference too.
  for (const auto end = Clock::now() + std::chrono::milliseconds(300); Clock::now() < end;) pc.Poll();
  return {pc.Bytes() == tracedPc, Compare(tracedPc, pc.Bytes())};
}

}  // namespace corvane::dc
