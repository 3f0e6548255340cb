#include "corvane/terminal_display.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace corvane {
namespace {

constexpr int kDots = 8;
constexpr int kBarMinWidth = 10;
constexpr int kBarMaxWidth = 50;
constexpr char kEscape = '\x1b';
constexpr char kClearLine[] = "\r\x1b[2K";
constexpr char kClearBelow[] = "\r\x1b[J";
constexpr char kLitColour[] = "\x1b[32m";
constexpr char kPlainColour[] = "\x1b[0m";

std::string CursorUp(int lines) { return "\x1b[" + std::to_string(lines) + "A"; }

// Cuts a line to `width` characters (UTF-8 aware) so that it never wraps:
// a wrapped line would throw off the count of lines to move back over.
std::string FitToWidth(const std::string& text, int width) {
  int characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const bool continuation = (byte & 0xC0) == 0x80;
    if (!continuation && characters++ == width) return text.substr(0, i);
  }
  return text;
}

std::string AnimationLine(int frame, bool unicode) {
  const std::string dot = unicode ? "\u00B7" : ".";
  const std::string lit = std::string(kLitColour) + (unicode ? "\u25CF" : "*") + kPlainColour;
  std::string line = "[PC] ";
  for (int k = 1; k <= kDots; ++k) line += (k == frame ? lit : dot) + " ";
  return line + "[DC]";
}

std::string BarLine(int percent, int columns, bool unicode) {
  const int width = std::clamp(columns - 8, kBarMinWidth, kBarMaxWidth);
  const int filled = percent * width / 100;
  std::string line = "[";
  for (int i = 0; i < width; ++i) line += i < filled ? (unicode ? "\u2588" : "#") : (unicode ? "\u2591" : "-");
  return line + "] " + std::to_string(percent) + "%";
}

// The status may carry the time left on a second line.
std::vector<std::string> StatusLines(const std::string& status) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = status.find('\n', start);
    lines.push_back(status.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return lines;
    start = end + 1;
  }
}

}  // namespace

class TerminalSurface final : public ProgressSurface {
 public:
  explicit TerminalSurface(TerminalDisplay& display) : display_(display) {}
  ~TerminalSurface() override { display_.EndOperation(); }

  void SetTexts(const std::string& message, const std::string& status) override {
    display_.Update([&] {
      display_.message_ = message;
      display_.status_ = status;
      if (!display_.firstStatus_) display_.firstStatus_ = status;
    });
  }
  void ShowProgressBar(bool visible) override {
    display_.Update([&] { display_.barVisible_ = visible; });
  }
  void SetProgressPosition(int percent) override {
    display_.Update([&] { display_.percent_ = std::clamp(percent, 0, 100); });
  }
  void ShowFrame(int frame) override {
    display_.Update([&] { display_.frame_ = std::clamp(frame, 0, kDots); });
  }
  bool IsDrawn() const override { return display_.IsDrawing(); }

 private:
  TerminalDisplay& display_;
};

TerminalDisplay::TerminalDisplay(bool quiet)
    : TerminalDisplay(Terminal::StandardError(), Terminal::StandardInput(), TerminalDisplayOptions{quiet, {}}) {}

TerminalDisplay::TerminalDisplay(Terminal output, Terminal input, TerminalDisplayOptions options)
    : output_(std::move(output)),
      input_(std::move(input)),
      options_(options),
      unicode_(options.unicode.value_or(LocaleUsesUtf8())) {}

TerminalDisplay::~TerminalDisplay() = default;

std::unique_ptr<ProgressSurface> TerminalDisplay::CreateProgressSurface(HostWindow /*parent*/, ProgressInput& input) {
  BeginOperation(input);
  return std::make_unique<TerminalSurface>(*this);
}

bool TerminalDisplay::IsDrawing() {
  std::lock_guard lock(mutex_);
  return drawing_;
}

void TerminalDisplay::BeginOperation(ProgressInput& input) {
  std::lock_guard lock(mutex_);
  progressInput_ = &input;
  interrupts_.emplace();
  interruptsDelivered_ = 0;
  stopDelivered_ = false;
  pending_.clear();
  paused_ = false;
  linesDrawn_ = 0;
  message_.clear();
  status_.clear();
  firstStatus_.reset();
  barVisible_ = false;
  percent_ = 0;
  frame_ = 0;
  drawing_ = !options_.quiet && output_.IsTerminal();
  if (!drawing_) return;
  cursor_.emplace(output_);
  if (input_.IsTerminal()) keys_.emplace(input_);
}

// What stays on the screen: the message and the counts, when the operation
// got as far as showing any; otherwise nothing.
void TerminalDisplay::EndOperation() {
  std::lock_guard lock(mutex_);
  if (drawing_) {
    Erase();
    if (firstStatus_ && status_ != *firstStatus_) {
      const int columns = output_.Columns() - 1;
      // Each line starts with a carriage return: the terminal may not add one to a line feed.
      output_.Write("\r" + FitToWidth(message_, columns) + "\n\r" + FitToWidth(StatusLines(status_).front(), columns) +
                    "\n");
    }
  }
  keys_.reset();
  cursor_.reset();
  interrupts_.reset();
  drawing_ = false;
  progressInput_ = nullptr;
  pending_.clear();
}

void TerminalDisplay::Update(const std::function<void()>& change) {
  std::lock_guard lock(mutex_);
  change();
  if (drawing_ && !paused_) Redraw();
}

// The whole block goes out in one write, each line cleared just before it is
// rewritten, so the terminal never shows a half-drawn or blank block.
void TerminalDisplay::Redraw() {
  const int columns = output_.Columns();
  const int width = columns - 1;
  std::vector<std::string> lines{FitToWidth(message_, width), AnimationLine(frame_, unicode_)};
  for (const std::string& line : StatusLines(status_)) lines.push_back(FitToWidth(line, width));
  if (barVisible_) lines.push_back(BarLine(percent_, columns, unicode_));

  std::string out = linesDrawn_ > 0 ? CursorUp(linesDrawn_) : std::string();
  for (const std::string& line : lines) out += kClearLine + line + "\n";
  out += kClearBelow;
  output_.Write(out);
  linesDrawn_ = static_cast<int>(lines.size());
}

void TerminalDisplay::Erase() {
  if (linesDrawn_ > 0) output_.Write(CursorUp(linesDrawn_) + kClearBelow);
  linesDrawn_ = 0;
}

int TerminalDisplay::InterruptsCaught() { return interrupts_ ? interrupts_->Count() : 0; }

// Escape alone is Cancel and Enter is OK; the escape sequences of arrow and
// function keys also start with Escape and are skipped whole.
void TerminalDisplay::ReadKeys() {
  const std::string bytes = input_.ReadNow();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      pending_.push_back(Key::Ok);
      continue;
    }
    if (c != kEscape) continue;
    if (i + 1 == bytes.size() || bytes[i + 1] == kEscape) {
      pending_.push_back(Key::Cancel);
      continue;
    }
    const char introducer = bytes[++i];
    if (introducer == '[') {
      while (i + 1 < bytes.size() && !(bytes[i + 1] >= 0x40 && bytes[i + 1] <= 0x7E)) ++i;
      ++i;
    } else if (introducer == 'O') {
      ++i;
    }
  }
}

bool TerminalDisplay::HasPendingMessage() {
  std::lock_guard lock(mutex_);
  if (progressInput_ == nullptr) return false;
  for (const int caught = InterruptsCaught(); interruptsDelivered_ < caught; ++interruptsDelivered_) {
    pending_.push_back(Key::Cancel);
  }
  if (stopCheck_ && !stopDelivered_ && stopCheck_(paused_)) {
    stopDelivered_ = true;
    pending_.push_back(Key::Cancel);
  }
  // While a question is asked the keys belong to its answer.
  if (keys_ && !paused_) ReadKeys();
  return !pending_.empty();
}

void TerminalDisplay::PumpMessage() {
  ProgressInput* input = nullptr;
  Key key = Key::Ok;
  {
    std::lock_guard lock(mutex_);
    if (pending_.empty() || progressInput_ == nullptr) return;
    key = pending_.front();
    pending_.pop_front();
    input = progressInput_;
  }
  if (key == Key::Cancel) {
    input->OnCancel();
  } else {
    input->OnOK();
  }
}

void TerminalDisplay::SetStopCheck(std::function<bool(bool answering)> check) {
  std::lock_guard lock(mutex_);
  stopCheck_ = std::move(check);
}

std::optional<std::string> TerminalDisplay::AskNewName(const std::string& proposedName) {
  if (!input_.IsTerminal()) return std::nullopt;
  {
    std::lock_guard lock(mutex_);
    paused_ = true;
    if (drawing_) Erase();
    keys_.reset();
    cursor_.reset();
    output_.Write("File " + proposedName + " exists. New name (empty to cancel): ");
  }
  const std::optional<std::string> answer = input_.ReadLine([this] {
    std::lock_guard lock(mutex_);
    return InterruptsCaught() > 0;
  });
  {
    std::lock_guard lock(mutex_);
    // An answer cut short by Ctrl-C or end of input leaves the prompt's line open.
    if (!answer) output_.Write("\n");
    paused_ = false;
    if (drawing_) {
      cursor_.emplace(output_);
      if (input_.IsTerminal()) keys_.emplace(input_);
      Redraw();
    }
  }
  if (!answer || answer->empty()) return std::nullopt;
  if (answer->find('/') != std::string::npos) return *answer;
  const std::size_t cut = proposedName.find_last_of('/');
  return cut == std::string::npos ? *answer : proposedName.substr(0, cut + 1) + *answer;
}

SaveAsHandler MakeTerminalSaveAs(TerminalDisplay& display, bool overwrite) {
  return [&display, overwrite](const std::string& proposedName) -> std::optional<std::string> {
    if (overwrite) return proposedName;
    return display.AskNewName(proposedName);
  };
}

}  // namespace corvane
