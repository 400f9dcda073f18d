#pragma once
// The reader's own commands (contactless search and serial, version mode, update, antenna,
// SAM transfer length, the LED frame, management number, SD card, power LED, serial
// pass-through) and the library's setting exports. Each works on the port that is open and
// returns the result its export returns. The exports' names follow each function.
#include <cstdint>

namespace vantel {

// The longest contactless serial the readers report (an ISO/IEC 14443 triple-size UID).
constexpr int kMaxContactlessSerial = 10;
// The SD card commands carry at most this many data bytes.
constexpr unsigned kMaxSdCardData = 40;

int FindContactlessCard(std::uint8_t* cardType);            // Kestor_StartFindIDCard
// `out` holds kMaxContactlessSerial bytes; 2 when the serial was read.
int ReadContactlessSerial(std::uint8_t* out, int* outLen);  // Kestor_ReadBaseMsg
int SetNewVersion(int flag);                                 // Kestor_SetNewVersion
int SetTarnUpdate();                                         // Kestor_SetTarnUpdate
int ShutDownAntenna();                                       // Kestor_ShutDownAntenna
int SamvCommMaxLen(int n);                                   // Kestor_Samv_Comm_MaxLen
int LedBeepControl(int first, int second);                   // Kestor_LED_BEEP_Control
// `text` holds 17 bytes: 16 hex digits and a NUL.
int ReadManagementNumber(char* text);                        // Kestor_ReadIINSNDN
int SdCardWrite(const char* name, const std::uint8_t* data, unsigned len);
int SdCardRead(const char* name, unsigned count, std::uint8_t* out, unsigned* outLen);
int PowerLedColor(int colour);                               // Kestor_PowerLED_Color
// `out` holds 253 bytes (the payload of the longest answer).
int SerialTypeACmd(int cmd, const std::uint8_t* data, int len, std::uint8_t* out, int* outLen);

int SetMute(int flag);             // Kestor_Mute
int SetRepeatRead(int flag);       // Kestor_RepeatRead
int SetSaveWlt(int flag);          // Kestor_IsSaveWlt
int SetComTimeout(int milliseconds);  // Kestor_SetComtimeout
int IsComBase64();                 // Kestor_isComBase64
int AnyFunction(const char* name, int* out, int argv1, int argv2, const char* argv3);

}  // namespace vantel
