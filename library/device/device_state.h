#pragma once
// The library's one reader state, shared by every exported function without a lock: the
// service's reader mutex keeps callers apart.
#include <atomic>
#include <cstdint>

#include "library/cards/card_images.h"
#include "library/device/hid_state.h"
#include "library/device/pcsc_state.h"
#include "library/device/reader_settings.h"

namespace platform {
class BluetoothSocket;
class DeviceHandle;
class TcpSocket;
}

namespace vantel {

class CustomTimer;
// The caller's function that the timer calls.
using TimerCallback = void (*)();

enum TransportKind : int {
  kTransportNone = 0,
  kTransportSerial = 1,
  kTransportUsbDriver = 2,
  kTransportUsbPipes = 3,
  kTransportHid = 4
};

// One entry of the M1 interface's device table (device numbers 1..256).
struct DcDevice {
  platform::DeviceHandle* writeHandle = nullptr;
  platform::DeviceHandle* readHandle = nullptr;
  int kind = 0;  // 1 open, 0 free
};

// What one identity-card read yields, kept for the next read.
struct CachedBaseMsg {
  std::uint8_t g_pucCHMsg[256] = {};
  std::uint8_t photo[1024] = {};
  unsigned int textLength = 0;
  unsigned int photoLength = 0;
  bool gBaseMsgCached = false;
};

// What one fingerprint read yields, kept for the next fingerprint read.
struct CachedFPBaseMsg {
  std::uint8_t g_pucFPCHMsg[256] = {};
  std::uint8_t photo[1024] = {};
  std::uint8_t fingerprint[1024] = {};
  unsigned int textLength = 0;
  unsigned int photoLength = 0;
  unsigned int fingerprintLength = 0;
  bool gFPBaseMsgCached = false;
};

struct DeviceState {
  int gPort = 0;
  TransportKind gTransportKind = kTransportNone;
  // Answers are read from the first and frames written to the second: the same handle
  // twice for the COM port and the USB driver; "PIPE00" and "PIPE01" for the pipes.
  platform::DeviceHandle* gReadHandle = nullptr;
  platform::DeviceHandle* gWriteHandle = nullptr;
  int gComBaud = 0;
  std::uint8_t gComBase64 = 0;

  PcscState pcsc;
  HidState hid;
  std::uint8_t OutputReport[256] = {};
  // The HID input report, and the network reader's receive buffer.
  std::uint8_t InputReport[4096] = {};

  std::uint8_t gMute = 0;
  std::uint8_t gRepeat = 0;
  std::uint8_t gSaveWlt = 0;
  std::uint8_t gNewVersion = 0;
  int gM1CardType = 0;
  std::uint8_t gJsonUseHid = 0;
  int gLogOn = 0;
  platform::TcpSocket* gNetSocket = nullptr;  // the network reader's connection; null = none
  bool gSocketLibraryStarted = false;  // the network reader's start of the socket library
  platform::BluetoothSocket* gBtSocket = nullptr;  // the RFCOMM link; null = none
  bool gBtSocketLibraryStarted = false;  // the RFCOMM link's start of the socket library
  int gUsbReaderFound = 0;
  // The one running timer and its caller's function: the timer thread reads both.
  std::atomic<CustomTimer*> gTimer{nullptr};
  std::atomic<TimerCallback> gTimerCallback{nullptr};
  DcDevice DcDeviceTable[256];
  // The serial of the card dc_select chose last; 0 = none, cleared by dc_init.
  std::uint32_t gDcCardSerial = 0;
  std::uint8_t gPsamSlot = 0;

  void* gQuellanModule = nullptr;
  SaveCardAllJpgEntry SaveCardAllJPG = nullptr;
  SaveCard2JpgEntry SaveCard2JPG = nullptr;

  CachedBaseMsg gCachedBaseMsg;
  CachedFPBaseMsg gCachedFPBaseMsg;
  std::uint8_t gHidSamId[16] = {};
  char gForeignAuthorityCode[9] = {};
};

// The one shared instance.
DeviceState& Device();

}  // namespace vantel
