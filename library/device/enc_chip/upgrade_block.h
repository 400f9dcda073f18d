#pragma once
// The encryption chip's upgrade block: the firmware vector table of 50 little-endian words
// (an initial stack pointer, then handler addresses), then 312 bytes of FF.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantel {

constexpr std::size_t kUpgradeBlockSize = 512;
constexpr std::size_t kVectorTableWords = 50;

// The table the upgrade uses, the chip maker's unless a test sets its own; returns the one it
// replaces.
const std::vector<std::uint32_t>* SetUpgradeVectorTable(const std::vector<std::uint32_t>* table);
// False, and nothing built, while the table does not hold the 50 words.
bool BuildUpgradeBlock(std::uint8_t block[kUpgradeBlockSize]);

}  // namespace vantel
