// A dialog template built in memory, in dialog units, as a resource script
// would describe it: the library needs no resource section of its own.
#pragma once

#include <windows.h>

#include <vector>

namespace corvane {

// Class atoms of the predefined control classes.
inline constexpr WORD kButtonClass = 0x0080;
inline constexpr WORD kStaticClass = 0x0082;

class DialogTemplate {
 public:
  DialogTemplate(DWORD style, short width, short height, const wchar_t* caption, WORD pointSize, const wchar_t* font);

  void AddControl(WORD id, WORD classAtom, const wchar_t* text, DWORD style, short x, short y, short width,
                  short height);
  void AddControl(WORD id, const wchar_t* className, const wchar_t* text, DWORD style, short x, short y, short width,
                  short height);
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void AddItemHeader(WORD id, DWORD style, short x, short y, short width, short height);
  void AddItemTail(const wchar_t* text);
  void AddDword(DWORD value);
  void AddString(const wchar_t* text);

  // Words, as the template is laid out; the vector's storage is aligned for DWORDs.
  std::vector<WORD> words_;
};

}  // namespace corvane
