#include "common/raw_tty.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace corvane {

ByteStream OpenRawTty(const std::string& path, int baudRate, std::string& error) {
  ByteStream tty(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!tty.IsOpen() || !::isatty(tty.Descriptor())) {
    error = "cannot open " + path;
    return {};
  }
  termios settings{};
  ::tcgetattr(tty.Descriptor(), &settings);
  ::cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  // glibc takes the rate as a number as well as by its B constant.
  if (::cfsetspeed(&settings, static_cast<speed_t>(baudRate)) != 0 ||
      ::tcsetattr(tty.Descriptor(), TCSANOW, &settings) != 0) {
    error = "cannot set " + std::to_string(baudRate) + " baud on " + path;
    return {};
  }
  return tty;
}

}  // namespace corvane
