// The drawing context's hot paths. DrawImageAt of a 1920 x 1080 24-bit picture onto a 24-bit
// output of the same size in the default mode is compared with memcpy of the same pixel bytes
// (the ratio should stay at or below 1.5); filled 1000 x 1000 boxes in the default mode and in
// alpha-blend mode, on 24- and 32-bit targets, report megapixels per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "corvid.h"
#include "ratio_reporter.h"

namespace {

// The runtime parts a drawing needs, a picture and a target image, and an open drawing on the
// target for the whole benchmark.
struct Fixture {
  int64_t picture = 0;
  int64_t target = 0;
  Fixture(int64_t width, int64_t height, bool withPicture, int64_t targetBits = 24) {
    MainHeapCreate();
    StringHeapInit();
    DrawingBlendInit();
    ImageInit();
    DrawingInit();
    target = ImageObjectId(CV_Any, NewImage(width, height, targetBits));
    if (withPicture) {
      picture = ImageObjectId(CV_Any, NewImage(width, height, 24));
      auto* record = static_cast<ImageObject*>(ObjectGet(ImageRegistry(), picture));
      DIBSECTION section{};
      GetObjectW(record->handle, sizeof section, &section);
      auto* bytes = static_cast<uint8_t*>(section.dsBm.bmBits);
      for (int64_t i = 0; i < section.dsBm.bmWidthBytes * height; ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    }
    DrawingBegin(ImageOutput(target));
  }
  ~Fixture() {
    DrawingEnd();
    ImageShutdown();
    DrawingShutdown();
    StringHeapShutdown();
    MainHeapDestroy();
  }

  static ImageObject* NewImage(int64_t width, int64_t height, int64_t bits) {
    ImageObject* record = ImageObjectNew(CV_Any);
    record->handle = ImageNewSection(width, height, bits);
    record->width = static_cast<int16_t>(width);
    record->height = static_cast<int16_t>(height);
    record->depth = static_cast<uint8_t>(bits);
    return record;
  }
};

void DrawImageAtFullHd(benchmark::State& state) {
  Fixture fixture(1920, 1080, true);
  const int64_t handle = ImageHandle(fixture.picture);
  for (auto _ : state) {
    DrawImageAt(handle, 0, 0);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * ImageRowStride(1920, 24) * 1080);
}

void MemcpyFullHd(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(ImageRowStride(1920, 24) * 1080);
  std::vector<uint8_t> from(bytes), to(bytes);
  for (size_t i = 0; i < bytes; ++i) from[i] = static_cast<uint8_t>(i * 7);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

void FilledBox(benchmark::State& state) {
  Fixture fixture(1000, 1000, false, state.range(1));
  DrawingSetMode(state.range(0));
  int64_t colour = ColorRGBA(200, 100, 50, 96);
  for (auto _ : state) {
    DrawBox(0, 0, 1000, 1000, colour);
    colour ^= 0x010101;  // a new colour each time: the preparation is part of the cost
    benchmark::ClobberMemory();
  }
  // The last box must have reached the far corner.
  if (DrawPointRead(999, 999) == 0 && DrawPointRead(999, 998) == 0) state.SkipWithError("box not drawn");
  state.counters["Mpixel/s"] = benchmark::Counter(1e-6 * 1000 * 1000, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(DrawImageAtFullHd)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(MemcpyFullHd)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FilledBox)
    ->ArgNames({"mode", "bits"})
    ->ArgsProduct({{DrawModeDefault, DrawModeAlphaBlend}, {24, 32}})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return RunWithRatios(argc, argv, {{"DrawImageAtFullHd/real_time", "MemcpyFullHd/real_time"}}); }
