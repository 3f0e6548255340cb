// The C interface: each function checks its strings, then calls the C++ face.
// No exception leaves this file.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>

#include "api/c_host.h"
#include "session/transfer_session.h"
#include "corvane/corvane.h"
#include "corvane32/corvane32.h"

using namespace corvane;

namespace {

// Runs `body`, turning any exception (an allocation that failed) into `fallback`.
template <typename Result, typename Body>
Result NoThrow(Result fallback, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}

enum class Nullable { No, Yes };

// A string argument the interface takes: not NULL (unless allowed), not longer than `limit`.
bool Acceptable(const char* text, std::size_t limit, Nullable nullable = Nullable::No) {
  if (text == nullptr) return nullable == Nullable::Yes;
  return std::memchr(text, '\0', limit + 1) != nullptr;
}

std::string Text(const char* text) { return text == nullptr ? std::string() : std::string(text); }

// The running operation's result is not to be overwritten from its callback.
int Refuse() {
  if (TheCHost().Running()) return CORVANE_BUSY;
  Session().lastResult = CORVANE_BAD_ARGUMENT;
  return CORVANE_BAD_ARGUMENT;
}

// Runs one operation with the C host installed; refused while another runs.
template <typename Body>
int RunOperation(Body&& body) {
  return NoThrow(static_cast<int>(CORVANE_FAILED), [&] {
    CHost& host = TheCHost();
    if (host.Running()) return static_cast<int>(CORVANE_BUSY);
    const CHost::Operation operation(host);
    body();
    return TransferGetLastError();
  });
}

// Copies as much of `text` as fits, always zero-terminated; returns the whole length.
std::size_t CopyOut(const std::string& text, char* buffer, std::size_t capacity) {
  if (buffer != nullptr && capacity > 0) {
    const std::size_t count = std::min(text.size(), capacity - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
  }
  return text.size();
}

// "COM3" (any case) is port 3; 0 for any other name.
int ComPortNumber(const char* name) {
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return 0;
  }
  if (name[3] == '\0') return 0;
  int number = 0;
  for (const char* digit = name + 3; *digit != '\0'; ++digit) {
    if (*digit < '0' || *digit > '9' || number > 255) return 0;
    number = number * 10 + (*digit - '0');
  }
  return number <= 256 ? number : 0;
}

// One field of a port line: tabs and line ends would split it.
std::string Field(std::string text) {
  std::replace_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
  return text;
}

std::string HexField(int value) {
  if (value < 0) return "";
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04x", static_cast<unsigned>(value) & 0xFFFFu);
  return digits;
}

const char* KindWord(ServedRequest::Kind kind) {
  switch (kind) {
    case ServedRequest::Kind::Upload:
      return "upload";
    case ServedRequest::Kind::Download:
      return "download";
    case ServedRequest::Kind::Directory:
      return "directory";
    case ServedRequest::Kind::ChangeDirectory:
      return "cd";
    case ServedRequest::Kind::Erase:
      return "erase";
    case ServedRequest::Kind::Unknown:
      break;
  }
  return "unknown";
}

// Served requests taken from the library but not yet copied out whole: the
// caller asks for the length first, and a cut copy hands nothing out. One
// server runs at a time in the process, so there is one such text.
std::string& UnclaimedRequests() {
  static std::string lines;
  return lines;
}

}  // namespace

extern "C" {

int corvane_open(const char* device, int baud, int parity) {
  if (!Acceptable(device, CORVANE_MAX_PATH) || TheCHost().Running()) return 0;
  return NoThrow(0, [&] {
    const int com = ComPortNumber(device);
    return static_cast<int>(com > 0 ? TransferOpenCom(com, baud, parity, nullptr)
                                    : TransferOpenDevice(device, baud, parity, nullptr));
  });
}

int corvane_open_com(int port, int baud, int parity) {
  if (TheCHost().Running()) return 0;
  return TransferOpenCom(port, baud, parity, nullptr) ? 1 : 0;
}

void corvane_close(void) {
  if (!TheCHost().Running()) TransferCloseCom();
}

int corvane_set_platform(int platform) { return TransferSetOtherPlatform(platform) ? 1 : 0; }

int corvane_send(const char* local, const char* announced) {
  if (!Acceptable(local, CORVANE_MAX_PATH) || !Acceptable(announced, CORVANE_MAX_PATH, Nullable::Yes)) return Refuse();
  return RunOperation([&] { TransferSend(local, Text(announced)); });
}

int corvane_receive(const char* output_name) {
  if (!Acceptable(output_name, CORVANE_MAX_PATH, Nullable::Yes)) return Refuse();
  return RunOperation([&] { TransferReceive(Text(output_name)); });
}

int corvane_get(const char* first, const char* second) {
  if (!Acceptable(first, CORVANE_MAX_PATH) || !Acceptable(second, CORVANE_MAX_PATH, Nullable::Yes)) return Refuse();
  return RunOperation([&] { TransferGet(first, Text(second)); });
}

int corvane_directory(const char* argument) {
  if (!Acceptable(argument, CORVANE_MAX_ARGUMENT, Nullable::Yes)) return Refuse();
  return RunOperation([&] { TransferDirectory(Text(argument)); });
}

int corvane_change_directory(const char* dir) {
  if (!Acceptable(dir, CORVANE_MAX_ARGUMENT)) return Refuse();
  return RunOperation([&] { TransferChangeDirectory(dir); });
}

int corvane_delete(const char* name) {
  if (!Acceptable(name, CORVANE_MAX_ARGUMENT)) return Refuse();
  return RunOperation([&] { TransferDelete(name); });
}

int corvane_serve(const char* root) {
  if (!Acceptable(root, CORVANE_MAX_PATH, Nullable::Yes)) return Refuse();
  return RunOperation([&] {
    UnclaimedRequests().clear();
    TransferSetServerRoot(Text(root));
    TransferServer();
  });
}

int corvane_cancel(void) { return TheCHost().RequestCancel() ? 1 : 0; }

int corvane_status(int32_t* done, int32_t* total) {
  std::int32_t bytesDone = 0;
  std::int32_t bytesTotal = 0;
  const bool busy = TransferGetStatus(bytesDone, bytesTotal);
  if (done != nullptr) *done = bytesDone;
  if (total != nullptr) *total = bytesTotal;
  return busy ? 1 : 0;
}

int corvane_last_error(void) { return TransferGetLastError(); }

int corvane_set_trace(const char* path) {
  if (!Acceptable(path, CORVANE_MAX_PATH, Nullable::Yes) || TheCHost().Running()) return 0;
  return NoThrow(0, [&] { return TransferSetTrace(Text(path)) ? 1 : 0; });
}

void corvane_line_activity(uint32_t* packets_read, uint32_t* error_packets_read) {
  std::uint32_t packets = 0;
  std::uint32_t errors = 0;
  TransferGetLineActivity(packets, errors);
  if (packets_read != nullptr) *packets_read = packets;
  if (error_packets_read != nullptr) *error_packets_read = errors;
}

size_t corvane_output_filename(char* buf, size_t capacity) {
  return NoThrow(std::size_t{0}, [&] {
    std::string name;
    TransferGetOutputFilename(name);
    return CopyOut(name, buf, capacity);
  });
}

size_t corvane_error_detail(char* buf, size_t capacity) {
  return NoThrow(std::size_t{0}, [&] { return CopyOut(TransferGetErrorDetail(), buf, capacity); });
}

size_t corvane_ports(char* buf, size_t capacity) {
  return NoThrow(std::size_t{0}, [&] {
    std::string lines;
    for (const PortInfo& port : TransferListPorts()) {
      lines += Field(port.path) + '\t' + Field(port.description) + '\t' + Field(port.byIdPath) + '\t' +
               HexField(port.usbVendor) + '\t' + HexField(port.usbProduct) + '\t' + Field(port.serialNumber) +
               '\t' + Field(port.comName) + '\n';
    }
    return CopyOut(lines, buf, capacity);
  });
}

size_t corvane_diagnose_port(const char* path, char* buf, size_t capacity) {
  return NoThrow(std::size_t{0}, [&] {
    std::string lines;
    if (Acceptable(path, CORVANE_MAX_PATH)) {
      for (const PortFinding& finding : TransferDiagnosePort(path)) {
        lines += Field(finding.problem) + '\t' + Field(finding.fix) + '\n';
      }
    }
    return CopyOut(lines, buf, capacity);
  });
}

size_t corvane_served_requests(char* buf, size_t capacity) {
  return NoThrow(std::size_t{0}, [&] {
    std::string& lines = UnclaimedRequests();
    for (const ServedRequest& request : TransferTakeServedRequests()) {
      lines += std::string(KindWord(request.kind)) + '\t' + (request.carriedOut ? '1' : '0') + '\t' +
               std::to_string(request.bytes) + '\t' + Field(request.path) + '\t' + Field(request.why) + '\n';
    }
    const std::size_t length = CopyOut(lines, buf, capacity);
    if (length < capacity) lines.clear();
    return length;
  });
}

const char* corvane_error_text(int code) {
  // Built once; the texts never change, so the pointers stay valid for the life of the library.
  static const std::map<int, std::string> texts = [] {
    std::map<int, std::string> table;
    for (int code = -4; code <= 265; ++code) {
      std::string text = TransferErrorText(code);
      if (!text.empty()) table.emplace(code, std::move(text));
    }
    return table;
  }();
  const auto found = texts.find(code);
  return found == texts.end() ? "" : found->second.c_str();
}

const char* corvane_result_text(int code) {
  switch (code) {
    case CORVANE_OK:
      return "success";
    case CORVANE_CANCELLED:
      return "cancelled by the user";
    case CORVANE_UNEXPECTED_PACKET:
      return "the Data Collector sent a packet that does not belong in this transaction";
    case CORVANE_FAILED:
      return "the transaction failed: no answer from the Data Collector, or it reported an error";
    case CORVANE_FILE_EXISTS:
      return "the Data Collector reports that the file exists";
    case CORVANE_BAD_ARGUMENT:
      return "an argument is missing or too long; nothing was sent";
    case CORVANE_BUSY:
      return "another operation is running";
    default:
      break;
  }
  const char* text = corvane_error_text(code);
  while (*text == ' ') ++text;
  return *text == '\0' ? "unknown result" : text;
}

void corvane_set_progress_callback(corvane_progress_fn fn, void* user) { TheCHost().SetProgressCallback(fn, user); }

void corvane_set_save_as_callback(corvane_save_as_fn fn, void* user) { TheCHost().SetSaveAsCallback(fn, user); }

const char* corvane_version(void) { return CORVANE_VERSION; }

}  // extern "C"
