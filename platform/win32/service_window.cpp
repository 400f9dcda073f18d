#include "platform/service_window.h"

#include <windows.h>

#include <string>

#include "platform/win32/wide_text.h"

namespace platform {
namespace {

ServiceWindowEvents gEvents{};

ServiceWindow ToWindow(HWND window) { return reinterpret_cast<ServiceWindow>(window); }

LRESULT CALLBACK TrayWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Registered on every call: the same number comes back each time.
  UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  if (message == WM_CREATE) {
    if (gEvents.created) gEvents.created(ToWindow(window));
  } else if (message == WM_USER) {
    if (lParam == WM_RBUTTONDOWN && gEvents.trayRightClick)
      gEvents.trayRightClick(ToWindow(window), wParam, lParam);
  } else if (message == WM_DESTROY) {
    if (gEvents.destroyed) gEvents.destroyed(ToWindow(window));
  } else if (message == taskbarCreated) {
    SendMessageW(window, WM_CREATE, 0, 0);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void PrepareServiceSignals() {}

bool RegisterServiceWindowClass(const std::string& title, const ServiceWindowEvents& events) {
  gEvents = events;
  const std::wstring className = WideText(title);
  WNDCLASSW windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = TrayWndProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);  // an id, no text
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = className.c_str();
  return RegisterClassW(&windowClass) != 0;
}

ServiceWindow CreateServiceWindow(const std::string& title, int showCommand) {
  const std::wstring wideTitle = WideText(title);
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, wideTitle.c_str(), wideTitle.c_str(), WS_POPUP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  return ToWindow(window);
}

int RunMessageLoop() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

void EndMessageLoop(int code) { PostQuitMessage(code); }

}  // namespace platform
