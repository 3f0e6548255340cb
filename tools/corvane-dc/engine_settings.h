// What both of the device's protocol engines are given to work with.
#pragma once

#include <string>

#include "corvane-dc/device_line.h"
#include "corvane-dc/served_directory.h"

namespace corvane::dc {

struct EngineSettings {
  int timeoutSeconds = 3;  // the device's own read time-out until a peer asks for another
  int retries = 10;        // sendings of one packet before an exchange is given up
  std::string errorText;   // when set: every exchange is refused with an E of this text
};

}  // namespace corvane::dc
