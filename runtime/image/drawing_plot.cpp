// The per-pixel formulas of the drawing modes and the routines built from them: the span and
// pixel routines a mode installs (resolved once per mode change, one loop per mode and pixel
// size), points in the current or a given colour, reading a pixel, and clipped runs and columns.
#include <algorithm>

#include "drawing.h"
#include "drawing_internal.h"

namespace {

// ---- the formulas: one struct per mode, applied to one pixel of B bytes ----

struct Plain {
  template <int B>
  static void Apply(DrawingContext*, uint8_t* p, const DrawingChannels& c, int32_t, int32_t) {
    p[0] = static_cast<uint8_t>(c.blue);
    p[1] = static_cast<uint8_t>(c.green);
    p[2] = static_cast<uint8_t>(c.red);
  }
};

struct Xor {
  template <int B>
  static void Apply(DrawingContext*, uint8_t* p, const DrawingChannels& c, int32_t, int32_t) {
    p[0] ^= static_cast<uint8_t>(c.blue);
    p[1] ^= static_cast<uint8_t>(c.green);
    p[2] ^= static_cast<uint8_t>(c.red);
  }
};

struct AllChannels {
  template <int B>
  static void Apply(DrawingContext*, uint8_t* p, const DrawingChannels& c, int32_t, int32_t) {
    p[0] = static_cast<uint8_t>(c.blue);
    p[1] = static_cast<uint8_t>(c.green);
    p[2] = static_cast<uint8_t>(c.red);
    if constexpr (B == 4) p[3] = static_cast<uint8_t>(c.alpha);
  }
};

// A 3-byte target has no alpha to write: the pixel stays as it is.
struct AlphaOnly {
  template <int B>
  static void Apply(DrawingContext*, uint8_t* p, const DrawingChannels& c, int32_t, int32_t) {
    if constexpr (B == 4) p[3] = static_cast<uint8_t>(c.alpha);
  }
};

// Premultiplied channels composited over the target. On 4 bytes the target's own alpha weighs
// in; `kUpdateAlpha` says whether the target alpha takes the union of both coverages.
template <bool kUpdateAlpha>
struct Blend {
  template <int B>
  static void Apply(DrawingContext*, uint8_t* p, const DrawingChannels& c, int32_t, int32_t) {
    if constexpr (B == 3) {
      p[0] = static_cast<uint8_t>(DrawingDiv255(p[0] * c.inverse + c.blue));
      p[1] = static_cast<uint8_t>(DrawingDiv255(p[1] * c.inverse + c.green));
      p[2] = static_cast<uint8_t>(DrawingDiv255(p[2] * c.inverse + c.red));
    } else {
      const int32_t a = c.alpha;
      if (a == 0) return;
      const int32_t ta = p[3];
      if (ta == 0) {
        p[0] = static_cast<uint8_t>(c.blue / a);
        p[1] = static_cast<uint8_t>(c.green / a);
        p[2] = static_cast<uint8_t>(c.red / a);
      } else {
        const int32_t weight = c.inverse * ta;
        const int32_t denominator = weight + a * 255;
        p[0] = static_cast<uint8_t>((c.blue * 255 + weight * p[0]) / denominator);
        p[1] = static_cast<uint8_t>((c.green * 255 + weight * p[1]) / denominator);
        p[2] = static_cast<uint8_t>((c.red * 255 + weight * p[2]) / denominator);
      }
      if constexpr (kUpdateAlpha) p[3] = static_cast<uint8_t>(DrawingDiv255(a * 255 + c.inverse * ta));
    }
  }
};

// Gradient and custom modes: every pixel's colour is computed first. With the custom flag the
// filter decides the result; otherwise the gradient colour goes through the mode's formula.
struct Computed {
  template <int B>
  static void Apply(DrawingContext* context, uint8_t* p, const DrawingChannels& c, int32_t x, int32_t y) {
    if (context->custom) {
      const uint32_t source = context->gradient ? DrawingGradientColorAt(context, x, y) : c.value;
      const uint32_t alpha = B == 4 ? p[3] : 255u;
      const uint32_t target = p[2] | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16 | alpha << 24;
      const uint32_t result = context->customFilter(x, y, source, target);
      p[0] = static_cast<uint8_t>(result >> 16);
      p[1] = static_cast<uint8_t>(result >> 8);
      p[2] = static_cast<uint8_t>(result);
      if constexpr (B == 4) p[3] = static_cast<uint8_t>(result >> 24);
      return;
    }
    const DrawingChannels colour =
        DrawingPrepare(context, DrawingGradientColorAt(context, x, y), context->basePremultiplied);
    context->basePixel(context, p, colour, x, y);
  }
};

template <class F, int B>
void PixelRoutine(DrawingContext* context, uint8_t* pixel, const DrawingChannels& colour, int32_t x, int32_t y) {
  F::template Apply<B>(context, pixel, colour, x, y);
}

template <class F, int B>
void SpanRoutine(DrawingContext* context, uint8_t* pixel, int32_t x, int32_t y, int32_t count) {
  const DrawingChannels colour = context->front;
  for (int32_t i = 0; i < count; ++i, pixel += B) F::template Apply<B>(context, pixel, colour, x + i, y);
}

// A plain run on 3 bytes is the hot path of the program's boxes: write the first pixel, then
// copy it along the run.
void PlainSpan3(DrawingContext* context, uint8_t* pixel, int32_t, int32_t, int32_t count) {
  const uint8_t b = static_cast<uint8_t>(context->front.blue), g = static_cast<uint8_t>(context->front.green),
                r = static_cast<uint8_t>(context->front.red);
  for (int32_t i = 0; i < count; ++i, pixel += 3) {
    pixel[0] = b;
    pixel[1] = g;
    pixel[2] = r;
  }
}

struct Routines {
  DrawingSpanRoutine span;
  DrawingPixelRoutine pixel;
};

template <class F>
Routines RoutinesFor(int bytes) {
  if (bytes == 4) return {SpanRoutine<F, 4>, PixelRoutine<F, 4>};
  return {SpanRoutine<F, 3>, PixelRoutine<F, 3>};
}

// The formula of a mode without its gradient and custom flags; *premultiplied tells whether it
// expects premultiplied channels.
Routines FormulaFor(uint32_t mode, int bytes, bool* premultiplied) {
  *premultiplied = false;
  if (mode & DrawModeXor) return RoutinesFor<Xor>(bytes);
  if (mode & DrawModeAllChannels) return RoutinesFor<AllChannels>(bytes);
  if (mode & DrawModeAlphaChannel) return RoutinesFor<AlphaOnly>(bytes);
  if (mode & (DrawModeAlphaBlend | DrawModeAlphaClip)) {
    *premultiplied = true;
    return (mode & DrawModeAlphaBlend) ? RoutinesFor<Blend<true>>(bytes) : RoutinesFor<Blend<false>>(bytes);
  }
  if (bytes == 3) return {PlainSpan3, PixelRoutine<Plain, 3>};
  return RoutinesFor<Plain>(bytes);
}

bool Inside(const DrawingContext* context, int64_t x, int64_t y) {
  return x >= 0 && y >= 0 && x < context->clipWidth && y < context->clipHeight;
}

uint8_t* PixelAt(const DrawingContext* context, int64_t x, int64_t y) {
  return DrawingRow(context, y) + x * context->bytesPerPixel;
}

}  // namespace

void DrawingSelectRoutines(DrawingContext* context) {
  const uint32_t mode = context->mode;
  const int bytes = context->bytesPerPixel;
  const Routines base = FormulaFor(mode, bytes, &context->basePremultiplied);
  context->basePixel = base.pixel;
  const Routines chosen = (mode & (DrawModeGradient | DrawModeCustom)) ? RoutinesFor<Computed>(bytes) : base;
  context->span = chosen.span;
  context->pixel = chosen.pixel;
  context->readAlpha = bytes == 4 && (mode & (DrawModeAlphaChannel | DrawModeAlphaBlend | DrawModeAlphaClip |
                                              DrawModeCustom | DrawModeAllChannels)) != 0;
}

void DrawingPlotEntry(DrawingContext* context, int64_t x, int64_t y) { DrawingPointClipped(context, x, y); }

void DrawingPlotColorEntry(DrawingContext* context, int64_t x, int64_t y, uint32_t colour) {
  if (!Inside(context, x, y)) return;
  const DrawingChannels prepared = DrawingPrepare(context, colour, context->premultiply);
  context->pixel(context, PixelAt(context, x, y), prepared, static_cast<int32_t>(x), static_cast<int32_t>(y));
}

uint32_t DrawingReadPixelEntry(DrawingContext* context, int64_t x, int64_t y) {
  if (!Inside(context, x, y)) return 0;
  const uint8_t* p = PixelAt(context, x, y);
  uint32_t colour = uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
  if (context->readAlpha) colour |= uint32_t{p[3]} << 24;
  return colour;
}

void DrawingPointClipped(DrawingContext* context, int64_t x, int64_t y) {
  if (!Inside(context, x, y)) return;
  context->pixel(context, PixelAt(context, x, y), context->front, static_cast<int32_t>(x), static_cast<int32_t>(y));
}

void DrawingSpanClipped(DrawingContext* context, int64_t x1, int64_t x2, int64_t y) {
  if (y < 0 || y >= context->clipHeight) return;
  if (x1 > x2) std::swap(x1, x2);
  x1 = std::max<int64_t>(x1, 0);
  x2 = std::min<int64_t>(x2, int64_t{context->clipWidth} - 1);
  if (x2 < x1) return;
  context->span(context, PixelAt(context, x1, y), static_cast<int32_t>(x1), static_cast<int32_t>(y),
                static_cast<int32_t>(x2 - x1 + 1));
}

void DrawingColumnClipped(DrawingContext* context, int64_t x, int64_t y1, int64_t y2) {
  if (x < 0 || x >= context->clipWidth) return;
  if (y1 > y2) std::swap(y1, y2);
  y1 = std::max<int64_t>(y1, 0);
  y2 = std::min<int64_t>(y2, int64_t{context->clipHeight} - 1);
  for (int64_t y = y1; y <= y2; ++y)
    context->pixel(context, PixelAt(context, x, y), context->front, static_cast<int32_t>(x), static_cast<int32_t>(y));
}
