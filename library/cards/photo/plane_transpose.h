#pragma once
// Transposes of 32-bit planes: the column steps of the level mask's split and of the
// inverse transform work on columns gathered into contiguous lines.
#include <cstdint>
#include <cstring>

namespace vantel::photo {

// The 4 x 4 tile at `in` (rows `inStride` apart) transposed to `out` (rows `outStride`
// apart).
inline void Transpose4x4(const std::int32_t* in, int inStride, std::int32_t* out, int outStride) {
#if defined(__SSE2__)
  // Four vector loads, eight lane shuffles and four stores instead of sixteen scalar moves.
  typedef std::int32_t Lanes __attribute__((vector_size(16)));
  Lanes a, b, c, d;
  std::memcpy(&a, in, sizeof a);
  std::memcpy(&b, in + inStride, sizeof b);
  std::memcpy(&c, in + 2 * inStride, sizeof c);
  std::memcpy(&d, in + 3 * inStride, sizeof d);
  const Lanes ab01 = __builtin_shufflevector(a, b, 0, 4, 1, 5);
  const Lanes ab23 = __builtin_shufflevector(a, b, 2, 6, 3, 7);
  const Lanes cd01 = __builtin_shufflevector(c, d, 0, 4, 1, 5);
  const Lanes cd23 = __builtin_shufflevector(c, d, 2, 6, 3, 7);
  const Lanes column0 = __builtin_shufflevector(ab01, cd01, 0, 1, 4, 5);
  const Lanes column1 = __builtin_shufflevector(ab01, cd01, 2, 3, 6, 7);
  const Lanes column2 = __builtin_shufflevector(ab23, cd23, 0, 1, 4, 5);
  const Lanes column3 = __builtin_shufflevector(ab23, cd23, 2, 3, 6, 7);
  std::memcpy(out, &column0, sizeof column0);
  std::memcpy(out + outStride, &column1, sizeof column1);
  std::memcpy(out + 2 * outStride, &column2, sizeof column2);
  std::memcpy(out + 3 * outStride, &column3, sizeof column3);
#else
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) out[j * outStride + i] = in[i * inStride + j];
  }
#endif
}

// `rows` x `columns` entries at `in` (rows `inStride` apart) transposed to `out`: whole
// 4 x 4 tiles, then the columns and rows left over one entry at a time.
inline void Transpose(const std::int32_t* in, int inStride, int rows, int columns, std::int32_t* out,
               int outStride) {
  const int tileRows = rows & ~3, tileColumns = columns & ~3;
  for (int r = 0; r < tileRows; r += 4) {
    for (int c = 0; c < tileColumns; c += 4) {
      Transpose4x4(in + r * inStride + c, inStride, out + c * outStride + r, outStride);
    }
    for (int c = tileColumns; c < columns; ++c) {
      for (int i = r; i < r + 4; ++i) out[c * outStride + i] = in[i * inStride + c];
    }
  }
  for (int r = tileRows; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) out[c * outStride + r] = in[r * inStride + c];
  }
}

}  // namespace vantel::photo
