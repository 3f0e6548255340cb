#include "platform/win32/dialog_template.h"

namespace corvane {
namespace {

// The item count sits after the style and the extended style.
constexpr std::size_t kCountWord = 4;

}  // namespace

DialogTemplate::DialogTemplate(DWORD style, short width, short height, const wchar_t* caption, WORD pointSize,
                               const wchar_t* font) {
  AddDword(style | DS_SETFONT);
  AddDword(0);  // extended style
  words_.push_back(0);  // item count
  for (const short value : {short{0}, short{0}, width, height}) words_.push_back(static_cast<WORD>(value));
  words_.push_back(0);  // no menu
  words_.push_back(0);  // the standard dialog class
  AddString(caption);
  words_.push_back(pointSize);
  AddString(font);
}

void DialogTemplate::AddControl(WORD id, WORD classAtom, const wchar_t* text, DWORD style, short x, short y,
                                short width, short height) {
  AddItemHeader(id, style, x, y, width, height);
  words_.push_back(0xFFFF);
  words_.push_back(classAtom);
  AddItemTail(text);
}

void DialogTemplate::AddControl(WORD id, const wchar_t* className, const wchar_t* text, DWORD style, short x, short y,
                                short width, short height) {
  AddItemHeader(id, style, x, y, width, height);
  AddString(className);
  AddItemTail(text);
}

// Each item starts on a DWORD boundary.
void DialogTemplate::AddItemHeader(WORD id, DWORD style, short x, short y, short width, short height) {
  if (words_.size() % 2 != 0) words_.push_back(0);
  AddDword(style | WS_CHILD | WS_VISIBLE);
  AddDword(0);  // extended style
  for (const short value : {x, y, width, height}) words_.push_back(static_cast<WORD>(value));
  words_.push_back(id);
  ++words_[kCountWord];
}

void DialogTemplate::AddItemTail(const wchar_t* text) {
  AddString(text);
  words_.push_back(0);  // no creation data
}

void DialogTemplate::AddDword(DWORD value) {
  words_.push_back(LOWORD(value));
  words_.push_back(HIWORD(value));
}

void DialogTemplate::AddString(const wchar_t* text) {
  for (const wchar_t* c = text; *c != L'\0'; ++c) words_.push_back(static_cast<WORD>(*c));
  words_.push_back(0);
}

}  // namespace corvane
