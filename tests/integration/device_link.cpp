#include "integration/device_link.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

namespace corvane::testing {

namespace fs = std::filesystem;

std::unique_ptr<ProgressSurface> DeviceHost::CreateProgressSurface(HostWindow, ProgressInput& input) {
  input_ = &input;
  stopped_ = false;
  if (onOperationStart) onOperationStart();
  return nullptr;
}

bool DeviceHost::HasPendingMessage() { return stop != Stop::None && !stopped_ && stopWhen && stopWhen(); }

void DeviceHost::PumpMessage() {
  stopped_ = true;
  if (stop == Stop::PressCancel && input_ != nullptr) input_->OnCancel();
  if (stop == Stop::CallTransferCancel) TransferCancel();
}

void DeviceLinkTest::SetUp() {
  std::random_device random;
  do {
    root_ = fs::temp_directory_path() / ("corvane-integration-" + std::to_string(random()));
  } while (!fs::create_directory(root_));
  fs::create_directory(Pc());
  fs::create_directory(Served());
  fs::create_directory(Outbox());
  savedDirectory_ = fs::current_path();
  fs::current_path(Pc());
  host_.onOperationStart = [this] { StartPlannedDevice(); };
  TransferSetHostUi(&host_);
}

void DeviceLinkTest::TearDown() {
  device_.reset();
  TransferCloseCom();
  TransferSetHostUi(nullptr);
  TransferSetSaveAsHandler({});
  TransferSetServerRoot("");
  TransferSetOtherPlatform(1);
  fs::current_path(savedDirectory_);
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

void DeviceLinkTest::UseDevice(dc::Framing framing, dc::FaultOptions faults, int deviceTimeoutSeconds) {
  options_.framing = framing;
  options_.directory = Served().string();
  options_.faults = std::move(faults);
  options_.timeoutSeconds = deviceTimeoutSeconds;
  ASSERT_TRUE(pty_.Open());
  ASSERT_TRUE(TransferOpenDevice(pty_.SlavePath(), 9600, 0, nullptr));
  plan_ = std::vector<dc::Role>{dc::Role::Serve()};
}

void DeviceLinkTest::Plan(std::vector<dc::Role> script) { plan_ = std::move(script); }

void DeviceLinkTest::StartPlannedDevice() {
  if (!plan_) return;
  device_.reset();
  options_.script = std::move(*plan_);
  plan_.reset();
  device_ = std::make_unique<dc::SimulatedDevice>(options_);
  ASSERT_TRUE(device_->Start(pty_.Master())) << device_->StartError();
}

dc::SimulatedDevice& DeviceLinkTest::Device() { return *device_; }

void DeviceLinkTest::StopDevice() {
  if (device_) device_->Stop();
}

std::vector<dc::Outcome> DeviceLinkTest::Outcomes(std::uint32_t waitMs) {
  if (!device_) return {};
  EXPECT_TRUE(device_->WaitFinished(waitMs)) << "the device's script did not end\n" << DeviceLog();
  return device_->Outcomes();
}

std::string DeviceLinkTest::DeviceLog() {
  std::string text;
  if (device_) {
    for (const std::string& line : device_->LogLines()) text += line + "\n";
  }
  return text;
}

bool DeviceLinkTest::ServeUntilScriptEnds() {
  // The deadline only guards against a hang; the script's outcomes tell what went wrong.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(45);
  host_.stop = DeviceHost::Stop::CallTransferCancel;
  host_.stopWhen = [this, deadline] {
    return (device_ && device_->Finished()) || std::chrono::steady_clock::now() > deadline;
  };
  const bool result = TransferServer();
  host_.stop = DeviceHost::Stop::None;
  host_.stopWhen = nullptr;
  return result;
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::optional<fs::path> FindIgnoringCase(const fs::path& directory, const std::string& name) {
  auto lower = [](std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
  };
  for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
    if (lower(entry.path().filename().string()) == lower(name)) return entry.path();
  }
  return std::nullopt;
}

std::vector<std::string> FileNames(const fs::path& directory) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string TextLines(std::size_t total, std::size_t lineLength) {
  std::string text;
  for (std::size_t line = 0; text.size() < total; ++line) {
    std::string body = "line " + std::to_string(line) + " ";
    for (std::size_t i = body.size(); i + 2 < lineLength; ++i) body.push_back(static_cast<char>('!' + (line * 7 + i) % 94));
    text += body + "\r\n";
  }
  return text;
}

std::string MixedBytes(std::size_t count) {
  std::string bytes;
  for (std::size_t i = 0; i < count; ++i) bytes.push_back(static_cast<char>((i * 7 + i / 256) & 0xFF));
  return bytes;
}

std::vector<std::size_t> ReceivedLengths(const std::vector<std::string>& log, char type) {
  const std::string prefix = std::string("<- ") + type + " ";
  std::vector<std::size_t> lengths;
  for (const std::string& line : log) {
    if (!line.starts_with(prefix) || line.find("bad check") != std::string::npos) continue;
    const std::size_t at = line.find("len=");
    if (at != std::string::npos) lengths.push_back(std::stoul(line.substr(at + 4)));
  }
  return lengths;
}

namespace {

constexpr std::size_t kHeaderSize = 38;
constexpr std::size_t kRecordSize = 45;

template <typename T>
void Put(std::string& bytes, std::size_t at, T value) {
  std::memcpy(bytes.data() + at, &value, sizeof value);
}

template <typename T>
T Get(const std::string& bytes, std::size_t at) {
  T value{};
  std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}

}  // namespace

std::string CoordinateFile(const std::string& name, const std::vector<Point>& points) {
  std::string file(kHeaderSize, '\0');
  std::memcpy(file.data(), name.data(), std::min<std::size_t>(name.size(), 8));
  std::int32_t highest = 1;
  for (const Point& point : points) highest = std::max(highest, point.number);
  Put(file, 30, highest);
  Put(file, 34, std::int32_t{-1});
  for (const Point& point : points) {
    std::string record(kRecordSize, '\0');
    Put(record, 0, point.number);
    Put(record, 4, point.x);
    Put(record, 12, point.y);
    Put(record, 20, point.z);
    std::memcpy(record.data() + 28, point.description.data(), std::min<std::size_t>(point.description.size(), 16));
    file += record;
  }
  return file;
}

std::vector<Point> CoordinatePoints(const std::string& file) {
  std::vector<Point> points;
  for (std::size_t at = kHeaderSize; at + kRecordSize <= file.size(); at += kRecordSize) {
    const std::string description = file.substr(at + 28, 17);
    points.push_back({Get<std::int32_t>(file, at), Get<double>(file, at + 4), Get<double>(file, at + 12),
                      Get<double>(file, at + 20), description.substr(0, description.find('\0'))});
  }
  return points;
}

std::int32_t HighestPointInHeader(const std::string& file) {
  return file.size() >= kHeaderSize ? Get<std::int32_t>(file, 30) : -1;
}

std::string NameInHeader(const std::string& file) {
  const std::string field = file.substr(0, std::min<std::size_t>(file.size(), 8));
  return field.substr(0, field.find('\0'));
}

}  // namespace corvane::testing
