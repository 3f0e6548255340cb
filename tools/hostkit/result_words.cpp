#include "hostkit/result_words.h"

#include "corvane/corvane.h"

namespace corvane::host {

std::string ResultMeaning(int result) { return corvane_result_text(result); }

std::string DescribeResult(int result) { return "result " + std::to_string(result) + ": " + ResultMeaning(result); }

std::string PrintableText(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return text;
}

}  // namespace corvane::host
