#pragma once
// The card-kind decision, which keeps the message it read for the next read, and the three
// decoders of the card's fields; the bodies of Kestor_DecideIDCardType, ReadBaseInfos,
// Kestor_ReadForeignBaseInfos, Kestor_ReadAllForeignBaseInfos and
// Kestor_ReadAllGATBaseInfos. The fields are caller buffers of the layouts' sizes.

#include <cstdint>
#include <string>

namespace vantel {

// 100, 101 or 102 after a successful read, else the read's result.
int DecideIdCardType();
// Forgets the message the decision kept. A caller that decides the kind itself calls this
// before it returns, whether or not its decoder took the message: a message left behind
// would answer a later read as that card's, after the card has left the reader.
void DropCachedBaseMsg();

// The resident layout (also for a permit): 1 decoded, 0 otherwise.
int ReadBaseInfos(char* name, char* gender, char* nation, char* birthDate, char* idNumber,
                  char* address, char* authority, char* startDate, char* endDate);

// The foreign card, its photo as "photo.bmp" and "photo.jpg" in the library's folder: 1 or 0.
// The short form keeps the authority code in gForeignAuthorityCode.
int ReadForeignBaseInfos(char* const fields[8]);
int ReadAllForeignBaseInfos(char* const fields[12]);

// The permit, its photo in the temporary folder: 1 decoded, 0 not a permit or a photo file
// failure, -4 port not accepted or read failed.
int ReadAllGatBaseInfos(char* const fields[14]);

// The decoders' ports: no network reader; the permit only COM 1..16.
bool DecoderAcceptsPort(int port);
bool PermitAcceptsPort(int port);

// "photo.bmp" and "photo.jpg" in `folder` (with its trailing separator) from the card's
// photo by the library's own decoder. The old files go first, so a photo that does not
// decode leaves none behind. False when the bitmap file cannot be written.
bool WritePhotoFiles(const std::string& folder, const std::uint8_t* photo);
// The library's own folder with its trailing separator.
std::string LibraryPhotoFolder();

// The eight fields of the short foreign form; the authority code goes to
// gForeignAuthorityCode.
void DecodeForeignShortRecord(const std::uint8_t* text, char* const* fields);

}  // namespace vantel
