#include "platform/tray.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

namespace platform {

// The record as Windows Vista and later know it (508 bytes in a 32-bit program).
static_assert(sizeof(void*) != 4 || sizeof(NOTIFYICONDATAA) == 508, "tray record size");

struct TrayIconObject {
  NOTIFYICONDATAA record;
};

namespace {

HWND ToHwnd(ServiceWindow window) { return reinterpret_cast<HWND>(window); }
HMENU ToHmenu(TrayMenu menu) { return reinterpret_cast<HMENU>(menu); }

}  // namespace

TrayIcon AddTrayIcon(ServiceWindow window, const std::string& iconFile, const std::string& tip) {
  auto* icon = new TrayIconObject{};
  NOTIFYICONDATAA& record = icon->record;
  record.cbSize = sizeof record;
  record.hWnd = ToHwnd(window);
  record.uID = 0;
  record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record.uCallbackMessage = WM_USER;
  record.hIcon = static_cast<HICON>(
      LoadImageA(nullptr, iconFile.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
  std::strncpy(record.szTip, tip.c_str(), sizeof record.szTip - 1);
  Shell_NotifyIconA(NIM_ADD, &record);
  return icon;
}

void RemoveTrayIcon(TrayIcon icon) {
  if (!icon) return;
  if (icon->record.hIcon) DestroyIcon(icon->record.hIcon);
  Shell_NotifyIconA(NIM_DELETE, &icon->record);
  delete icon;
}

TrayMenu CreateTrayMenu() { return reinterpret_cast<TrayMenu>(CreatePopupMenu()); }

void AppendTrayMenuItem(TrayMenu menu, int command, const std::string& text) {
  AppendMenuA(ToHmenu(menu), MF_STRING, static_cast<UINT_PTR>(command), text.c_str());
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
  SendMessageA(ToHwnd(window), WM_CLOSE, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

void PostLeftButtonDown(ServiceWindow window) {
  PostMessageA(ToHwnd(window), WM_LBUTTONDOWN, 0, 0);
}

}  // namespace platform
