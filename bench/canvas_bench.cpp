// One preview redraw on the canvas: a drawing opened on a 640 x 480 canvas, the whole area
// filled, and the drawing ended, which puts the picture on screen. Compared with the least that
// work can cost: the same drawing on a 640 x 480 image output followed by one block copy of the
// image into the window by hand. The ratio should stay near 1 (the canvas adds no second copy).
#include <benchmark/benchmark.h>

#include "corvid.h"
#include "input.h"
#include "ratio_reporter.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct Runtime {
  Runtime() {
    MainHeapCreate();
    StringHeapInit();
    ListInit();
    MapInit();
    DrawingBlendInit();
    ImageInit();
    DrawingInit();
    EventQueueInit();
    WindowInit();
    GadgetInit();
  }
  ~Runtime() {
    GadgetShutdown();
    WindowShutdown();
    EventQueueShutdown();
    platform::PumpMessages();
    ImageShutdown();
    DrawingShutdown();
    StringHeapShutdown();
    MainHeapDestroy();
  }
};

void Redraw(int64_t output, int64_t colour) {
  DrawingBegin(output);
  DrawBox(0, 0, kWidth, kHeight, colour);
  DrawingEnd();
}

void CanvasRedraw(benchmark::State& state) {
  Runtime runtime;
  WindowOpen(0, 0, 0, kWidth + 40, kHeight + 40, u"Preview");
  GadgetCanvasCreate(1, 10, 10, kWidth, kHeight);
  platform::PumpMessages();
  if (GadgetCanvasOutput(1) == 0) state.SkipWithError("no canvas output");
  int64_t colour = ColorRGB(200, 100, 50);
  for (auto _ : state) {
    Redraw(GadgetCanvasOutput(1), colour);
    colour ^= 0x010101;
  }
}

void ImageRedrawAndCopy(benchmark::State& state) {
  Runtime runtime;
  WindowOpen(0, 0, 0, kWidth + 40, kHeight + 40, u"Preview");
  platform::PumpMessages();
  HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(0)));
  ImageObject* record = ImageObjectNew(CV_Any);
  record->handle = ImageNewSection(kWidth, kHeight, 24);
  record->width = kWidth;
  record->height = kHeight;
  record->depth = 24;
  const int64_t image = ImageObjectId(CV_Any, record);
  if (ImageOutput(image) == 0) state.SkipWithError("no image output");
  int64_t colour = ColorRGB(200, 100, 50);
  for (auto _ : state) {
    Redraw(ImageOutput(image), colour);
    HDC target = GetDC(window);
    HDC source = CreateCompatibleDC(target);
    HGDIOBJ previous = SelectObject(source, reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(ImageHandle(image))));
    BitBlt(target, 10, 10, kWidth, kHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
    ReleaseDC(window, target);
    colour ^= 0x010101;
  }
}

BENCHMARK(CanvasRedraw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ImageRedrawAndCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return RunWithRatios(argc, argv, {{"CanvasRedraw/real_time", "ImageRedrawAndCopy/real_time"}}); }
