#pragma once
// The contactless CPU card (ISO 14443-4): activation, power off, ATS and PPS. Results:
// 1 done; 0 refused; -2 nothing sent and -3 no answer (byte-stream path).

namespace vantel {

// What one HID report can carry; the byte stream is held to the same.
constexpr int kMaxAtsLength = 59;

// Kestor_CPUCard_Active
int ActivateCpuCard();
// Kestor_CPUCard_PowerOFF
int PowerOffCpuCard();
// The ATS bytes and their count; -1 for null arguments. `ats` holds kMaxAtsLength bytes:
// a longer answer is refused (0).
// Kestor_CPUCard_ATS
int ReadCpuCardAts(unsigned char* ats, int* atsLen);
// p1 and p2 (their low bytes) go to the card as PPS parameters.
// Kestor_CPUCard_PPS
int SetCpuCardPps(int p1, int p2);

}  // namespace vantel
