#include "platform/win32/transfer_frame.h"

#include <algorithm>

namespace corvane {
namespace {

constexpr int kDots = 8;
constexpr COLORREF kOutline = RGB(64, 64, 64);
constexpr COLORREF kCase = RGB(200, 200, 192);
constexpr COLORREF kScreen = RGB(64, 112, 176);
constexpr COLORREF kDotOff = RGB(160, 160, 160);
constexpr COLORREF kDotOn = RGB(0, 176, 0);

// A GDI object selected into the device context for the life of the guard, then deleted.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), object_(object), previous_(::SelectObject(dc, object)) {}
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;
  ~Selected() {
    ::SelectObject(dc_, previous_);
    ::DeleteObject(object_);
  }

 private:
  HDC dc_;
  HGDIOBJ object_;
  HGDIOBJ previous_;
};

void Box(HDC dc, int left, int top, int right, int bottom, COLORREF fill) {
  const Selected pen(dc, ::CreatePen(PS_SOLID, 1, kOutline));
  const Selected brush(dc, ::CreateSolidBrush(fill));
  ::Rectangle(dc, left, top, right, bottom);
}

void Dot(HDC dc, int x, int y, int radius, COLORREF fill) {
  const Selected pen(dc, ::CreatePen(PS_SOLID, 1, kOutline));
  const Selected brush(dc, ::CreateSolidBrush(fill));
  ::Ellipse(dc, x - radius, y - radius, x + radius + 1, y + radius + 1);
}

// Monitor with its screen, and the box below it; `unit` is a twelfth of the height.
void DrawPc(HDC dc, int left, int top, int unit) {
  Box(dc, left, top, left + 10 * unit, top + 7 * unit, kCase);
  Box(dc, left + unit, top + unit, left + 9 * unit, top + 6 * unit, kScreen);
  Box(dc, left + 4 * unit, top + 7 * unit, left + 6 * unit, top + 9 * unit, kCase);
  Box(dc, left, top + 9 * unit, left + 10 * unit, top + 12 * unit, kCase);
}

// A tall hand-held: screen at the top, a keypad of three by three below.
void DrawDataCollector(HDC dc, int left, int top, int unit) {
  Box(dc, left, top, left + 6 * unit, top + 12 * unit, kCase);
  Box(dc, left + unit, top + unit, left + 5 * unit, top + 5 * unit, kScreen);
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      const int x = left + unit + column * 3 * unit / 2;
      const int y = top + 6 * unit + row * 2 * unit;
      Box(dc, x, y, x + unit, y + unit, kOutline);
    }
  }
}

}  // namespace

void DrawTransferFrame(HDC dc, const RECT& area, int frame) {
  ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_BTNFACE));
  const int height = area.bottom - area.top;
  const int unit = std::max(1, height / 12);
  const int top = area.top + (height - 12 * unit) / 2;
  DrawPc(dc, area.left, top, unit);
  const int dcLeft = area.right - 6 * unit;
  DrawDataCollector(dc, dcLeft, top, unit);
  // The dots sit evenly on the line between the two, level with the screens.
  const int from = area.left + 10 * unit;
  const int span = dcLeft - from;
  const int y = top + 3 * unit;
  const int radius = std::max(1, std::min(unit, span / (kDots * 3)));
  for (int dot = 1; dot <= kDots; ++dot) {
    Dot(dc, from + span * dot / (kDots + 1), y, radius, dot == frame ? kDotOn : kDotOff);
  }
}

}  // namespace corvane
