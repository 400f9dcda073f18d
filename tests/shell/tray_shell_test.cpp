// The tray shell under wine: the service run on a thread of the test (its menu is then this
// process's, readable), and Lumarin.exe itself for what only a second process shows.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/tcp_socket.h"
#include "service/shell/service_shell.h"
#include "support/eventually.h"
#include "support/temp_folder.h"

namespace {

using lumarin::kServiceTitle;
constexpr UINT kGetMenuHandle = 0x01E1;  // MN_GETHMENU
constexpr int kStartPosition = 0, kStopPosition = 1, kExitPosition = 2;

// Ports of their own, away from the defaults and from another run's.
int BasePort() { return 41000 + static_cast<int>(GetCurrentProcessId() % 500) * 8; }

std::filesystem::path ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path();
}

void WriteConfig(const std::filesystem::path& folder, int base) {
  std::ofstream(folder / "config.ini") << "[Config]\nhttp_port=" << base << "\nhttps_port="
                                       << base + 1 << "\nwebsocket_port=" << base + 2 << "\n";
}

bool Listening(int port) {
  std::unique_ptr<platform::TcpSocket> peer = platform::TcpSocket::Create();
  return peer && peer->Connect("127.0.0.1", static_cast<std::uint16_t>(port), 2000);
}

HWND WaitForWindow(const char* className, const char* title) {
  HWND window = nullptr;
  vantel_test::Eventually([&] { return (window = FindWindowA(className, title)) != nullptr; });
  return window;
}

// Right click on the tray icon: the menu's window, once it shows.
HWND OpenTrayMenu(HWND window) {
  PostMessageA(window, WM_USER, 0, WM_RBUTTONDOWN);
  HWND menu = nullptr;
  vantel_test::Eventually([&] {
    menu = FindWindowA("#32768", nullptr);
    return menu && IsWindowVisible(menu);
  });
  return menu;
}

void PressKey(HWND menuWindow, WPARAM key) {
  PostMessageA(menuWindow, WM_KEYDOWN, key, 0);
  PostMessageA(menuWindow, WM_KEYUP, key, 0xC0000001);
}

HMENU MenuOf(HWND menuWindow) {
  return reinterpret_cast<HMENU>(SendMessageA(menuWindow, kGetMenuHandle, 0, 0));
}

// Moves the highlight down to `position` (this process's menu) and chooses it.
void ChooseByKeys(HWND menuWindow, int position) {
  HMENU menu = MenuOf(menuWindow);
  for (int presses = 0; presses < 6; ++presses) {
    if (GetMenuState(menu, position, MF_BYPOSITION) & MF_HILITE) break;
    PressKey(menuWindow, VK_DOWN);
    // The highlight moves once the menu's loop has taken the key.
    for (int wait = 0; wait < 50 && !(GetMenuState(menu, position, MF_BYPOSITION) & MF_HILITE);
         ++wait)
      Sleep(10);
  }
  PressKey(menuWindow, VK_RETURN);
}

struct MenuItem {
  UINT id;
  std::string text;
  UINT state;  // MF_DISABLED, MF_GRAYED
  bool operator==(const MenuItem& other) const {
    return id == other.id && text == other.text && state == other.state;
  }
  // For failure messages; the GBK text comes out escaped.
  friend std::ostream& operator<<(std::ostream& out, const MenuItem& item) {
    out << item.id << " " << ::testing::PrintToString(item.text) << " state " << item.state;
    return out;
  }
};

std::vector<MenuItem> ReadMenu(HMENU menu) {
  std::vector<MenuItem> items;
  for (int position = 0; position < GetMenuItemCount(menu); ++position) {
    char text[64] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    items.push_back({GetMenuItemID(menu, position), text,
                     GetMenuState(menu, position, MF_BYPOSITION) & (MF_DISABLED | MF_GRAYED)});
  }
  return items;
}

// The screen as a 24-bit BMP file.
void SaveScreenshot(const std::filesystem::path& file) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  const int rowBytes = (width * 3 + 3) & ~3;
  std::vector<char> pixels(static_cast<std::size_t>(rowBytes) * height);
  GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;
  header.bfSize = static_cast<DWORD>(sizeof header + sizeof info + pixels.size());
  header.bfOffBits = sizeof header + sizeof info;
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

void NoAnswer(const char*, char*) {}
void NoPush() {}

// A row per step: the menu as it opens, then the item chosen and whether the ports listen then.
struct Step {
  std::vector<MenuItem> menu;
  int choose;
  bool listening;
};

void TakeSteps(HWND window, const std::vector<Step>& steps, const std::vector<int>& ports) {
  for (const Step& step : steps) {
    HWND menuWindow = OpenTrayMenu(window);
    ASSERT_NE(menuWindow, nullptr);
    EXPECT_EQ(ReadMenu(MenuOf(menuWindow)), step.menu);
    if (step.choose == kStopPosition) {
      // Painted before it is taken: the menu may just have appeared.
      RedrawWindow(menuWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
      SaveScreenshot(std::filesystem::path(VANTEL_SCREENSHOT_DIR) / "tray_menu.bmp");
    }
    ChooseByKeys(menuWindow, step.choose);
    for (int port : ports)
      EXPECT_TRUE(vantel_test::Eventually([&] { return Listening(port) == step.listening; }))
          << port;
  }
}

const std::vector<MenuItem> kHttpActiveMenu = {
    {13, "启动", MF_DISABLED}, {12, "停止", 0}, {15, "退出", 0}};
const std::vector<MenuItem> kHttpStoppedMenu = {
    {13, "启动", 0}, {12, "停止", MF_DISABLED}, {15, "退出", 0}};

// The service run on a thread of the test.
class TrayService : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteConfig(ProgramFolder(), base_);
    platform::StartSocketLibrary();
  }

  void TearDown() override {
    if (ui_.joinable()) {
      PostMessageA(window_, WM_CLOSE, 0, 0);
      ui_.join();
    }
    // The next run in this process registers the class anew, as a new process would.
    UnregisterClassA(kServiceTitle, GetModuleHandleA(nullptr));
  }

  HWND StartService() {
    ui_ = std::thread([this] { exitCode_ = lumarin::RunService({http_, https_, ws_}, SW_HIDE); });
    return window_ = WaitForWindow(kServiceTitle, kServiceTitle);
  }

  const int base_ = BasePort();
  lumarin::HttpServer http_;
  lumarin::HttpsServer https_;
  lumarin::WsServer ws_{lumarin::WsCommands{NoAnswer, NoPush}};
  std::thread ui_;
  HWND window_ = nullptr;
  int exitCode_ = -1;
};

TEST_F(TrayService, HiddenWindowMenuStatesStopStartTaskbarAndExit) {
  HWND window = StartService();
  ASSERT_NE(window, nullptr);
  RECT rect{};
  GetWindowRect(window, &rect);
  EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & WS_POPUP, WS_POPUP);
  EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
  EXPECT_EQ(rect.right - rect.left, 0);
  EXPECT_EQ(rect.bottom - rect.top, 0);

  TakeSteps(window,
            {{kHttpActiveMenu, kStopPosition, false}, {kHttpStoppedMenu, kStartPosition, true}},
            {base_, base_ + 1, base_ + 2});

  // The taskbar came back without its icons (as after an Explorer restart): the icon is added
  // again, a new menu made, the old one freed first.
  HWND menuWindow = OpenTrayMenu(window);
  HMENU oldMenu = MenuOf(menuWindow);
  PressKey(menuWindow, VK_ESCAPE);
  vantel_test::Eventually([&] { return !IsWindowVisible(menuWindow); });
  NOTIFYICONDATAA icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = window;
  icon.uID = 0;
  Shell_NotifyIconA(NIM_DELETE, &icon);
  EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &icon));  // a missing icon shows so
  SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &icon));
  EXPECT_FALSE(IsMenu(oldMenu));

  // "退出" with a WebSocket client connected.
  std::unique_ptr<platform::TcpSocket> client = platform::TcpSocket::Create();
  ASSERT_TRUE(client->Connect("127.0.0.1", static_cast<std::uint16_t>(base_ + 2), 2000));
  menuWindow = OpenTrayMenu(window);
  ASSERT_NE(menuWindow, nullptr);
  ChooseByKeys(menuWindow, kExitPosition);
  ui_.join();
  EXPECT_EQ(exitCode_, 0);
  EXPECT_FALSE(IsWindow(window));
}

// The HTTP listener cannot bind and its accept thread ends, yet it counts as active; "停止"
// finds no thread to stop and leaves it so: "启动" stays disabled.
TEST_F(TrayService, HttpPortHeldElsewhereLeavesStartDisabled) {
  std::unique_ptr<platform::TcpListener> holder = platform::TcpListener::Create();
  ASSERT_TRUE(holder->Listen(static_cast<std::uint16_t>(base_), 2));
  ASSERT_NE(StartService(), nullptr);
  for (int port : {base_ + 1, base_ + 2})
    EXPECT_TRUE(vantel_test::Eventually([&] { return Listening(port); })) << port;
  TakeSteps(window_,
            {{kHttpActiveMenu, kStopPosition, false}, {kHttpActiveMenu, kExitPosition, false}},
            {base_ + 1, base_ + 2});
  ui_.join();
  EXPECT_EQ(exitCode_, 0);
}

// Lumarin.exe in a folder of its own.
class ServiceProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"Lumarin.exe", "Vantel.dll"})
      std::filesystem::copy_file(std::filesystem::path(VANTEL_PROGRAM_DIR) / file,
                                 folder_.path() / file);
    WriteConfig(folder_.path(), base_);
  }

  PROCESS_INFORMATION Start() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string command = (folder_.path() / "Lumarin.exe").string();
    std::string folder = folder_.path().string();
    CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                   &startup, &process);
    return process;
  }

  static DWORD WaitForExit(const PROCESS_INFORMATION& process) {
    DWORD code = 0xFFFFFFFF;
    if (WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0)
      GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
  }

  vantel_test::TempFolder folder_;
  int base_ = BasePort() + 4;
};

TEST_F(ServiceProgram, SecondInstanceShowsItsBoxAndExitLeavesWithZero) {
  PROCESS_INFORMATION first = Start();
  HWND window = WaitForWindow(kServiceTitle, kServiceTitle);
  ASSERT_NE(window, nullptr);

  PROCESS_INFORMATION second = Start();
  HWND box = WaitForWindow("#32770", kServiceTitle);
  ASSERT_NE(box, nullptr);
  char text[128] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the box's text
  EXPECT_STREQ(text, "Application is already running");
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(WaitForExit(second), 0u);
  EXPECT_TRUE(Listening(base_));

  platform::StartSocketLibrary();
  std::unique_ptr<platform::TcpSocket> client = platform::TcpSocket::Create();
  ASSERT_TRUE(client->Connect("127.0.0.1", static_cast<std::uint16_t>(base_ + 2), 2000));
  // "退出": the last item, reached from no highlight by one key up.
  HWND menuWindow = OpenTrayMenu(window);
  ASSERT_NE(menuWindow, nullptr);
  PressKey(menuWindow, VK_UP);
  Sleep(300);
  PressKey(menuWindow, VK_RETURN);
  EXPECT_EQ(WaitForExit(first), 0u);
}

}  // namespace
