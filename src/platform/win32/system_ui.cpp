// The library's own progress window on Windows, for a host that passes its
// window and installs no user interface of its own: a modeless dialog with
// the message, the animation, a progress bar, the status and Cancel, over the
// host's window, which stays disabled meanwhile.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "platform/system_ui.h"
#include "platform/win32/dialog_template.h"
#include "platform/win32/transfer_frame.h"

namespace corvane {
namespace {

constexpr WORD kProgressId = 2186;
constexpr WORD kMessageId = 1176;
constexpr WORD kStatusId = 2187;
constexpr WORD kAnimationId = 1000;

// 220 x 114 dialog units, captioned "Transfer".
DialogTemplate MakeProgressTemplate() {
  DialogTemplate dialog(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 220, 114,
                        L"Transfer", 8, L"MS Shell Dlg");
  dialog.AddControl(IDCANCEL, kButtonClass, L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 84, 93, 50, 14);
  dialog.AddControl(kProgressId, PROGRESS_CLASSW, L"", 0, 7, 60, 206, 8);
  dialog.AddControl(kMessageId, kStaticClass, L"", SS_LEFT | WS_GROUP, 7, 7, 206, 24);
  dialog.AddControl(kStatusId, kStaticClass, L"", SS_CENTER | WS_GROUP, 7, 71, 206, 16);
  dialog.AddControl(kAnimationId, kStaticClass, L"", SS_OWNERDRAW, 60, 34, 100, 22);
  return dialog;
}

// Over the middle of the host's window, as far as the screen's working area allows.
void CenterOver(HWND dialog, HWND parent) {
  RECT owner{}, own{};
  ::GetWindowRect(parent, &owner);
  ::GetWindowRect(dialog, &own);
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoA(::MonitorFromWindow(parent, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  const int left = std::clamp<int>((owner.left + owner.right - width) / 2, work.left,
                                   std::max<int>(work.left, work.right - width));
  const int top = std::clamp<int>((owner.top + owner.bottom - height) / 2, work.top,
                                  std::max<int>(work.top, work.bottom - height));
  ::SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HMODULE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&MakeProgressTemplate), &module);
  return module;
}

// A static control breaks lines at CR LF.
std::string WithWindowsLineEnds(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

class WindowsHostUi;

class DialogSurface final : public ProgressSurface {
 public:
  DialogSurface(WindowsHostUi& owner, HWND parent, ProgressInput& input);
  ~DialogSurface() override;
  DialogSurface(const DialogSurface&) = delete;
  DialogSurface& operator=(const DialogSurface&) = delete;

  bool IsOpen() const { return dialog_ != nullptr; }
  void SetTexts(const std::string& message, const std::string& status) override {
    ::SetDlgItemTextA(dialog_, kMessageId, WithWindowsLineEnds(message).c_str());
    ::SetDlgItemTextA(dialog_, kStatusId, WithWindowsLineEnds(status).c_str());
  }
  void ShowProgressBar(bool visible) override {
    ::ShowWindow(::GetDlgItem(dialog_, kProgressId), visible ? SW_SHOW : SW_HIDE);
  }
  void SetProgressPosition(int percent) override {
    ::SendDlgItemMessageA(dialog_, kProgressId, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
  }
  void ShowFrame(int frame) override {
    frame_ = frame;
    ::InvalidateRect(::GetDlgItem(dialog_, kAnimationId), nullptr, FALSE);
  }

 private:
  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  WindowsHostUi& owner_;
  ProgressInput& input_;
  HWND dialog_ = nullptr;
  int frame_ = 0;
};

class WindowsHostUi final : public HostUi {
 public:
  void EnableHostWindow(HostWindow window, bool enable) override {
    ::EnableWindow(static_cast<HWND>(window), enable ? TRUE : FALSE);
  }
  // A quit message is left for the host's own loop.
  bool HasPendingMessage() override {
    MSG message{};
    return ::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) != 0 && message.message != WM_QUIT;
  }
  // The dialog's keys first: Escape is Cancel, Enter is OK, Tab moves the focus.
  void PumpMessage() override {
    MSG message{};
    if (!HasPendingMessage() || ::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) == 0) return;
    if (dialog_ != nullptr && ::IsDialogMessageA(dialog_, &message)) return;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  // Without the host's window there is nothing to show the dialog over: headless.
  std::unique_ptr<ProgressSurface> CreateProgressSurface(HostWindow parent, ProgressInput& input) override {
    if (parent == nullptr) return nullptr;
    auto surface = std::make_unique<DialogSurface>(*this, static_cast<HWND>(parent), input);
    return surface->IsOpen() ? std::move(surface) : nullptr;
  }
  void BeginWaitCursor() override { previousCursor_ = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT)); }
  void EndWaitCursor() override { ::SetCursor(previousCursor_); }

 private:
  friend class DialogSurface;
  HWND dialog_ = nullptr;
  HCURSOR previousCursor_ = nullptr;
};

DialogSurface::DialogSurface(WindowsHostUi& owner, HWND parent, ProgressInput& input) : owner_(owner), input_(input) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&controls);
  static const DialogTemplate progressTemplate = MakeProgressTemplate();
  dialog_ = ::CreateDialogIndirectParamA(ThisModule(), progressTemplate.Get(), parent, Procedure,
                                         reinterpret_cast<LPARAM>(this));
  if (dialog_ == nullptr) return;
  owner_.dialog_ = dialog_;
  CenterOver(dialog_, parent);
  ::SendDlgItemMessageA(dialog_, kProgressId, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  ShowProgressBar(false);
}

DialogSurface::~DialogSurface() {
  if (dialog_ == nullptr) return;
  owner_.dialog_ = nullptr;
  ::DestroyWindow(dialog_);
}

// Cancel, Escape and the close box report Cancel and Enter reports OK; none of
// them closes the window, which lives until the operation has ended.
INT_PTR CALLBACK DialogSurface::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    return TRUE;
  }
  auto* surface = reinterpret_cast<DialogSurface*>(::GetWindowLongPtrA(dialog, DWLP_USER));
  if (surface == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) surface->input_.OnCancel();
      if (LOWORD(wParam) == IDOK) surface->input_.OnOK();
      return TRUE;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID != kAnimationId) return FALSE;
      DrawTransferFrame(item->hDC, item->rcItem, surface->frame_);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

std::unique_ptr<HostUi> MakeSystemHostUi() { return std::make_unique<WindowsHostUi>(); }

}  // namespace corvane
