// The outline label as the program draws it: "No. 007!" at 107 pixels (80 points at 96 dots per
// inch) on a 1920 x 1080 24-bit bottom-up output, with border 2 (25 transparent passes in the
// outline colour and one in the text colour) against border 0 (the one pass). With the glyphs
// cached the ratio follows the pass count times the blend; the third run, a label whose glyphs
// must be rasterised first (a new size each time), shows what the cache saves. The outline drawn
// at once (DrawTextOutline, one blend of the combined coverage) is compared with the stamped passes.
#include <benchmark/benchmark.h>

#include <vector>

#include "corvid.h"
#include "drawing_context.h"
#include "ratio_reporter.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int64_t kStride = (kWidth * 3 + 3) / 4 * 4;

struct Runtime {
  Runtime() {
    MainHeapCreate();
    StringHeapInit();
    FontInit();
    DrawingBlendInit();
    ImageInit();
    DrawingInit();
    pixels.assign(static_cast<size_t>(kStride * kHeight), 0x40);
  }
  ~Runtime() {
    ImageShutdown();
    DrawingShutdown();
    FontShutdown();
    StringHeapShutdown();
    MainHeapDestroy();
  }
  // A drawing over the pixels, as the canvas makes one (3 bytes, bottom-up).
  bool Begin() {
    DrawingContext* context = DrawingContextNew(kDrawingFormat3Bytes | kDrawingFormatBottomUp);
    if (context == nullptr) return false;
    context->buffer = pixels.data();
    context->stride = kStride;
    context->fullWidth = kWidth;
    context->fullHeight = kHeight;
    context->bitsPerPixel = 24;
    context->startReturnsBuffer = true;
    context->ops.release = [](DrawingContext*, int64_t) {};
    return DrawingBegin(static_cast<int64_t>(reinterpret_cast<uintptr_t>(context))) != 0;
  }
  std::vector<uint8_t> pixels;
};

void DrawLabel(int64_t font, int border, bool atOnce = false) {
  DrawingSetFont(font);
  const char16_t* text = u"No. 007!";
  const int64_t x = (kWidth - DrawTextWidth(text)) / 2, y = (kHeight - DrawTextHeight(text)) / 2;
  if (atOnce) {
    DrawingSetMode(DrawModeTransparent);
    DrawTextOutline(x, y, text, 0xFF000000, border);
  } else if (border > 0) {
    DrawingSetMode(DrawModeTransparent);
    for (int dy = -border; dy <= border; ++dy) {
      for (int dx = -border; dx <= border; ++dx) DrawTextAt(x + dx, y + dy, text, 0xFF000000);
    }
  }
  DrawTextAt(x, y, text, 0xFFFFFFFF);
}

void OutlineLabel(benchmark::State& state) {
  Runtime runtime;
  const int64_t font = FontLoad(1, u"Arial", 80, CV_Font_HighQuality);
  for (auto _ : state) {
    runtime.Begin();
    DrawLabel(font, static_cast<int>(state.range(0)));
    DrawingEnd();
  }
  benchmark::DoNotOptimize(runtime.pixels.data());
}

void OutlineAtOnce(benchmark::State& state) {
  Runtime runtime;
  const int64_t font = FontLoad(1, u"Arial", 80, CV_Font_HighQuality);
  for (auto _ : state) {
    runtime.Begin();
    DrawLabel(font, static_cast<int>(state.range(0)), true);
    DrawingEnd();
  }
  benchmark::DoNotOptimize(runtime.pixels.data());
}

void LabelFreshGlyphs(benchmark::State& state) {
  Runtime runtime;
  int size = 0;
  for (auto _ : state) {
    // Forty sizes in turn: more than the instances kept alive, so every label rasterises.
    const int64_t font = FontLoad(1, u"Arial", 60 + size++ % 40, CV_Font_HighQuality);
    runtime.Begin();
    DrawLabel(font, 0);
    DrawingEnd();
  }
}

BENCHMARK(OutlineLabel)->Arg(2)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(OutlineAtOnce)->Arg(2)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(LabelFreshGlyphs)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return RunWithRatios(argc, argv, {{"OutlineLabel/2", "OutlineLabel/0"},
                                    {"OutlineAtOnce/2", "OutlineLabel/2"},
                                    {"OutlineAtOnce/10", "OutlineLabel/0"},
                                    {"LabelFreshGlyphs", "OutlineLabel/0"}});
}
