// The Data Collector's own generic command, as the wide server reads it from
// the packet just received.
#pragma once

#include "hostfiles/generic_commands.h"
#include "wide/wide_context.h"

namespace corvane {

// When a '#' follows the letter the argument field starts one byte later, so
// of a doubled '#' only the second is kept. A field over 99 bytes is more than
// the command may carry and is marked too long rather than cut: a cut name
// could name a different file.
HostCommand WideHostCommand(const WideLinkContext& context);

}  // namespace corvane
