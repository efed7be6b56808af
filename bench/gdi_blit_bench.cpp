// BitBlt of a whole 1920 x 1080 24-bit section into another (what a canvas repaint does),
// compared with a memcpy of the same bytes: the ratio blit / memcpy is printed and should stay
// close to 1, since a plain copy between bitmaps of one format moves whole rows.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "gdi.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;
constexpr size_t kBytes = size_t{kWidth} * 3 * kHeight;  // rows of 5760 bytes need no padding

struct Selected {
  HBITMAP bitmap;
  HDC dc;
  void* bits = nullptr;
  Selected() {
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bitmap);
  }
  ~Selected() {
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
};

double MemcpyMilliseconds(const void* from, void* to) {
  constexpr int kRuns = 20;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRuns; ++i) {
    std::memcpy(to, from, kBytes);
    benchmark::ClobberMemory();
  }
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / kRuns;
}

void WholeBitBlt(benchmark::State& state) {
  Selected source, target;
  std::memset(source.bits, 0x5A, kBytes);
  for (auto _ : state) {
    BitBlt(target.dc, 0, 0, kWidth, kHeight, source.dc, 0, 0, SRCCOPY);
    benchmark::ClobberMemory();
  }
  constexpr int kRuns = 20;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRuns; ++i) BitBlt(target.dc, 0, 0, kWidth, kHeight, source.dc, 0, 0, SRCCOPY);
  const double blit = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / kRuns;
  const double copy = MemcpyMilliseconds(source.bits, target.bits);
  state.counters["memcpy_ms"] = copy;
  state.counters["ratio_vs_memcpy"] = blit / copy;
}

}  // namespace

BENCHMARK(WholeBitBlt)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
