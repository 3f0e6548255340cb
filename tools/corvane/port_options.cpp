#include "corvane/port_options.h"

#include "corvane32/corvane32.h"

namespace corvane::cli {

bool OpenPort(const PortOptions& options) {
  const int parity = ParityCode(options.parity).value_or(0);
  if (const auto number = host::WholeNumber(options.port)) {
    return TransferOpenCom(*number, options.baudRate, parity, nullptr);
  }
  return TransferOpenDevice(options.port, options.baudRate, parity, nullptr);
}

}  // namespace corvane::cli
