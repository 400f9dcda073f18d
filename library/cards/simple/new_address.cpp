#include "library/cards/simple/new_address.h"

#include <cstring>

#include "library/cards/idcard/card_kinds.h"
#include "library/cards/idcard/card_text.h"
#include "library/device/device_state.h"
#include "library/device/sam_commands.h"

namespace vantel {
namespace {

constexpr std::size_t kBlockBytes = 70;  // 35 UCS-2 characters
constexpr unsigned kDataCapacity = 280;

// The SAM's data on the current port: its length, or -1 when refused.
int ReadData(unsigned char* data) {
  if (!DecoderAcceptsPort(Device().gPort)) return -1;
  unsigned length = 0;
  if (ReadNewAppMsg(Device().gPort, data, &length, 0) != kReaderSuccess) return -1;
  return static_cast<int>(length < kDataCapacity ? length : kDataCapacity);
}

}  // namespace

int SplitNewAddresses(const unsigned char* data, std::size_t length,
                      char* const entries[kNewAddressEntries]) {
  int count = 0;
  for (std::size_t block = 0;
       block < length / kBlockBytes && count < static_cast<int>(kNewAddressEntries); ++block) {
    char address[kNewAddressEntrySize];
    ConvertCardText(data + block * kBlockBytes, kBlockBytes / 2, address, sizeof address);
    TrimTrailingBlanks(address, sizeof address);
    // A blank-only block keeps one blank after trimming: it counts as empty.
    if (address[0] == '\0' || (address[0] == ' ' && address[1] == '\0')) continue;
    std::memcpy(entries[count], address, kNewAddressEntrySize);
    ++count;
  }
  return count;
}

int ReadNewAddresses(char* const entries[kNewAddressEntries], int* count) {
  for (std::size_t i = 0; i < kNewAddressEntries; ++i)
    if (!entries[i]) return 0;
  if (!count) return 0;
  *count = 0;
  for (std::size_t i = 0; i < kNewAddressEntries; ++i)
    std::memset(entries[i], 0, kNewAddressEntrySize);
  unsigned char data[kDataCapacity + 4] = {};
  const int length = ReadData(data);
  if (length < 0) return 0;
  *count = SplitNewAddresses(data, static_cast<std::size_t>(length), entries);
  return 1;
}

int ReadNewAddressData(unsigned char* data, int* count) {
  if (!data || !count) return 0;
  *count = 0;
  unsigned char buffer[kDataCapacity + 4] = {};
  const int length = ReadData(buffer);
  if (length < 0) return 0;
  std::memcpy(data, buffer, static_cast<std::size_t>(length));
  *count = length / static_cast<int>(kBlockBytes);
  return 1;
}

}  // namespace vantel
