#include "session/result_codes.h"

#include <array>
#include <string_view>

namespace corvane {
namespace {

constexpr std::string_view kInitiateSessionText = " Can't initiate Session (Message: #KER-102)";
constexpr std::string_view kCoordinateFileText = "This is not a valid coordinate file. (Message: #KER-120).";

// Codes 249 to 265, in order.
constexpr std::array<std::string_view, 17> kConsecutiveTexts = {
    " Unknown server command (Message: #KER-103)",
    " Can't send remote command (Message: #KER-104)",
    " Can't initiate send file (Message: #KER-105)",
    " Can't terminate transmition (Message: #KER-106)",
    " Can't send End-of-File (Message: #KER-107)",
    " Send data error (Message: #KER-108)",
    " Can't open remote file (Message: #KER-109)",
    " Decode error (Message: #KER-110)",
    " Can't close remote file (Message: #KER-111)",
    "Transfer ended by user.",
    " Out of disk space. (Message: #KER-112)",
    " File exists. (Message: #KER-113)",
    " Point number too small. (Message: #KER-114)",
    " Write file error. (Message: #KER-115)",
    " Packet lost error. (Message: #KER-116)",
    " Waiting period expired. (Message: #KER-117)",
    " File Not Found. (Message: #KER-118)",
};

}  // namespace

void ProtocolErrorText(int code, std::string& text) {
  if (code == kErrorCannotInitiateSession) {
    text = kInitiateSessionText;
  } else if (code >= kErrorUnknownServerCommand && code <= kErrorFileNotFound) {
    text = kConsecutiveTexts[static_cast<std::size_t>(code - kErrorUnknownServerCommand)];
  } else if (code == kErrorNotCoordinateFile) {
    text = kCoordinateFileText;
  } else {
    text.clear();
  }
}

int ResultOf(EngineOutcome outcome) {
  switch (outcome) {
    case EngineOutcome::Success:
      return kResultSuccess;
    case EngineOutcome::FileExists:
      return kResultFileExists;
    case EngineOutcome::Failed:
      break;
  }
  return kResultFailed;
}

}  // namespace corvane
