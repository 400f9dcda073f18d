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
// from one receive; more are gathered until exactly `size` have arrived. Each waits at
// most the answer wait.
int ReadNetDevice(char* buffer, int size);

// Reads exactly one answer frame of the network reader into `buffer`, however TCP splits
// it: a SAM frame (the 7-byte head AA AA AA 96 69 LEN, then exactly LEN more bytes) or a
// vendor frame (55 AA LEN, then exactly LEN more bytes; a long answer, LEN FF, takes what
// follows its head in one receive). The whole frame must arrive within the answer wait
// (gComTimeout when set, else 5000 ms). Returns the frame's size, or -2, the receive failure,
// when it did not complete in time, the connection ended, or it would not fit `size` (its
// bytes are then skipped, so that they are not taken for the next answer).
int ReadNetAnswerFrame(char* buffer, int size);

}  // namespace vantel
