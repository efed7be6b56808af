// ImageScaleSmooth on a 1920 x 1080 32-bit picture, halved (960 x 540) and doubled
// (3840 x 2160): milliseconds per call and output megapixels per second. It is compared with
// the platform's HALFTONE StretchBlt of the same sizes (a box average, the cheapest smoothing
// resample), printed as the ratio smooth / halftone. The weight tables are built once per pass,
// so their cost (table_us) stays a small constant beside the per-pixel work.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "corvid.h"
#include "image/image_scale.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

HBITMAP Section(int width, int height, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

// Milliseconds per HALFTONE StretchBlt between sections of the two sizes.
double HalftoneMilliseconds(int targetWidth, int targetHeight) {
  void* sourceBits = nullptr;
  void* targetBits = nullptr;
  HBITMAP source = Section(kWidth, kHeight, &sourceBits), target = Section(targetWidth, targetHeight, &targetBits);
  HDC sourceDc = CreateCompatibleDC(nullptr), targetDc = CreateCompatibleDC(nullptr);
  SelectObject(sourceDc, source);
  SelectObject(targetDc, target);
  SetStretchBltMode(targetDc, HALFTONE);
  constexpr int kRuns = 3;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRuns; ++i)
    StretchBlt(targetDc, 0, 0, targetWidth, targetHeight, sourceDc, 0, 0, kWidth, kHeight, SRCCOPY);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / kRuns;
  DeleteDC(sourceDc);
  DeleteDC(targetDc);
  DeleteObject(source);
  DeleteObject(target);
  return ms;
}

void ScaleSmooth(benchmark::State& state) {
  const int targetWidth = static_cast<int>(state.range(0)), targetHeight = static_cast<int>(state.range(1));
  MainHeapCreate();
  std::vector<uint8_t> source(static_cast<size_t>(kWidth) * kHeight * 4);
  for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>((i * 2654435761u) >> 24);
  std::vector<uint8_t> target(static_cast<size_t>(targetWidth) * targetHeight * 4);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ImageScaleSmooth(source.data(), kWidth, kHeight, target.data(), targetWidth, targetHeight, 32));
    benchmark::ClobberMemory();
  }
  // The same call timed by hand, for the ratio against the halftone stretch.
  const auto smoothStart = std::chrono::steady_clock::now();
  ImageScaleSmooth(source.data(), kWidth, kHeight, target.data(), targetWidth, targetHeight, 32);
  const double smooth = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - smoothStart).count();
  ImageScaleTable columns{}, rows{};
  const auto tableStart = std::chrono::steady_clock::now();
  ImageScaleTableBuild(&columns, targetWidth, kWidth);
  ImageScaleTableBuild(&rows, targetHeight, kHeight);
  const double tableUs = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - tableStart).count();
  ImageScaleTableFree(&columns);
  ImageScaleTableFree(&rows);
  const double halftone = HalftoneMilliseconds(targetWidth, targetHeight);
  MainHeapDestroy();
  const double outputPixels = double(targetWidth) * targetHeight;
  state.counters["MP/s"] = benchmark::Counter(outputPixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["table_us"] = tableUs;
  state.counters["halftone_ms"] = halftone;
  state.counters["ratio_vs_halftone"] = smooth / halftone;
}

}  // namespace

BENCHMARK(ScaleSmooth)->Args({960, 540})->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
