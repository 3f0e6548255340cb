// The far end of a serial line for a tool that plays a device: a tty opened
// raw, 8 data bits, no parity, at a given rate.
#pragma once

#include <string>

#include "common/byte_stream.h"

namespace corvane {

// A closed stream when the tty cannot be opened or does not take the rate;
// `error` then says which.
ByteStream OpenRawTty(const std::string& path, int baudRate, std::string& error);

}  // namespace corvane
