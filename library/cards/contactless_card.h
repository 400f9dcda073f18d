#pragma once
// The contactless cards besides the identity card: the search that says what kind of card
// lies on the reader, the write of one M1 block, and the identity card's management number
// as text.

namespace vantel {

// The kind of the card in the field (gM1CardType): 1 M1 S50, 2 CPU card, 3 the 40-sector
// card, 4 pages, another type byte with bit 0x04 set as it stands; 0 no card.
int FindIcCard();  // Kestor_IC_FindCard
// Writes one 16-byte block (4 bytes to a page). 1 written; 0 refused or failed; -1
// arguments refused (nothing sent); -2 HID page write refused; on the byte stream a short
// write's count (but 1, which gives 0).
int WriteM1Block(int sid, int bid, int keyType, const unsigned char* key,
                 const unsigned char* data);  // Kestor_IC_HL_WriteCard
// `out` holds 17 bytes: 1 with 16 upper-case hex digits of the management number, else 0.
int ReadIinsndn(char* out);  // ReadIINSNDN

}  // namespace vantel
