#pragma once
// The step-by-step M1 interface: request, anticollision, select, authentication, read,
// write, halt and the beeper, addressed by a device number from dc_init. On the HID reader
// (the current port 8159) the device number is not looked at; elsewhere its entry of the
// device table must be open (else -32), and answers are read as SAM frames or base64-wrapped
// frames only. Results: 0 success, negative failures.

namespace vantel {

// *cardType = ATQA[0] + 10 x ATQA[1]. mode 0 wakes idle cards, 1 halted ones too; another
// mode or a null cardType gives -4. Write failure -1, no answer -2, wrong answer -3.
int DcRequest(int device, int mode, int* cardType);  // dc_request
// The serial's bytes into `serial` (at most 10). The low byte of bitCount must be 0 and
// serial non-null, else -4; -1, -2, -3 as above.
int DcAnticoll(int device, int bitCount, unsigned char* serial);  // dc_anticoll
// Selects the card of that serial (gDcCardSerial); -1, -2, -3 as above.
int DcSelect(int device, unsigned serial);  // dc_select
// Authenticates the sector of `address` with key A (0x60) or B (0x61) and the selected
// serial: no serial selected -1, another key type or a null key -2 (off HID; nothing sent),
// write failure -3, no answer -4, wrong answer -5.
int DcAuthenticationPassaddr(int device, int keyType, unsigned address,
                             const unsigned char* key);  // dc_authentication_passaddr
// Reads 16 bytes of the block at `address` (0..255): null out or a larger address -1,
// write failure -3, no answer -4, wrong answer -5.
int DcRead(int device, unsigned address, unsigned char* out);  // dc_read
int DcWrite(int device, unsigned address, const unsigned char* data);  // dc_write
// Halts the card; -1, -2, -3 as for the request.
int DcHalt(int device);  // dc_halt
// LED and beeper on for `milliseconds`, then off: 1 done; 0 the reader refused; -3 the on
// command failed; 3 the off command failed; -32 no open entry (on every port).
int DcBeepLed(int device, int first, int second, int milliseconds);  // dc_BeepLED

}  // namespace vantel
