#include "hostkit/result_words.h"

#include "corvane32/corvane32.h"

namespace corvane::host {

std::string ResultMeaning(int result) {
  switch (result) {
    case 0:
      return "success";
    case -3:
      return "cancelled by the user";
    case -7:
      return "the Data Collector sent a packet that does not belong in this transaction";
    case -21:
      return "the transaction failed: no answer from the Data Collector, or it reported an error";
    case -25:
      return "the Data Collector reports that the file exists";
    default:
      break;
  }
  std::string text = TransferErrorText(result);
  const auto first = text.find_first_not_of(' ');
  return first == std::string::npos ? "unknown result" : text.substr(first);
}

std::string DescribeResult(int result) { return "result " + std::to_string(result) + ": " + ResultMeaning(result); }

std::string PrintableText(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return text;
}

}  // namespace corvane::host
