#pragma once
// M1 memory cards: the one-call block read on whatever port is open, and the block
// addressing it shares with the block write. The card kind (gM1CardType) is the one the
// last card search found: 1 and 2 have 16 sectors of 4 blocks; 3 has 32 sectors of 4 and 8
// of 16 blocks; 4 has pages 0..255.
#include <cstdint>

namespace vantel {

constexpr int kM1PageKind = 4;
constexpr int kM1KeyA = 0x60;
constexpr int kM1KeyB = 0x61;
constexpr int kM1BlockSize = 16;
constexpr int kM1KeySize = 6;

// A block as the reader addresses it: the 16-block sectors 32..39 of kind 3 are sent as
// four four-block sectors each.
struct M1Block {
  std::uint8_t sector = 0;
  std::uint8_t block = 0;
};

// The argument checks of a block read or write on the current port: the block exists for
// the kind, `buffer` is there, the key type is A or B (but for pages), and the key is
// there wherever the frame carries it. False: the command gives -1 and sends nothing.
bool CheckM1Request(int kind, int sector, int block, int keyType, const unsigned char* key,
                    const unsigned char* buffer, M1Block* where);
// command FF sector block keyType key (11 bytes) into `payload`; returns 11.
int BuildM1KeyedPayload(std::uint8_t command, const M1Block& where, int keyType,
                        const unsigned char* key, std::uint8_t* payload);
// The PC/SC text: `head`, each of the `count` bytes as "%02X", then "00".
void FormatM1PcscText(char* text, const char* head, const std::uint8_t* bytes, int count);

// Reads one 16-byte block into `out`. 1 read; -1 arguments refused (nothing sent); -2 (HID,
// pages) or -3 (HID, other kinds) the reader refused; 0 a failed exchange; on the byte
// stream a short write's count (but 1, which gives 0).
// Kestor_IC_HL_ReadCard
int ReadM1Block(int sector, int block, int keyType, const unsigned char* key,
                          unsigned char* out);

}  // namespace vantel
