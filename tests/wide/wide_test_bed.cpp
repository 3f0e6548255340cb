#include "wide/wide_test_bed.h"

#include <chrono>
#include <fstream>
#include <random>

#include "api/transfer_session.h"
#include "classic/classic_link.h"
#include "hostfiles/server_root.h"
#include "hostfiles/transfer_slots.h"
#include "platform/host_seams.h"
#include "platform/tick.h"
#include "serial/serial_io.h"
#include "wide/wide_context.h"

namespace corvane::testing {

std::string Describe(const std::optional<WideFrame>& frame) {
  if (!frame) return "none";
  std::string text = frame->type + std::to_string(frame->sequence);
  if (frame->type == 'E' && frame->data != "File exists") {
    text += " #" + std::to_string(frame->length);
  } else if (!frame->data.empty()) {
    text += " " + frame->data;
  }
  if (!frame->checkGood) text += " BADCHECK";
  return text;
}

FastClock::FastClock() : savedLastTick_(SerialInputs().lastTick) {
  const std::uint32_t base = TickCount();
  const auto start = std::chrono::steady_clock::now();
  SetTickSource([base, start] {
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return base + static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() * 50);
  });
}

FastClock::~FastClock() {
  SetTickSource({});
  SerialInputs().lastTick = savedLastTick_;
}

void WideTestBed::SetUp() {
  ASSERT_TRUE(peer_.IsReady());
  TransferSlots& slots = Slots();
  slots.headerName.clear();
  slots.overwriteExisting = 0;
  slots.answerAsText = 0;
  slots.genericCommand.fill('\0');
  WideFlags().serverMode = 0;
  ClassicLink().errorFlag = 0;
  Confinement().root.clear();
  TheHostSeams().saveAs = nullptr;
  Session().bytesDone = 0;
  Session().bytesTotal = 0;

  std::random_device random;
  do {
    directory_ = std::filesystem::temp_directory_path() / ("corvane-wide-" + std::to_string(random()));
  } while (!std::filesystem::create_directory(directory_));
  previous_ = std::filesystem::current_path();
  std::filesystem::current_path(directory_);
}

void WideTestBed::TearDown() {
  TheHostSeams().saveAs = nullptr;
  Confinement().root.clear();
  if (directory_.empty()) return;
  std::filesystem::current_path(previous_);
  std::error_code ignored;
  std::filesystem::remove_all(directory_, ignored);
}

std::optional<WideFrame> WideTestBed::NextFrame(std::uint32_t timeoutMs) { return ReadWidePacket(peer_, timeoutMs); }

std::string WideTestBed::Next(std::uint32_t timeoutMs) { return Describe(NextFrame(timeoutMs)); }

void WideTestBed::Send(char type, int sequence, std::string_view data) { peer_.Send(WidePacket(type, sequence, data)); }

void WideTestBed::Play(std::initializer_list<std::string_view> steps) {
  for (std::string_view step : steps) {
    if (step.substr(0, 1) == ">") {
      EXPECT_EQ(Next(), step.substr(1)) << "at step " << step;
      continue;
    }
    const std::size_t space = step.find(' ');
    const int sequence = std::stoi(std::string(step.substr(2, space == std::string_view::npos ? space : space - 2)));
    Send(step[1], sequence, space == std::string_view::npos ? std::string_view() : step.substr(space + 1));
  }
}

void WideTestBed::WriteFile(const std::string& name, const std::string& bytes) const {
  std::ofstream(directory_ / name, std::ios::binary) << bytes;
}

std::string WideTestBed::ReadFile(const std::string& name) const {
  std::ifstream in(directory_ / name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool WideTestBed::Exists(const std::string& name) const { return std::filesystem::exists(directory_ / name); }

EngineThread::EngineThread(std::function<int()> body)
    : task_(std::move(body)), result_(task_.get_future()), thread_(std::move(task_)) {}

EngineThread::~EngineThread() {
  if (result_.valid() && result_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
    Session().cancelEvent.Set();
  }
  thread_.join();
}

std::optional<int> EngineThread::Result(std::uint32_t waitMs) {
  if (!result_.valid()) return std::nullopt;
  if (result_.wait_for(std::chrono::milliseconds(waitMs)) != std::future_status::ready) return std::nullopt;
  return result_.get();
}

}  // namespace corvane::testing
