// ConvertToJpeg on the photo decoder's 102 x 126 bitmap, file to file.
// Median per photo:
//   build/tests/bench/bench_jpeg --benchmark_repetitions=15 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/bmp_builder.h"
#include "library/cards/jpeg/jpeg_converter.h"

namespace {

void BM_ConvertDecoderBitmapToJpeg(benchmark::State& state) {
  const auto folder = std::filesystem::temp_directory_path() /
                      ("vantel_bench_jpeg_" + std::to_string(std::rand()));
  std::filesystem::create_directories(folder);
  const std::string bmpPath = (folder / "photo.bmp").string();
  const std::string jpegPath = (folder / "photo.jpg").string();
  if (!testsupport::WriteFileBytes(bmpPath, testsupport::BuildDecoderBitmap())) {
    state.SkipWithError("cannot write the bitmap");
    return;
  }
  for (auto _ : state) {
    int result = vantel::ConvertToJpeg(bmpPath.c_str(), jpegPath.c_str());
    if (result != vantel::kJpegWritten) {
      state.SkipWithError("conversion failed");
      break;
    }
    benchmark::DoNotOptimize(result);
  }
  state.counters["jpeg_bytes"] =
      static_cast<double>(std::filesystem::file_size(jpegPath));
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ConvertDecoderBitmapToJpeg)->Unit(benchmark::kMicrosecond);

}  // namespace

