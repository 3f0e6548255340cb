// One picture of the progress window's animation: a desktop PC at the left, a
// hand-held Data Collector at the right, joined by eight grey dots.
#pragma once

#include <windows.h>

namespace corvane {

// Frame 0 has no dot lit; in frame k (1 to 8) the k-th dot from the PC is green.
void DrawTransferFrame(HDC dc, const RECT& area, int frame);

}  // namespace corvane
