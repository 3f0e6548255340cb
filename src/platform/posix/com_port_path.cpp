#include "platform/tty.h"

namespace corvane {

// COM1 is the first serial port the kernel numbers.
std::string ComPortPath(int number) { return "/dev/ttyS" + std::to_string(number - 1); }

}  // namespace corvane
