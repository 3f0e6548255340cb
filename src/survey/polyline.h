// Polyline (.PL5) lines between the PC's comma form and the Data Collector's
// blank-and-dash form. A line that converts to nothing becomes empty.
#pragma once

#include <string>

namespace corvane {

void ConvertPolylineLineForSend(std::string& line);
// 1 when a PT, SS or CR line was rewritten, else 0.
int ConvertPolylineLineForReceive(std::string& line);

}  // namespace corvane
