// The library's own progress window on Windows: a modeless dialog over the
// host's window, its texts and bar, and Cancel reported without closing it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/system_ui.h"
#include "ui/transfer_progress.h"

namespace corvane {
namespace {

struct RecordedInput : ProgressInput {
  void OnOK() override { ++oks; }
  void OnCancel() override { ++cancels; }
  int oks = 0;
  int cancels = 0;
};

std::string TextOf(HWND dialog, int id) {
  char text[256] = {};
  ::GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

void PumpAll(HostUi& ui) {
  while (ui.HasPendingMessage()) ui.PumpMessage();
}

TEST(ProgressDialog, ShowsOverTheHostWindowAndReportsCancelWithoutClosing) {
  const HWND host = ::CreateWindowExA(0, "STATIC", "Survey office", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 640,
                                      400, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(host, nullptr);
  const std::unique_ptr<HostUi> ui = MakeSystemHostUi();
  RecordedInput input;
  EXPECT_EQ(ui->CreateProgressSurface(nullptr, input), nullptr);  // no host window: headless

  std::unique_ptr<ProgressSurface> surface = ui->CreateProgressSurface(host, input);
  ASSERT_NE(surface, nullptr);
  const HWND dialog = ::FindWindowA(nullptr, "Transfer");
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(::GetWindow(dialog, GW_OWNER), host);
  EXPECT_TRUE(::IsWindowVisible(dialog));

  surface->SetTexts("Sending JOB1.CR5", "45.6 KB of 120 KB (2.35 KB / second)\n32 seconds left");
  EXPECT_EQ(TextOf(dialog, 1176), "Sending JOB1.CR5");
  EXPECT_EQ(TextOf(dialog, 2187), "45.6 KB of 120 KB (2.35 KB / second)\r\n32 seconds left");
  const HWND bar = ::GetDlgItem(dialog, 2186);
  EXPECT_FALSE(::IsWindowVisible(bar));
  surface->ShowProgressBar(true);
  surface->SetProgressPosition(38);
  EXPECT_TRUE(::IsWindowVisible(bar));
  EXPECT_EQ(::SendMessageA(bar, PBM_GETPOS, 0, 0), 38);

  ui->EnableHostWindow(host, false);
  EXPECT_FALSE(::IsWindowEnabled(host));
  ui->EnableHostWindow(host, true);
  EXPECT_TRUE(::IsWindowEnabled(host));

  // Escape, the Cancel button and the close box: each is Cancel, and the window stays.
  const HWND cancel = ::GetDlgItem(dialog, IDCANCEL);
  ::PostMessageA(cancel, WM_KEYDOWN, VK_ESCAPE, 0);
  PumpAll(*ui);
  EXPECT_EQ(input.cancels, 1);
  ::SendMessageA(cancel, BM_CLICK, 0, 0);
  ::PostMessageA(dialog, WM_CLOSE, 0, 0);
  PumpAll(*ui);
  EXPECT_EQ(input.cancels, 3);
  EXPECT_EQ(input.oks, 0);
  EXPECT_TRUE(::IsWindow(dialog));

  surface.reset();
  EXPECT_FALSE(::IsWindow(dialog));
  ::DestroyWindow(host);
}

TEST(ProgressDialog, ByteCountsUseTheUsersThousandsSeparator) {
  char saved[16] = {};
  ASSERT_GT(::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, saved, sizeof saved), 0);
  ASSERT_TRUE(::SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, "'"));
  EXPECT_EQ(FormatByteCount(1024 * 1024), "1'024 KB");
  ::SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, saved);
}

}  // namespace
}  // namespace corvane
