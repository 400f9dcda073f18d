#include "library/cards/photo/photo_planes.h"

#include <algorithm>

namespace vantel::photo {

void PhotoPlanes::Allocate(int width, int height) {
  paddedWidth = width;
  paddedHeight = height;
  const std::size_t padded = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  const std::size_t line = static_cast<std::size_t>(std::max(width, height));
  regionMask.assign(kImagePixels, 0);
  chainPlane.reset(new std::uint8_t[kImagePixels]);
  chainLocal.reset(new std::uint8_t[kImagePixels]);
  chainRows.reset(new int[kMaxDirections + 1]);
  chainColumns.reset(new int[kMaxDirections + 1]);
  // Filled by BuildLevelMask; reserved only, as zeroing it here would be wasted.
  levelMask.reserve(padded);
  coded.reset(new std::uint8_t[padded]);
  codedBelow.reset(new std::uint8_t[padded]);
  coefficients.resize(padded);
  significance.reset(new std::uint8_t[padded]);
  // Only bands of level 2 and up keep reached positions: at most a sixteenth of the plane.
  for (auto& parity : reached) {
    for (ReachedBand& band : parity) {
      band.across.resize(padded / 16);
      band.lineStart.resize(line / 4 + 1);
    }
  }
  list.reset(new ListEntry[padded]);
  // A run of the list is never longer than the list, which never outgrows the plane.
  scratch.reset(new ListEntry[std::min<std::size_t>(kListScratchEntries, padded)]);
  lineOut.reset(new std::int32_t[line]);
  blockCoefficients.reset(new std::int32_t[line * kColumnBlock]);
  blockOutput.reset(new std::int32_t[line * kColumnBlock]);
  workStride = width + kWorkPadding;
  workPlane.reset(new std::int32_t[static_cast<std::size_t>(workStride) * height]);
  inverseRuns.clear();
  inverseRuns.reserve(padded / 2 + 1);
  inverseLineStart.clear();
  inverseLineStart.reserve(4 * line + 1);
  for (auto& bytes : componentBytes) bytes.assign(kImagePixels, 0);
}

}  // namespace vantel::photo
