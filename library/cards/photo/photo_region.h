#pragma once
// The region stage of the photo decoder: the region segment with its chain
// contours, the region mask, and the level mask of the region-aware wavelet transform.
#include <cstdint>
#include <vector>

#include "library/cards/photo/photo_planes.h"
#include "library/cards/photo/wlt_format.h"

namespace vantel::photo {

// Direction d's steps: 0 = (+1, 0), 1 = (+1, +1), ... 7 = (+1, -1).
extern const int kDirectionColumnStep[8];
extern const int kDirectionRowStep[8];
// The turn table, by turn symbol: 4, 3, 5, 2, 6, 1, 7, 0.
extern const int kTurnTable[8];

// Region mode 0: the whole image, fill flag 0, nothing read. Otherwise reads the length N
// and the N-byte region segment, builds `planes.regionMask` and sets the context's fill flag
// and background colour. kWltOk or kWltPastStream, kWltNoMarker, kWltBadRegion.
int DecodeRegion(WltStream& stream, WltDecodeContext& context, PhotoPlanes& planes);

// Fills one chain P0..P(count-1) (rows, columns inside the 102 x 126 image) into `regionPlane`
// (102 x 126, 255 = inside) with the XOR scan rule of `RasterizeChain`; `local` is scratch of
// 102 x 126 bytes.
void RasterizeChain(const int* rows, const int* columns, int count, std::uint8_t* regionPlane,
                    std::uint8_t* local);

// One line of even length n split into its low half and high half, isolated samples moved
// (pass 1 horizontal, 2 vertical). `in` and `out` do not overlap.
void SplitMask(const std::int32_t* in, std::int32_t* out, int n, int pass);

// The maximal runs of values equal to 1 in line[0..n), appended to `runs`.
void FindRuns(const std::int32_t* line, int n, std::vector<InverseRun>* runs);

// The level mask: the region mask in a padded plane, split through all levels; keeps the
// runs of every line it splits in planes.inverseRuns.
void BuildLevelMask(const WltDecodeContext& context, PhotoPlanes& planes);

// planes.codedBelow for the detail bands of levels 2..L: 1 where some position below at a
// finer level has level mask 1.
void BuildCodedBelow(const WltDecodeContext& context, PhotoPlanes& planes);

}  // namespace vantel::photo
