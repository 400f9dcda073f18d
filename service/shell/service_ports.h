#pragma once
// The service's four ports: the values below until "config.ini" beside the program is read
// at start-up; never read again.

namespace lumarin {

extern int gHttpPort;
extern int gHttpsPort;
extern int gWebSocketPort;
extern int gWssPort;  // read, used by nothing

// Reads [Config] http_port, https_port, websocket_port and wss_port: a missing file or key
// keeps the default, a value that is not a number gives 0.
void LoadServicePorts();

}  // namespace lumarin
