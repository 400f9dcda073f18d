#include "service/shell/tray_menu.h"

#include "platform/tray.h"
#include "service/shell/service_ports.h"

namespace lumarin {
namespace {

platform::TrayIcon gTrayIcon = nullptr;
platform::TrayMenu gTrayMenu = nullptr;

void StartServers(ServiceServers& servers, platform::ServiceWindow window) {
  servers.http.Start(window, "127.0.0.1", gHttpPort);
  servers.https.Start(window, "127.0.0.1", gHttpsPort);
  servers.ws.Start(window, "127.0.0.1", gWebSocketPort);
}

void StopServers(ServiceServers& servers) {
  servers.http.Stop();
  servers.https.Stop();
  servers.ws.Stop();
}

}  // namespace

void AddTray(platform::ServiceWindow window) {
  RemoveTray();
  gTrayIcon = platform::AddTrayIcon(window, "res/logo.ico", kServiceTitle);
  gTrayMenu = platform::CreateTrayMenu();
  platform::AppendTrayMenuItem(gTrayMenu, kMenuStart, "启动");
  platform::AppendTrayMenuItem(gTrayMenu, kMenuStop, "停止");
  platform::AppendTrayMenuItem(gTrayMenu, kMenuExit, "退出");
}

void OnTrayRightClick(ServiceServers& servers, platform::ServiceWindow window,
                      std::uintptr_t wParam, std::intptr_t lParam) {
  bool active = servers.http.IsActive();
  platform::EnableTrayMenuItem(gTrayMenu, kMenuStart, !active);
  platform::EnableTrayMenuItem(gTrayMenu, kMenuStop, active);
  switch (platform::TrackTrayMenu(window, gTrayMenu)) {
    case kMenuStop:
      StopServers(servers);
      break;
    case kMenuStart:
      StartServers(servers, window);
      break;
    case kMenuExit:
      platform::CloseServiceWindow(window, wParam, lParam);
      break;
    case 0:
      platform::PostLeftButtonDown(window);
      break;
    default:
      break;
  }
}

void RemoveTray() {
  platform::RemoveTrayIcon(gTrayIcon);
  gTrayIcon = nullptr;
  platform::DestroyTrayMenu(gTrayMenu);
  gTrayMenu = nullptr;
}

}  // namespace lumarin
