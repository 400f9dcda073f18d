#pragma once
// The simplified and photo-saving reads with fingerprint: the bodies of ReadBaseFPMsg,
// ReadBaseInfosFPPhoto, ReadForeignBaseInfosFPPhoto and ReadGATBaseInfosFPPhoto. Each reads
// on the current port into the caller's fingerprint buffer, writes "photo.wlt" and has it
// decoded by the sibling decoder; the photo reads also convert it to "photo.jpg" and load
// the card-image library for this call. Results: 1; 0 bad argument, port, read or short
// write; 4 "photo.wlt" not created or the decoder's entry missing; -4 a sibling library not
// loaded; -5 decoding failed (or the foreign image entry missing); -6 the foreign image call
// failed.

namespace vantel {

// `record` 192 bytes (the simplified record), `fingerprint` 1024.
int ReadBaseFPMsgRecord(char* record, int* recordLength, unsigned char* fingerprint,
                        unsigned* fingerprintLength);
// The fields of the resident (9), foreign (12) and permit (14) layouts.
int ReadBaseInfosFPPhoto(char* const fields[9], const char* folder, unsigned char* fingerprint,
                         unsigned* fingerprintLength);
int ReadForeignBaseInfosFPPhoto(char* const fields[12], const char* folder,
                                unsigned char* fingerprint, unsigned* fingerprintLength);
int ReadGatBaseInfosFPPhoto(char* const fields[14], const char* folder, unsigned char* fingerprint,
                            unsigned* fingerprintLength);

}  // namespace vantel
