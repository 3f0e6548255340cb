#include "screen_model.h"

#include <cstdlib>

namespace corvane {

void ScreenModel::Put(const std::string& character) {
  if (static_cast<int>(cells_.size()) <= row_) cells_.resize(row_ + 1);
  auto& line = cells_[row_];
  if (static_cast<int>(line.size()) <= column_) line.resize(column_ + 1, " ");
  line[column_++] = character;
}

void ScreenModel::Feed(const std::string& bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte == '\r') {
      column_ = 0;
    } else if (byte == '\n') {
      ++row_;
    } else if (byte == 0x1b && i + 1 < bytes.size() && bytes[i + 1] == '[') {
      std::size_t end = i + 2;
      while (end < bytes.size() && !(bytes[end] >= 0x40 && bytes[end] <= 0x7E)) ++end;
      if (end == bytes.size()) return;
      const std::string parameters = bytes.substr(i + 2, end - i - 2);
      const char final = bytes[end];
      if (final == 'A') {
        row_ = std::max(0, row_ - (parameters.empty() ? 1 : std::atoi(parameters.c_str())));
      } else if (final == 'K' && parameters == "2") {
        if (row_ < static_cast<int>(cells_.size())) cells_[row_].clear();
      } else if (final == 'J' && parameters.empty()) {
        if (row_ < static_cast<int>(cells_.size())) {
          cells_.resize(row_ + 1);
          if (static_cast<int>(cells_[row_].size()) > column_) cells_[row_].resize(column_);
        }
      } else if (final == 'l' && parameters == "?25") {
        cursorVisible_ = false;
      } else if (final == 'h' && parameters == "?25") {
        cursorVisible_ = true;
      } else if (final != 'm') {
        unknown_.push_back(parameters + final);
      }
      i = end;
    } else if (byte >= 0x20) {
      std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
      Put(bytes.substr(i, length));
      i += length - 1;
    } else {
      unknown_.push_back("control " + std::to_string(byte));
    }
  }
}

std::vector<std::string> ScreenModel::Rows() const {
  std::vector<std::string> rows;
  for (const auto& line : cells_) {
    std::string text;
    for (const std::string& cell : line) text += cell;
    text.erase(text.find_last_not_of(' ') + 1);
    rows.push_back(text);
  }
  while (!rows.empty() && rows.back().empty()) rows.pop_back();
  return rows;
}

}  // namespace corvane
