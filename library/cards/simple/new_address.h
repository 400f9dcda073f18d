#pragma once
// The card's additional addresses (a resident's later addresses), as the simplified
// interface hands them out: the bodies of ReadNewAppMsg, ReadNewAppMsgW and ReadNewAppInfos.
#include <cstddef>

namespace vantel {

constexpr std::size_t kNewAddressEntries = 4;
constexpr std::size_t kNewAddressEntrySize = 71;  // 70 ANSI bytes and a NUL

// Each non-blank 70-byte block of `length` bytes of UCS-2 `data`, converted and trimmed,
// into the next of the four entries (71 bytes each, zero-filled before); more are not
// stored. Returns the entries filled.
int SplitNewAddresses(const unsigned char* data, std::size_t length,
                      char* const entries[kNewAddressEntries]);

// Each non-blank 70-byte block of the SAM's data, converted and trimmed, into the next of
// the four entries (each 71 bytes); *count the entries filled. 1, or 0 for a null argument,
// a port not accepted or a failed read. More than four blocks are not stored.
int ReadNewAddresses(char* const entries[kNewAddressEntries], int* count);
// The raw UCS-2 data (at most 280 bytes) and the number of 70-byte blocks.
int ReadNewAddressData(unsigned char* data, int* count);

}  // namespace vantel
