#pragma once
// The tray icon of the service's window and its pop-up menu (Windows only: Linux has no tray).
#include <cstdint>
#include <string>

#include "platform/service_window.h"

namespace platform {

struct TrayIconObject;
using TrayIcon = TrayIconObject*;
struct TrayMenuObject;
using TrayMenu = TrayMenuObject*;

// Adds the icon (image from `iconFile` relative to the working folder; none when the file is
// missing) with the tip; right clicks on it reach the window's trayRightClick.
TrayIcon AddTrayIcon(ServiceWindow window, const std::string& iconFile, const std::string& tip);
// Removes the icon and frees its image and record.
void RemoveTrayIcon(TrayIcon icon);

TrayMenu CreateTrayMenu();
void AppendTrayMenuItem(TrayMenu menu, int command, const std::string& text);
void EnableTrayMenuItem(TrayMenu menu, int command, bool enabled);
// Shows the menu at the cursor, the window brought to the front: the chosen command, 0 for none.
int TrackTrayMenu(ServiceWindow window, TrayMenu menu);
void DestroyTrayMenu(TrayMenu menu);

// Sends the window its close message with these arguments.
void CloseServiceWindow(ServiceWindow window, std::uintptr_t wParam, std::intptr_t lParam);
// Posts a left-button-down message with zero arguments: it ends the menu's hold on the window.
void PostLeftButtonDown(ServiceWindow window);

}  // namespace platform
