#include "platform/service_window.h"

#include <windows.h>

namespace platform {
namespace {

ServiceWindowEvents gEvents{};

ServiceWindow ToWindow(HWND window) { return reinterpret_cast<ServiceWindow>(window); }

LRESULT CALLBACK TrayWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Registered on every call: the same number comes back each time.
  UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  if (message == WM_CREATE) {
    if (gEvents.created) gEvents.created(ToWindow(window));
  } else if (message == WM_USER) {
    if (lParam == WM_RBUTTONDOWN && gEvents.trayRightClick)
      gEvents.trayRightClick(ToWindow(window), wParam, lParam);
  } else if (message == WM_DESTROY) {
    if (gEvents.destroyed) gEvents.destroyed(ToWindow(window));
  } else if (message == taskbarCreated) {
    SendMessageA(window, WM_CREATE, 0, 0);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void PrepareServiceSignals() {}

bool RegisterServiceWindowClass(const std::string& title, const ServiceWindowEvents& events) {
  gEvents = events;
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = TrayWndProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = title.c_str();
  return RegisterClassA(&windowClass) != 0;
}

ServiceWindow CreateServiceWindow(const std::string& title, int showCommand) {
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, title.c_str(), title.c_str(), WS_POPUP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  return ToWindow(window);
}

int RunMessageLoop() {
  MSG message{};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

void EndMessageLoop(int code) { PostQuitMessage(code); }

}  // namespace platform
