#pragma once
// The network reader (port number 10000): the same SAM and vendor frames as on the serial
// port, over TCP to the address in "kestor.ini" [Socket] Ip and Port.
#include <string>

namespace vantel {

constexpr char kDefaultNetReaderIp[] = "192.168.1.200";
constexpr int kDefaultNetReaderPort = 8899;

struct NetReaderAddress {
  std::string ip;
  int port = 0;
};

// [Socket] Ip (at most 31 characters) and Port of `iniPath`, or the defaults.
NetReaderAddress ReadNetReaderAddress(const std::string& iniPath);

enum NetReaderResult : int {
  kNetReaderConnected = 144,
  kNetSocketNotCreated = -1,
  kNetConnectFailed = -2,
};

// Connects gNetSocket to the reader; shows "socket failed" or "connect failed" on failure.
int OpenNetReader();
void CloseNetReader();
// 0 sent; -1 not connected; -2 send error.
int WriteNetDevice(const char* data, int length);
// The bytes received into `buffer` (never more than `size`), or -2. Up to 1024 bytes come
// from one receive; more are gathered until exactly `size` have arrived.
int ReadNetDevice(char* buffer, int size);

}  // namespace vantel
