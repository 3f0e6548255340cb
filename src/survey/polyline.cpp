#include "survey/polyline.h"

#include <array>
#include <string_view>

#include "survey/number_text.h"

namespace corvane {

namespace {

constexpr auto npos = std::string::npos;

bool StartsWith(const std::string& line, std::string_view prefix) { return line.starts_with(prefix); }

std::string_view From(const std::string& line, std::size_t offset) {
  return offset < line.size() ? std::string_view(line).substr(offset) : std::string_view();
}

// The byte behind a separator: the whole of a character field that counts.
char CharacterAfter(const std::string& line, std::size_t separator) {
  return separator + 1 < line.size() ? line[separator + 1] : '\0';
}

std::string RangeLine(std::string_view tag, char between, char separator, std::int32_t first, std::int32_t last) {
  std::string out(tag);
  out += between;
  out += LongText(first);
  out += separator;
  out += LongText(last);
  out += '\n';
  return out;
}

// "PR,a,b" -> "PT a-b"; nothing without the comma behind the first number.
std::string SendRange(const std::string& line, std::string_view tag) {
  const std::size_t comma = line.find(',', 3);
  if (comma == npos) return {};
  return RangeLine(tag, ' ', '-', ReadLong(From(line, 3)), ReadLong(From(line, comma + 1)));
}

// "CR,f1,f2,f3,c4,c5,f6,f7,f8" -> "CR f1-f2,f3,c5,c4,f6,f7,f8": the Data Collector
// lists the two character fields the other way round.
std::string SendCurve(const std::string& line) {
  std::array<std::size_t, 7> commas{};
  std::size_t from = 3;
  for (std::size_t& comma : commas) {
    comma = line.find(',', from);
    if (comma == npos) return {};
    from = comma + 1;
  }
  std::string out = "CR " + LongText(ReadLong(From(line, 3))) + '-' + LongText(ReadLong(From(line, commas[0] + 1)));
  out += ',' + FixedText(ReadDouble(From(line, commas[1] + 1)), 3);
  out += ',';
  out += CharacterAfter(line, commas[3]);
  out += ',';
  out += CharacterAfter(line, commas[2]);
  for (std::size_t i = 4; i < 7; ++i) out += ',' + FixedText(ReadDouble(From(line, commas[i] + 1)), 3);
  out += '\n';
  return out;
}

// "PT a-b" -> "PR,a,b", "PT a" -> "PT,a"; the first dash of the line ends the first number.
std::string ReceiveRange(const std::string& line, std::size_t numberStart, std::string_view singleTag,
                         std::string_view rangeTag) {
  const std::size_t dash = line.find('-');
  if (dash == npos) return std::string(singleTag) + ',' + LongText(ReadLong(From(line, numberStart))) + '\n';
  const std::int32_t first =
      dash > numberStart ? ReadLong(std::string_view(line).substr(numberStart, dash - numberStart)) : 0;
  return RangeLine(rangeTag, ',', ',', first, ReadLong(From(line, dash + 1)));
}

// "CR f1-f2,f3,c4,c5,f6,f7[,f8]" -> "CR,f1,f2,f3,c5,c4,f6,f7,f8".
std::string ReceiveCurve(const std::string& line) {
  const std::size_t dash = line.find('-');
  if (dash == npos) return {};
  std::array<std::size_t, 5> commas{};
  std::size_t from = dash + 1;
  for (std::size_t& comma : commas) {
    comma = line.find(',', from);
    if (comma == npos) return {};
    from = comma + 1;
  }
  const std::size_t lastComma = line.find(',', commas[4] + 1);
  const std::int32_t first = dash > 3 ? ReadLong(std::string_view(line).substr(3, dash - 3)) : 0;
  std::string out = "CR," + LongText(first) + ',' + LongText(ReadLong(From(line, dash + 1)));
  out += ',' + FixedText(ReadDouble(From(line, commas[0] + 1)), 6);
  out += ',';
  out += CharacterAfter(line, commas[2]);
  out += ',';
  out += CharacterAfter(line, commas[1]);
  out += ',' + FixedText(ReadDouble(From(line, commas[3] + 1)), 6);
  out += ',' + FixedText(ReadDouble(From(line, commas[4] + 1)), 6);
  out += ',' + FixedText(lastComma == npos ? 0.0 : ReadDouble(From(line, lastComma + 1)), 6);
  out += '\n';
  return out;
}

}  // namespace

void ConvertPolylineLineForSend(std::string& line) {
  if (StartsWith(line, "PT,") || StartsWith(line, "SS,")) {
    line[2] = ' ';
  } else if (StartsWith(line, "PR,")) {
    line = SendRange(line, "PT");
  } else if (StartsWith(line, "SR,")) {
    line = SendRange(line, "SS");
  } else if (StartsWith(line, "SA,") || StartsWith(line, "SC,")) {
    return;
  } else if (StartsWith(line, "CR,")) {
    line = SendCurve(line);
  } else if (StartsWith(line, "U")) {
    line = "PEN UP\n";
  } else if (StartsWith(line, "D")) {
    line = "PEN DOWN\n";
  } else {
    line.clear();
  }
}

int ConvertPolylineLineForReceive(std::string& line) {
  if (StartsWith(line, "PT ")) {
    line = ReceiveRange(line, 3, "PT", "PR");
    return 1;
  }
  if (StartsWith(line, "SS ")) {
    line = ReceiveRange(line, 3, "SS", "SR");
    return 1;
  }
  if (StartsWith(line, "SS")) {
    line = ReceiveRange(line, 2, "SS", "SR");
    return 1;
  }
  if (StartsWith(line, "SA,") || StartsWith(line, "SC,")) return 0;
  if (StartsWith(line, "CR ")) {
    line = ReceiveCurve(line);
    return line.empty() ? 0 : 1;
  }
  if (StartsWith(line, "PEN UP")) {
    line = "U \n";
  } else if (StartsWith(line, "PEN DOWN")) {
    line = "D \n";
  } else {
    line.clear();
  }
  return 0;
}

}  // namespace corvane
