#pragma once
// The tray icon and its menu: start, stop and exit (Windows only).
#include <cstdint>

#include "platform/service_window.h"
#include "service/shell/service_shell.h"

namespace lumarin {

enum TrayCommand { kMenuStop = 12, kMenuStart = 13, kMenuExit = 15 };

// Adds the icon and builds the menu; a second call (the taskbar came back) frees the first
// icon and menu before making new ones.
void AddTray(platform::ServiceWindow window);
// The menu at the cursor, its items enabled by the HTTP listener's state, the choice acted on.
void OnTrayRightClick(ServiceServers& servers, platform::ServiceWindow window,
                      std::uintptr_t wParam, std::intptr_t lParam);
// Removes the icon and frees the menu.
void RemoveTray();

}  // namespace lumarin
