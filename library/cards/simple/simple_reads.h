#pragma once
// The simplified reading interface: one call reads the card on the current port, writes
// its photo as files, has it decoded and, for the photo reads, asks the card-image library
// for copies of the card. The bodies of ReadBaseMsg, ReadBaseMsgPhoto, ReadBaseMsgW,
// ReadBaseMsgWPhoto, ReadBaseInfosPhoto, the three Kestor_ photo reads and
// releaseQuellanDll. Results: 1 success; 0 bad argument, port, read, card kind or short
// write; 4 "photo.wlt" not created or the decoder's entry missing; -4 a sibling library
// not loaded; -5 the decoder failed or a card-image entry is missing; -6 a card-image call
// failed.

namespace vantel {

// `record` 192 bytes; a foreign card is refused.
int SimpleReadBaseMsg(char* record, int* recordLength);
int SimpleReadBaseMsgPhoto(char* record, int* recordLength, const char* folder);
// The raw 256-byte UCS-2 text of any card.
int SimpleReadBaseMsgW(unsigned char* text, int* textLength);
int SimpleReadBaseMsgWPhoto(unsigned char* text, int* textLength, const char* folder);
// The fields of the layouts of the decoders (9, 8, 12 and 14 buffers).
int ReadBaseInfosPhoto(char* const fields[9], const char* folder);
int ReadForeignBaseInfosPhoto(char* const fields[8], const char* folder);
int ReadAllForeignBaseInfosPhoto(char* const fields[12], const char* folder);
// -4, not 0, for a port not accepted or a failed read.
int ReadAllGatBaseInfosPhoto(char* const fields[14], const char* folder);

// Frees the card-image library: the release's result, 0 when none was loaded.
int ReleaseCardImageLibrary();

}  // namespace vantel
