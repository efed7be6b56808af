// Gradients and custom filters: the gradient colour of a pixel from the position routine and
// the stop list, managing the stops, and the program's position and filter routines with
// their defaults.
#include <cmath>
#include <cstring>

#include "drawing.h"
#include "drawing_internal.h"
#include "heap.h"

namespace {

struct Rgba {
  double red, green, blue, alpha;
};

Rgba FromColour(uint32_t colour) {
  return {static_cast<double>(colour & 0xFF), static_cast<double>((colour >> 8) & 0xFF),
          static_cast<double>((colour >> 16) & 0xFF), static_cast<double>(colour >> 24)};
}

Rgba FromStop(const DrawingGradientStop& stop) {
  return {static_cast<double>(stop.red), static_cast<double>(stop.green), static_cast<double>(stop.blue),
          static_cast<double>(stop.alpha)};
}

// `to` at share t, `from` at 1 - t, each channel truncated.
uint32_t Mix(const Rgba& from, const Rgba& to, double t) {
  auto channel = [t](double a, double b) {
    const double value = b * t + a * (1.0 - t);
    return static_cast<uint32_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
  };
  return channel(from.red, to.red) | channel(from.green, to.green) << 8 | channel(from.blue, to.blue) << 16 |
         channel(from.alpha, to.alpha) << 24;
}

}  // namespace

double DrawingDefaultGradient(int64_t, int64_t) { return 1.0; }

uint32_t DrawingDefaultCustom(int64_t, int64_t, uint32_t, uint32_t target) { return target; }

uint32_t DrawingGradientColorAt(DrawingContext* context, int64_t x, int64_t y) {
  double d = context->gradientPosition(x, y);
  if (!(d >= 0.0)) d = 0.0;  // NaN included
  if (d > 1.0) d = 1.0;
  const Rgba front = FromColour(context->appliedFront), back = FromColour(context->backColor);
  const int32_t count = context->gradientStopCount;
  if (count == 0) return Mix(back, front, d);
  const DrawingGradientStop* stops = context->gradientStops;
  int32_t next = 0;
  while (next < count && !(stops[next].position > d)) ++next;
  if (next == 0) return Mix(back, FromStop(stops[0]), d / stops[0].position);
  const DrawingGradientStop& before = stops[next - 1];
  if (next == count) {
    if (before.position >= 1.0) return Mix(FromStop(before), FromStop(before), 0.0);
    return Mix(FromStop(before), front, (d - before.position) / (1.0 - before.position));
  }
  const DrawingGradientStop& after = stops[next];
  return Mix(FromStop(before), FromStop(after), (d - before.position) / (after.position - before.position));
}

void DrawingGradientRelease(DrawingContext* context) {
  if (context->gradientStops != nullptr) MainHeapFree(context->gradientStops);
  context->gradientStops = nullptr;
  context->gradientStopCount = 0;
  context->gradientStopCapacity = 0;
}

// ---- program operations ----

void DrawingGradientColor(double position, int64_t colour) {
  DrawingContext* context = DrawingCurrent();
  if (context == nullptr) return;
  if (!(position >= 0.0)) position = 0.0;
  if (position > 1.0) position = 1.0;
  if (context->gradientStopCount == context->gradientStopCapacity) {
    const int32_t capacity = context->gradientStopCapacity == 0 ? 8 : context->gradientStopCapacity * 2;
    auto* grown = static_cast<DrawingGradientStop*>(MainHeapAlloc(sizeof(DrawingGradientStop) * capacity));
    if (grown == nullptr) return;
    if (context->gradientStopCount > 0)
      std::memcpy(grown, context->gradientStops, sizeof(DrawingGradientStop) * context->gradientStopCount);
    if (context->gradientStops != nullptr) MainHeapFree(context->gradientStops);
    context->gradientStops = grown;
    context->gradientStopCapacity = capacity;
  }
  // After every stop at the same or a lower position, so that stops keep their order of adding.
  DrawingGradientStop* stops = context->gradientStops;
  int32_t at = context->gradientStopCount;
  while (at > 0 && stops[at - 1].position > position) {
    stops[at] = stops[at - 1];
    --at;
  }
  const auto value = static_cast<uint32_t>(colour);
  stops[at] = DrawingGradientStop{position, static_cast<int32_t>(value & 0xFF), static_cast<int32_t>((value >> 8) & 0xFF),
                                  static_cast<int32_t>((value >> 16) & 0xFF), static_cast<int32_t>(value >> 24)};
  ++context->gradientStopCount;
}

void DrawingResetGradientColors() {
  if (DrawingContext* context = DrawingCurrent()) DrawingGradientRelease(context);
}

void DrawingSetGradientRoutine(DrawingGradientRoutine routine) {
  if (DrawingContext* context = DrawingCurrent())
    context->gradientPosition = routine != nullptr ? routine : DrawingDefaultGradient;
}

void DrawingSetCustomFilter(DrawingCustomRoutine routine) {
  if (DrawingContext* context = DrawingCurrent())
    context->customFilter = routine != nullptr ? routine : DrawingDefaultCustom;
}
