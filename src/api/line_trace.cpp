#include "api/line_trace.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "classic/classic_link.h"
#include "session/kermit_basics.h"
#include "wide/wide_link.h"

namespace corvane {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kTextShown = 40;

enum class Fit { Incomplete, Matches, Fails };

struct Frame {
  std::size_t length = 0;      // SOH through CHECK
  std::size_t dataStart = 0;
  std::size_t dataLength = 0;
  std::size_t sequenceAt = 0;  // SEQ, then TYPE
};

// SOH LEN SEQ TYPE DATA CHECK, LEN counting SEQ through CHECK; the end of line follows.
Fit ClassicFit(const std::vector<std::uint8_t>& bytes, Frame& frame) {
  if (bytes.size() < 2) return Fit::Incomplete;
  const int counted = UnChar(bytes[1]);
  if (counted < 3) return Fit::Fails;
  frame = {static_cast<std::size_t>(counted) + 2, 4, static_cast<std::size_t>(counted) - 3, 2};
  if (bytes.size() < frame.length) return Fit::Incomplete;
  std::vector<std::uint8_t> summed(bytes.begin() + 1, bytes.begin() + static_cast<long>(frame.length) - 1);
  // The check sums up to a zero byte, which no classic packet holds.
  if (std::find(summed.begin(), summed.end(), 0) != summed.end()) return Fit::Fails;
  summed.push_back(0);
  return UnChar(bytes[frame.length - 1]) == ClassicChecksum(summed.data()) ? Fit::Matches : Fit::Fails;
}

// SOH LEN1 LEN2 SEQ TYPE DATA CHECK, the data's length in LEN1 and LEN2.
Fit WideFit(const std::vector<std::uint8_t>& bytes, Frame& frame) {
  if (bytes.size() < 3) return Fit::Incomplete;
  const int length = UnChar(bytes[1]) * 64 + UnChar(bytes[2]);
  if (length < 0 || length > kWideMaxData) return Fit::Fails;
  frame = {static_cast<std::size_t>(length) + 6, 5, static_cast<std::size_t>(length), 3};
  if (bytes.size() < frame.length) return Fit::Incomplete;
  const int check = WideChecksum(bytes.data(), static_cast<int>(frame.length) - 1);
  return bytes[frame.length - 1] == ToChar(check) ? Fit::Matches : Fit::Fails;
}

std::string Note(const std::vector<std::uint8_t>& bytes, const Frame& frame, const char* framing) {
  const std::uint8_t type = bytes[frame.sequenceAt + 1];
  std::string note = std::string(1, static_cast<char>(type)) + " seq=" + std::to_string(UnChar(bytes[frame.sequenceAt])) +
                     " len=" + std::to_string(frame.dataLength) + " " + framing;
  const auto data = bytes.begin() + static_cast<long>(frame.dataStart);
  const auto dataEnd = data + static_cast<long>(std::min(frame.dataLength, kTextShown));
  const bool printable = std::all_of(data, dataEnd, [](std::uint8_t c) { return c >= 0x20 && c < 0x7F; });
  if (type != 'D' && frame.dataLength > 0 && printable) note += " \"" + std::string(data, dataEnd) + "\"";
  return note;
}

std::unique_ptr<LineTrace>& TheTrace() {
  static std::unique_ptr<LineTrace> trace;
  return trace;
}

}  // namespace

std::vector<std::string> DecodePackets(std::vector<std::uint8_t>& pending, bool& wide) {
  std::vector<std::string> notes;
  for (;;) {
    pending.erase(pending.begin(), std::find(pending.begin(), pending.end(), kSoh));
    if (pending.empty()) return notes;
    Frame classic;
    Frame wideFrame;
    const Fit classicFit = ClassicFit(pending, classic);
    const Fit wideFit = WideFit(pending, wideFrame);
    const Fit sameFit = wide ? wideFit : classicFit;
    const Fit otherFit = wide ? classicFit : wideFit;
    std::size_t taken = 1;
    if (sameFit == Fit::Matches || (sameFit == Fit::Fails && otherFit == Fit::Matches)) {
      if (sameFit != Fit::Matches) wide = !wide;
      const Frame& frame = wide ? wideFrame : classic;
      notes.push_back(Note(pending, frame, wide ? "wide" : "classic"));
      taken = frame.length;
    } else if (sameFit == Fit::Incomplete || otherFit == Fit::Incomplete) {
      return notes;
    } else if (pending.size() >= classic.length && classic.length > 0) {
      notes.push_back(Note(pending, classic, "classic, its check wrong"));
    } else {
      notes.emplace_back("damaged packet");
    }
    pending.erase(pending.begin(), pending.begin() + static_cast<long>(taken));
  }
}

bool LineTrace::Open(const std::string& path) {
  start_ = Clock::now();
  if (!file_.Open(path, FileOpen::CreateReadWrite, FileKind::Binary)) return false;
  Line("# corvane line trace: seconds since the start; pc: bytes this side wrote, dc: bytes it read; purge: "
       "unread input discarded");
  return true;
}

void LineTrace::OnSent(const std::uint8_t* data, std::size_t length) { Record(pc_, data, length); }

void LineTrace::OnReceived(const std::uint8_t* data, std::size_t length) { Record(dc_, data, length); }

void LineTrace::OnPurged() { Line(Stamp() + " purge"); }

void LineTrace::Record(Direction& direction, const std::uint8_t* data, std::size_t length) {
  std::string line = Stamp() + " " + direction.name;
  for (std::size_t i = 0; i < length; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", data[i]);
    line += hex;
  }
  Line(line);
  direction.pending.insert(direction.pending.end(), data, data + length);
  for (const std::string& note : DecodePackets(direction.pending, direction.wide)) Line("#       " + std::string(direction.name) + " " + note);
}

std::string LineTrace::Stamp() const {
  const std::chrono::duration<double> since = Clock::now() - start_;
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", since.count());
  return text;
}

void LineTrace::Line(const std::string& text) { file_.Write(text + "\n"); }

bool StartTrace(const std::string& path) {
  SerialPort().SetObserver(nullptr);
  std::unique_ptr<LineTrace>& trace = TheTrace();
  trace.reset();
  if (path.empty()) return true;
  auto started = std::make_unique<LineTrace>();
  if (!started->Open(path)) return false;
  trace = std::move(started);
  SerialPort().SetObserver(trace.get());
  return true;
}

void FlushTrace() {
  if (TheTrace()) TheTrace()->Flush();
}

}  // namespace corvane
