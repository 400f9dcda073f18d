// The card-photo decoder's speed: WltToBitmap on realistic 1024-byte colour photos built by
// the test encoder (a synthetic head-and-shoulders portrait coded into the full 1014 bytes).
// Run: bench_photo --benchmark_repetitions=20 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "library/cards/photo/wlt_decoder.h"
#include "support/photo_encoder.h"

namespace {

namespace enc = vantel_test::photo;

std::array<std::uint8_t, 1024> MakePhoto(bool withRegion, int levels) {
  const auto rgb = enc::SyntheticPortrait();
  const auto region = enc::SyntheticPortraitRegion();
  const std::uint8_t white[3] = {255, 255, 255};
  return enc::EncodeRgbPhoto(rgb, withRegion ? &region : nullptr, levels, white).bytes;
}

void Decode(benchmark::State& state, const std::array<std::uint8_t, 1024>& photo) {
  std::vector<std::uint8_t> bitmap(51200);
  int length = 0;
  if (vantel::WltToBitmap(photo.data(), bitmap.data(), &length) != 1) {
    state.SkipWithError("the photo does not decode");
    return;
  }
  for (auto _ : state) {
    const int result = vantel::WltToBitmap(photo.data(), bitmap.data(), &length);
    benchmark::DoNotOptimize(result);
    benchmark::DoNotOptimize(bitmap.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

// The realistic case: colour, a traced head-and-shoulders region, 5 levels (header 0xD5).
void BM_WltToBitmap_PortraitWithRegion(benchmark::State& state) {
  static const auto photo = MakePhoto(true, 5);
  Decode(state, photo);
}
BENCHMARK(BM_WltToBitmap_PortraitWithRegion)->Unit(benchmark::kMicrosecond);

void BM_WltToBitmap_PortraitWholeImage(benchmark::State& state) {
  static const auto photo = MakePhoto(false, 3);
  Decode(state, photo);
}
BENCHMARK(BM_WltToBitmap_PortraitWholeImage)->Unit(benchmark::kMicrosecond);

}  // namespace
