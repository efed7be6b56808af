// The outline label as the program draws it: "No. 007!" at 107 pixels (80 points at 96 dots per
// inch) on a 1920 x 1080 24-bit bottom-up output, with border 2 (25 transparent passes in the
// outline colour and one in the text colour) against border 0 (the one pass). With the glyphs
// cached the ratio follows the pass count times the blend; the third run, a label whose glyphs
// must be rasterised first (a new size each time), shows what the cache saves. The outline drawn
// at once (DrawTextOutline, one blend of the combined coverage) is compared with the stamped passes.
// The script labels are the same outline label, eight UTF-16 units long, in Latin, Arabic and
// Devanagari: shaped once and then drawn from the cache of shaped lines, they are compared with
// the Latin one.
#include <benchmark/benchmark.h>

#include <string>
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

void DrawLabel(int64_t font, int border, const char16_t* text = u"No. 007!", bool atOnce = false) {
  DrawingSetFont(font);
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
    DrawLabel(font, static_cast<int>(state.range(0)), u"No. 007!", true);
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

// Eight units each: the Latin label, "رقم 007!" and "संख्या 7!".
const char16_t* const kScriptLabels[] = {u"No. 007!", u"\u0631\u0642\u0645 007!",
                                         u"\u0938\u0902\u0916\u094D\u092F\u093E 7!"};

void ScriptLabel(benchmark::State& state) {
  Runtime runtime;
  const int64_t font = FontLoad(1, u"Arial", 80, CV_Font_HighQuality);
  const char16_t* text = kScriptLabels[state.range(0)];
  for (auto _ : state) {
    runtime.Begin();
    DrawLabel(font, 2, text);
    DrawingEnd();
  }
  benchmark::DoNotOptimize(runtime.pixels.data());
}

// A series draws a new number on every frame: the label is shaped once per frame. This measures
// that shaping alone (a new text each time, never found in the cache).
void ShapeNewLabel(benchmark::State& state) {
  Runtime runtime;
  runtime.Begin();
  DrawingSetFont(FontLoad(1, u"Arial", 80, CV_Font_HighQuality));
  std::u16string text = kScriptLabels[state.range(0)];
  text.resize(text.size() - 2);
  // Six digits: a million labels before one comes again, far more than the cache keeps.
  int64_t number = 0;
  for (auto _ : state) {
    std::u16string label = text;
    for (int64_t rest = number++ % 1000000, digit = 0; digit < 6; ++digit, rest /= 10) {
      label.push_back(static_cast<char16_t>(u'0' + rest % 10));
    }
    benchmark::DoNotOptimize(DrawTextWidth(label.c_str()));
  }
  DrawingEnd();
}

BENCHMARK(OutlineLabel)->Arg(2)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(OutlineAtOnce)->Arg(2)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(LabelFreshGlyphs)->Unit(benchmark::kMillisecond);
BENCHMARK(ScriptLabel)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(ShapeNewLabel)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return RunWithRatios(argc, argv, {{"OutlineLabel/2", "OutlineLabel/0"}, {"OutlineAtOnce/2", "OutlineLabel/2"},
                                    {"OutlineAtOnce/10", "OutlineLabel/0"}, {"LabelFreshGlyphs", "OutlineLabel/0"},
                                    {"ScriptLabel/1", "ScriptLabel/0"}, {"ScriptLabel/2", "ScriptLabel/0"},
                                    {"ShapeNewLabel/1", "ShapeNewLabel/0"}, {"ShapeNewLabel/2", "ShapeNewLabel/0"}});
}
