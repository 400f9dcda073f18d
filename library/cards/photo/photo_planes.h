#pragma once
// Every plane and buffer of one photo decode, allocated once before the first stage so that
// nothing is allocated inside the bit-plane loop. Owned by the call that decodes the photo.
#include <cstdint>
#include <memory>
#include <vector>

#include "library/cards/photo/wlt_format.h"

namespace vantel::photo {

// One entry of the significance list: the position's index in the padded plane (kept as
// an index, so that no entry is divided into row and column or multiplied back).
struct ListEntry {
  std::uint32_t index;
};

// The positions of one detail band whose descendants the next finer band pass reaches in
// the current bit-plane, line by line in the band's scan order (HL: its columns; LH and HH:
// its rows).
struct ReachedBand {
  std::vector<std::uint16_t> across;  // each position's place along its line
  std::vector<int> lineStart;         // line l: across[lineStart[l] .. lineStart[l + 1])
};

// One run of the inverse transform: `length` positions from `start` of a line whose rebuilt
// mask is 1.
struct InverseRun {
  std::uint16_t start;
  std::uint16_t length;
};

struct PhotoPlanes {
  int paddedWidth = 0;
  int paddedHeight = 0;

  // Planes held in Buffer are left uninitialised by Allocate: the stage that uses one
  // writes it whole (or zeroes it) before reading it, so it is never cleared twice.
  template <typename T>
  using Buffer = std::unique_ptr<T[]>;

  std::vector<std::uint8_t> regionMask;   // 102 x 126, 1 inside, 0 outside
  Buffer<std::uint8_t> chainPlane;        // 102 x 126, the region plane of the chains
  Buffer<std::uint8_t> chainLocal;        // 102 x 126, one chain's local bitmap
  Buffer<int> chainRows;                  // positions P0..PM of one chain
  Buffer<int> chainColumns;

  std::vector<std::int32_t> levelMask;    // padded, by BuildLevelMask; shared by the components
  Buffer<std::uint8_t> coded;             // padded; 1 where the level mask is 1: the
                                          // passes' test, a quarter of the bytes to load
  Buffer<std::uint8_t> codedBelow;        // padded; 1 where a finer-level position below
                                          // has level mask 1 (levels 2 and up)
  std::vector<std::int32_t> coefficients; // padded; the current component
  Buffer<std::uint8_t> significance;      // padded
  // By level parity and band (HL, LH, HH): the band passes of levels 2 and up keep their
  // reached positions here for the level below.
  ReachedBand reached[2][3];
  Buffer<ListEntry> list;                 // padded width x padded height entries
  Buffer<ListEntry> scratch;              // kListScratchEntries at most

  // The runs of 1 of every line the level mask's split reads, in the split's line order
  // (per level: its rows, then its columns). The inverse rebuilds exactly these lines, so
  // they are its runs too. Line l's runs: inverseRuns[inverseLineStart[l] ..
  // inverseLineStart[l + 1]).
  std::vector<InverseRun> inverseRuns;
  std::vector<int> inverseLineStart;
  Buffer<std::int32_t> lineOut;           // max(padded width, padded height)
  // The columns of the split's and the vertical inverse step's, kColumnBlock at a time,
  // each column contiguous.
  static constexpr int kColumnBlock = 16;
  Buffer<std::int32_t> blockCoefficients;
  Buffer<std::int32_t> blockOutput;       // the same columns after the step
  // The plane the level mask's split and the inverse transform work in: its rows
  // workStride entries apart, a cache line more than the padded width, so that a column
  // block's rows do not crowd a few cache sets (at 512 bytes apart they would).
  static constexpr int kWorkPadding = 16;
  int workStride = 0;
  Buffer<std::int32_t> workPlane;

  std::vector<std::uint8_t> componentBytes[3];  // 102 x 126 clamped values per component

  // Sizes every plane for the padded size; throws std::bad_alloc when memory runs out.
  void Allocate(int width, int height);

  int index(int row, int column) const { return row * paddedWidth + column; }
};

}  // namespace vantel::photo
