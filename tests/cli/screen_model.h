// A small model of a terminal screen, fed with what the display wrote, so that
// tests can check what the user is left looking at rather than byte streams.
#pragma once

#include <string>
#include <vector>

namespace corvane {

class ScreenModel {
 public:
  // Understands printable UTF-8, CR, LF (no carriage return: the pty is raw),
  // cursor up, clear line, clear below, cursor show/hide and colours.
  void Feed(const std::string& bytes);
  // The visible rows, trailing blanks cut, empty rows at the end dropped.
  std::vector<std::string> Rows() const;
  int CursorRow() const { return row_; }
  bool CursorVisible() const { return cursorVisible_; }
  // Escape sequences seen that the model does not know.
  const std::vector<std::string>& Unknown() const { return unknown_; }

 private:
  void Put(const std::string& character);
  std::vector<std::vector<std::string>> cells_;
  int row_ = 0;
  int column_ = 0;
  bool cursorVisible_ = true;
  std::vector<std::string> unknown_;
};

}  // namespace corvane
