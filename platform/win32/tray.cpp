#include "platform/tray.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "platform/win32/wide_text.h"

namespace platform {

// The record as Windows Vista and later know it (956 bytes in a 32-bit program).
static_assert(sizeof(void*) != 4 || sizeof(NOTIFYICONDATAW) == 956, "tray record size");

struct TrayIconObject {
  NOTIFYICONDATAW record;
};

namespace {

HWND ToHwnd(ServiceWindow window) { return reinterpret_cast<HWND>(window); }
HMENU ToHmenu(TrayMenu menu) { return reinterpret_cast<HMENU>(menu); }

}  // namespace

TrayIcon AddTrayIcon(ServiceWindow window, const std::string& iconFile, const std::string& tip) {
  auto* icon = new TrayIconObject{};
  NOTIFYICONDATAW& record = icon->record;
  record.cbSize = sizeof record;
  record.hWnd = ToHwnd(window);
  record.uID = 0;
  record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record.uCallbackMessage = WM_USER;
  record.hIcon = static_cast<HICON>(
      LoadImageW(nullptr, WideText(iconFile).c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
  std::wcsncpy(record.szTip, WideText(tip).c_str(), sizeof record.szTip / sizeof(wchar_t) - 1);
  Shell_NotifyIconW(NIM_ADD, &record);
  return icon;
}

void RemoveTrayIcon(TrayIcon icon) {
  if (!icon) return;
  if (icon->record.hIcon) DestroyIcon(icon->record.hIcon);
  Shell_NotifyIconW(NIM_DELETE, &icon->record);
  delete icon;
}

TrayMenu CreateTrayMenu() { return reinterpret_cast<TrayMenu>(CreatePopupMenu()); }

void AppendTrayMenuItem(TrayMenu menu, int command, const std::string& text) {
  AppendMenuW(ToHmenu(menu), MF_STRING, static_cast<UINT_PTR>(command), WideText(text).c_str());
}

void EnableTrayMenuItem(TrayMenu menu, int command, bool enabled) {
  // Disabled, not greyed: the item keeps its look and only stops answering.
  EnableMenuItem(ToHmenu(menu), static_cast<UINT>(command),
                 MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_DISABLED));
}

int TrackTrayMenu(ServiceWindow window, TrayMenu menu) {
  POINT cursor{};
  GetCursorPos(&cursor);
  SetForegroundWindow(ToHwnd(window));
  return static_cast<int>(TrackPopupMenu(ToHmenu(menu), TPM_RETURNCMD, cursor.x, cursor.y, 0,
                                         ToHwnd(window), nullptr));
}

void DestroyTrayMenu(TrayMenu menu) {
  if (menu) DestroyMenu(ToHmenu(menu));
}

void CloseServiceWindow(ServiceWindow window, std::uintptr_t wParam, std::intptr_t lParam) {
  SendMessageW(ToHwnd(window), WM_CLOSE, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

void PostLeftButtonDown(ServiceWindow window) {
  PostMessageW(ToHwnd(window), WM_LBUTTONDOWN, 0, 0);
}

}  // namespace platform
