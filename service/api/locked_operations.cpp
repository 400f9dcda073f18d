#include "library/answers/device_operations.h"
#include "service/api/api_handlers.h"
#include "service/api/card_reads.h"
#include "service/api/reader_mutex.h"

namespace lumarin {
namespace {

// The card operations that take nothing but their answer buffer.
template <void (*Operation)(char*)>
void RunPlain(char* result) {
  RunLocked(result, [](char* work) { Operation(work); });
}

// The identity-card reads, whose answer length the wrapper does not need.
template <int (*Read)(char*, int*)>
void RunCardRead(char* result) {
  RunLocked(result, [](char* work) {
    int length = 0;
    Read(work, &length);
  });
}

}  // namespace

void LockedReadCert(char* result) { RunCardRead<ServiceReadCert>(result); }
void LockedReadCard(char* result) { RunCardRead<ServiceReadCard>(result); }
void LockedConnect(char* result) { RunPlain<vantel::dxconnect>(result); }
void LockedDisconnect(char* result) { RunPlain<vantel::dxdisconnect>(result); }
void LockedGetVersion(char* result) { RunPlain<vantel::dxgetVersion>(result); }
void LockedGetStatus(char* result) { RunPlain<vantel::dxgetStatus>(result); }
void LockedReadIDCardSN(char* result) { RunPlain<vantel::readIDCardSN>(result); }
void LockedReadICCardSN(char* result) { RunPlain<vantel::readICCardSN>(result); }
void LockedGetSAMID(char* result) { RunPlain<vantel::dxgetSAMID>(result); }
void LockedGetSAMIDStr(char* result) { RunPlain<vantel::dxgetSAMIDStr>(result); }

void LockedReadM1Card(const char* sid, const char* bid, const char* keyType, const char* key,
                      char* result) {
  RunLocked(result, [&](char* work) { vantel::readM1Card(sid, bid, keyType, key, work); });
}

void LockedWriteM1Card(const char* sid, const char* bid, const char* keyType, const char* key,
                       const char* data, char* result) {
  RunLocked(result,
            [&](char* work) { vantel::writeM1Card(sid, bid, keyType, key, data, work); });
}

void LockedHandleAPDUCMD(const char* apdu, char* result) {
  RunLocked(result, [&](char* work) { vantel::handleAPDUCMD(apdu, work); });
}

void LockedMute(int flag, char* result) {
  RunLocked(result, [&](char* work) { vantel::dxKestor_Mute(flag, work); });
}

void LockedRepeatRead(int flag, char* result) {
  RunLocked(result, [&](char* work) { vantel::dxKestor_RepeatRead(flag, work); });
}

}  // namespace lumarin
