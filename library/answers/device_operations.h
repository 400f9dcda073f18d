#pragma once
// The reader operations that answer with a short JSON text: connect, disconnect, status,
// version, card serials, the SAM id, M1 block read and write, a CPU-card APDU, mute and
// repeat read. Each copies its answer into `out` without a terminating NUL; the caller
// zero-fills `out` and gives at least 1 KiB. They reach the reader through Entries() and
// open it (but for dxdisconnect, dxKestor_Mute and dxKestor_RepeatRead) after checking
// their arguments, and leave it open.

namespace vantel {

// The longest APDU answer that a 1 KiB answer buffer holds as hex text.
constexpr int kMaxAnsweredApduBytes = 476;

void dxconnect(char* out);
void dxdisconnect(char* out);
void dxgetStatus(char* out);
void dxgetVersion(char* out);
void readICCardSN(char* out);
void readIDCardSN(char* out);
void dxgetSAMID(char* out);
void dxgetSAMIDStr(char* out);
void dxReadICCardSN(char* out);
void readM1Card(const char* sid, const char* bid, const char* keyType, const char* key, char* out);
void writeM1Card(const char* sid, const char* bid, const char* keyType, const char* key,
                 const char* data, char* out);
void handleAPDUCMD(const char* apdu, char* out);
void dxKestor_Mute(int flag, char* out);
void dxKestor_RepeatRead(int flag, char* out);

// The port every operation opens: 8159 when the build's HID flag is set, else 1001.
int AnswerPort();

}  // namespace vantel
