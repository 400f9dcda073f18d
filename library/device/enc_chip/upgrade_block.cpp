#include "library/device/enc_chip/upgrade_block.h"

#include <cstring>

namespace vantel {
namespace {

// The chip maker's firmware vector table. Its words are the maker's firmware data, which we
// do not have; made-up words written into a real chip could leave it unusable, so while this
// table is empty the upgrade sends nothing.
const std::vector<std::uint32_t> kChipMakerVectorTable = {};

const std::vector<std::uint32_t>* gVectorTable = &kChipMakerVectorTable;

}  // namespace

const std::vector<std::uint32_t>* SetUpgradeVectorTable(const std::vector<std::uint32_t>* table) {
  const std::vector<std::uint32_t>* previous = gVectorTable;
  gVectorTable = table ? table : &kChipMakerVectorTable;
  return previous;
}

bool BuildUpgradeBlock(std::uint8_t block[kUpgradeBlockSize]) {
  if (gVectorTable->size() != kVectorTableWords) return false;
  for (std::size_t i = 0; i < kVectorTableWords; ++i) {
    const std::uint32_t word = (*gVectorTable)[i];
    for (int b = 0; b < 4; ++b) block[4 * i + static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(word >> (8 * b));
  }
  std::memset(block + 4 * kVectorTableWords, 0xFF, kUpgradeBlockSize - 4 * kVectorTableWords);
  return true;
}

}  // namespace vantel
