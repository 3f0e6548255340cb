// The presence probe that runs before a generic request on the wide link.
#pragma once

namespace corvane {

// 1 the remote answered Y; 0 it answered N or its answer was damaged;
// -1 no usable answer within the probe time.
int WideProbe();

}  // namespace corvane
