// What a host tells its user about the outcome of an operation.
#pragma once

#include <string>

namespace corvane::host {

// "cancelled by the user", or the library's text for a protocol code.
std::string ResultMeaning(int result);
// "result -21: the transaction failed ..." — the code and what it means.
std::string DescribeResult(int result);
// Error texts come from the line: control bytes become '?' before they are shown.
std::string PrintableText(std::string text);

}  // namespace corvane::host
