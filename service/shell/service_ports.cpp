#include "service/shell/service_ports.h"

#include <string>

#include "platform/ini_file.h"
#include "platform/module_paths.h"

namespace lumarin {

int gHttpPort = 18889;
int gHttpsPort = 18891;
int gWebSocketPort = 18890;
int gWssPort = 18892;

void LoadServicePorts() {
  // The path is formed at whatever length the program's folder has.
  std::string path = platform::ProgramPath();
  path.erase(path.find_last_of(platform::kPathSeparator) + 1);
  path += "config.ini";
  gHttpPort = platform::ReadIniInt(path, "Config", "http_port", 18889);
  gHttpsPort = platform::ReadIniInt(path, "Config", "https_port", 18891);
  gWebSocketPort = platform::ReadIniInt(path, "Config", "websocket_port", 18890);
  gWssPort = platform::ReadIniInt(path, "Config", "wss_port", 18892);
}

}  // namespace lumarin
