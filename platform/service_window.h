#pragma once
// The service's hidden window: its message loop keeps the service alive until the window is
// closed. Windows: a zero-size pop-up tool window whose only sign is a tray icon. Linux: no
// window and no tray; SIGINT and SIGTERM close the "window" and SIGPIPE is ignored.
#include <cstdint>
#include <string>

namespace platform {

struct ServiceWindowObject;
using ServiceWindow = ServiceWindowObject*;

// What the window's owner does with its messages; each runs on the loop's thread.
struct ServiceWindowEvents {
  // The window was made, or the taskbar was re-created (Windows only).
  void (*created)(ServiceWindow window);
  // A right click on the tray icon, with the tray message's two arguments (Windows only).
  void (*trayRightClick)(ServiceWindow window, std::uintptr_t wParam, std::intptr_t lParam);
  // The window is going: the owner ends the loop with EndMessageLoop.
  void (*destroyed)(ServiceWindow window);
};

// Linux: the quit signals take the road of a closed window from here on; Windows: nothing.
void PrepareServiceSignals();
// False when the window class cannot be registered.
bool RegisterServiceWindowClass(const std::string& title, const ServiceWindowEvents& events);
// Made and shown with the start-up show command (nothing shows). Null when it fails.
ServiceWindow CreateServiceWindow(const std::string& title, int showCommand);
// Runs until EndMessageLoop; returns its code.
int RunMessageLoop();
void EndMessageLoop(int code);

}  // namespace platform
