// The tray shell under wine: the service run on a thread of the test (its menu is then this
// process's, readable), and Lumarin.exe itself for what only a second process shows.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <atomic>
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

// The title as Windows shows it, whatever the system's code page: the window, its class,
// the tray tip and the message boxes' caption.
const wchar_t* const kShownTitle = L"Marnel读卡插件";
constexpr UINT kGetMenuHandle = 0x01E1;  // MN_GETHMENU
constexpr int kStartPosition = 0, kStopPosition = 1, kExitPosition = 2;

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

// Ports of their own, away from the defaults and from another run's: a run of eight that
// nothing listens on. Other wine servers number their processes alike, so the process id
// alone does not keep two runs apart.
int BasePort() {
  static const int base = [] {
    platform::StartSocketLibrary();
    for (DWORD seed = GetCurrentProcessId() + GetTickCount();; seed += 7) {
      const int candidate = 41000 + static_cast<int>(seed % 500) * 8;
      bool free = true;
      for (int port = candidate; free && port < candidate + 8; ++port) free = !Listening(port);
      if (free) return candidate;
    }
  }();
  return base;
}

HWND WaitForWindow(const wchar_t* className, const wchar_t* title) {
  HWND window = nullptr;
  vantel_test::Eventually([&] { return (window = FindWindowW(className, title)) != nullptr; });
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

// The highlighted item's position in this process's menu, -1 for none.
int Highlighted(HMENU menu) {
  for (int position = 0; position < GetMenuItemCount(menu); ++position)
    if (GetMenuState(menu, position, MF_BYPOSITION) & MF_HILITE) return position;
  return -1;
}

// Moves the highlight down to `position` (this process's menu) and chooses it. Each key is
// given the time the menu's loop takes to move the highlight, however long that is on a busy
// machine, so that the next key does not move it past.
void ChooseByKeys(HWND menuWindow, int position) {
  HMENU menu = MenuOf(menuWindow);
  for (int presses = 0; presses < 6 && Highlighted(menu) != position; ++presses) {
    const int before = Highlighted(menu);
    PressKey(menuWindow, VK_DOWN);
    // In between, the highlight reads as on no item.
    vantel_test::Eventually([&] {
      const int now = Highlighted(menu);
      return now != before && now != -1;
    });
  }
  PressKey(menuWindow, VK_RETURN);
}

struct MenuItem {
  UINT id;
  std::wstring text;
  UINT state;  // MF_DISABLED, MF_GRAYED
  bool operator==(const MenuItem& other) const {
    return id == other.id && text == other.text && state == other.state;
  }
  // For failure messages; the text comes out escaped.
  friend std::ostream& operator<<(std::ostream& out, const MenuItem& item) {
    out << item.id << " " << ::testing::PrintToString(item.text) << " state " << item.state;
    return out;
  }
};

std::vector<MenuItem> ReadMenu(HMENU menu) {
  std::vector<MenuItem> items;
  for (int position = 0; position < GetMenuItemCount(menu); ++position) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
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
    {13, L"启动", MF_DISABLED}, {12, L"停止", 0}, {15, L"退出", 0}};
const std::vector<MenuItem> kHttpStoppedMenu = {
    {13, L"启动", 0}, {12, L"停止", MF_DISABLED}, {15, L"退出", 0}};

// The service run on a thread of the test.
class TrayService : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteConfig(ProgramFolder(), base_);
    platform::StartSocketLibrary();
  }

  void TearDown() override {
    if (ui_.joinable()) {
      // A window not found by its title is closed all the same, or the service runs on.
      HWND window = window_;
      if (!window)
        vantel_test::Eventually([&] { return (window = WindowOf(uiThread_)) != nullptr; });
      PostMessageW(window, WM_CLOSE, 0, 0);
      ui_.join();
    }
    // The next run in this process registers the class anew, as a new process would.
    UnregisterClassW(kShownTitle, GetModuleHandleW(nullptr));
  }

  static BOOL CALLBACK TakeFirst(HWND window, LPARAM found) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  static HWND WindowOf(DWORD thread) {
    HWND found = nullptr;
    EnumThreadWindows(thread, TakeFirst, reinterpret_cast<LPARAM>(&found));
    return found;
  }

  HWND StartService() {
    ui_ = std::thread([this] {
      uiThread_ = GetCurrentThreadId();
      exitCode_ = lumarin::RunService({http_, https_, ws_}, SW_HIDE);
    });
    return window_ = WaitForWindow(kShownTitle, kShownTitle);
  }

  const int base_ = BasePort();
  lumarin::HttpServer http_;
  lumarin::HttpsServer https_;
  lumarin::WsServer ws_{lumarin::WsCommands{NoAnswer, NoPush}};
  std::thread ui_;
  std::atomic<DWORD> uiThread_{0};
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

// The title (the window's and its class's) and the menu's texts as Windows shows them,
// whatever the system's code page: the test runs again in an English locale.
TEST_F(TrayService, TitleAndMenuShowTheirOwnTexts) {
  HWND window = StartService();
  ASSERT_NE(window, nullptr);
  wchar_t title[64] = {};
  GetWindowTextW(window, title, 64);
  EXPECT_STREQ(title, kShownTitle);
  HWND menuWindow = OpenTrayMenu(window);
  ASSERT_NE(menuWindow, nullptr);
  std::vector<std::wstring> texts;
  for (const MenuItem& item : ReadMenu(MenuOf(menuWindow))) texts.push_back(item.text);
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"启动", L"停止", L"退出"}));
  PressKey(menuWindow, VK_ESCAPE);
  EXPECT_TRUE(vantel_test::Eventually([&] { return !IsWindowVisible(menuWindow); }));
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

  // A program a failed step left running is ended, so that none outlives the test.
  void TearDown() override {
    for (const PROCESS_INFORMATION& process : started_) {
      if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
      }
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  }

  HANDLE Start() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::string command = (folder_.path() / "Lumarin.exe").string();
    std::string folder = folder_.path().string();
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process))
      return nullptr;
    started_.push_back(process);
    return process.hProcess;
  }

  static DWORD WaitForExit(HANDLE process) {
    DWORD code = 0xFFFFFFFF;
    if (WaitForSingleObject(process, 20000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
    return code;
  }

  vantel_test::TempFolder folder_;
  std::vector<PROCESS_INFORMATION> started_;
  int base_ = BasePort() + 4;
};

TEST_F(ServiceProgram, SecondInstanceShowsItsBoxAndExitLeavesWithZero) {
  HANDLE first = Start();
  ASSERT_NE(first, nullptr);
  HWND window = WaitForWindow(kShownTitle, kShownTitle);
  ASSERT_NE(window, nullptr);

  HANDLE second = Start();
  ASSERT_NE(second, nullptr);
  HWND box = WaitForWindow(L"#32770", kShownTitle);
  ASSERT_NE(box, nullptr);
  wchar_t text[128] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 128);  // the box's text
  EXPECT_STREQ(text, L"Application is already running");
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(WaitForExit(second), 0u);
  platform::StartSocketLibrary();
  // Each listener binds on its own thread: the WebSocket one may come last.
  for (int port : {base_, base_ + 2})
    EXPECT_TRUE(vantel_test::Eventually([&] { return Listening(port); })) << port;

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
