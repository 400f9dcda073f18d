#pragma once
// Readers reached through PC/SC. Commands are pseudo-APDUs of class FF: "FF98..." passes a
// SAM frame through to the security module, "FF97..." is a reader command. They are written
// as hex text, turned into bytes by ParseHexText and sent with PCSCTransmit.
#include <cstdint>

namespace vantel {

// The card handle of the named reader, or -1. Only the first call lists the readers.
std::intptr_t OpenPcscReader(const char* name);
// Leaves the card as it is; 0.
int PcscDisconnect(std::intptr_t card);
// Sends `sendLength` bytes to the connected card of the device state and returns SW1 SW2
// of the answer (0 for an answer shorter than two bytes), or 0xFFFF when the transmit
// fails. The answer is cut to *receiveLength bytes, which then tells how many arrived.
int PCSCTransmit(std::intptr_t card, unsigned sendLength, const std::uint8_t* send,
                 unsigned* receiveLength, std::uint8_t* receive);
// Hex text to bytes into `out`, which holds textLength / 2 bytes; blanks and commas are
// allowed in the text but end the conversion.
void ParseHexText(const char* text, std::uint8_t* out, int textLength);

}  // namespace vantel
