// The text blend: each pixel of the rendered text gives a coverage per channel, with which the
// front colour is mixed over the back colour (opaque text) or over the target (transparent
// text), in every drawing mode: custom filter, XOR, all channels, the plain modes, alpha blend
// and alpha clip (front over back over target), and alpha channel only.
#include <algorithm>

#include "drawing.h"
#include "drawing_text.h"

namespace {

struct Rgba {
  int32_t r, g, b, a;
};

Rgba Plain(uint32_t colour) {
  return Rgba{static_cast<int32_t>(colour & 0xFF), static_cast<int32_t>((colour >> 8) & 0xFF),
              static_cast<int32_t>((colour >> 16) & 0xFF), static_cast<int32_t>(colour >> 24)};
}

// Coverage of each channel (B, G, R order, as the pixels hold them) and their grey mean.
struct Coverage {
  int32_t c[3];
  int32_t sum;
};

// Lays `colour` over a 4-byte target pixel with a coverage per channel (t: B, G, R, A), weighted
// by the target's alpha; alpha blend then raises the target's alpha by the grey coverage.
void Over4(uint8_t* t, const int32_t colour[3], const int32_t cover[3], int32_t grey, bool updateAlpha) {
  const int32_t ta = t[3];
  for (int i = 0; i < 3; ++i) {
    const int32_t k = ta < 192 ? grey : cover[i];
    if (k == 0) continue;
    if (ta == 0) {
      t[i] = static_cast<uint8_t>(colour[i]);
      continue;
    }
    const int64_t weight = int64_t{k} * 255 + int64_t{255 - k} * ta;
    t[i] = static_cast<uint8_t>((int64_t{colour[i]} * k * 255 + int64_t{t[i]} * (255 - k) * ta) / weight);
  }
  if (updateAlpha) t[3] = static_cast<uint8_t>((grey * 255 + (255 - grey) * ta) / 255);
}

// The front colour composited over the back colour with the text's coverage: the colour per
// channel and one alpha. The back's alpha decides between the grey and the per-channel coverage.
void FrontOverBack(const Coverage& s, const Rgba& f, const Rgba& b, int32_t colour[3], int32_t* alpha) {
  const int32_t grey = s.sum * f.a / 765;
  const int32_t front[3] = {f.b, f.g, f.r}, back[3] = {b.b, b.g, b.r};
  for (int i = 0; i < 3; ++i) {
    const int32_t k = b.a < 192 ? grey : s.c[i] * f.a / 255;
    const int64_t weight = int64_t{k} * 255 + int64_t{255 - k} * b.a;
    colour[i] = weight == 0 ? back[i]
                            : static_cast<int32_t>((int64_t{front[i]} * k * 255 + int64_t{back[i]} * (255 - k) * b.a) / weight);
  }
  *alpha = (grey * 255 + (255 - grey) * b.a) / 255;
}

void BlendPixel(DrawingContext* context, uint8_t* t, const Coverage& s, const Rgba& f, const Rgba& b, int64_t x,
                int64_t y, bool opaque) {
  const uint32_t mode = context->mode;
  const bool four = context->bytesPerPixel == 4;
  const int32_t front[3] = {f.b, f.g, f.r};
  if (context->custom) {
    const uint32_t source = static_cast<uint32_t>(f.r | f.g << 8 | f.b << 16) |
                            static_cast<uint32_t>(f.a * s.sum / 765) << 24;
    const uint32_t target = static_cast<uint32_t>(t[2] | t[1] << 8 | t[0] << 16) | static_cast<uint32_t>(four ? t[3] : 255) << 24;
    const uint32_t result = context->customFilter(x, y, source, target);
    t[0] = static_cast<uint8_t>(result >> 16);
    t[1] = static_cast<uint8_t>(result >> 8);
    t[2] = static_cast<uint8_t>(result);
    if (four) t[3] = static_cast<uint8_t>(result >> 24);
    return;
  }
  if (mode & DrawModeXor) {
    if (s.sum * 2 > 765) {
      for (int i = 0; i < 3; ++i) t[i] ^= static_cast<uint8_t>(front[i]);
    } else if (opaque) {
      t[0] ^= static_cast<uint8_t>(b.b);
      t[1] ^= static_cast<uint8_t>(b.g);
      t[2] ^= static_cast<uint8_t>(b.r);
    }
    return;
  }
  if ((mode & DrawModeAllChannels) && four) {
    if (opaque) {
      int32_t colour[3], alpha;
      FrontOverBack(s, f, b, colour, &alpha);
      const int32_t cover[3] = {alpha, alpha, alpha};
      Over4(t, colour, cover, alpha, true);
    } else {
      // Every channel, alpha included, takes the front colour as far as the text covers it.
      for (int i = 0; i < 3; ++i) t[i] = static_cast<uint8_t>(DrawingDiv255(front[i] * s.c[i] + t[i] * (255 - s.c[i])));
      t[3] = static_cast<uint8_t>((f.a * s.sum + t[3] * (765 - s.sum)) / 765);
    }
    return;
  }
  if (!(mode & (DrawModeAlphaChannel | DrawModeAlphaBlend | DrawModeAlphaClip))) {
    const int32_t back[3] = {b.b, b.g, b.r};
    for (int i = 0; i < 3; ++i) {
      const int32_t under = opaque ? back[i] : t[i];
      t[i] = static_cast<uint8_t>(DrawingDiv255(front[i] * s.c[i] + under * (255 - s.c[i])));
    }
    return;
  }
  if (mode & (DrawModeAlphaBlend | DrawModeAlphaClip)) {
    const bool updateAlpha = (mode & DrawModeAlphaBlend) != 0;
    if (opaque) {
      int32_t colour[3], alpha;
      FrontOverBack(s, f, b, colour, &alpha);
      if (four) {
        const int32_t cover[3] = {alpha, alpha, alpha};
        Over4(t, colour, cover, alpha, updateAlpha);
      } else {
        for (int i = 0; i < 3; ++i) t[i] = static_cast<uint8_t>(DrawingDiv255(colour[i] * alpha + t[i] * (255 - alpha)));
      }
      return;
    }
    const int32_t cover[3] = {s.c[0] * f.a / 255, s.c[1] * f.a / 255, s.c[2] * f.a / 255};
    if (four) {
      Over4(t, front, cover, s.sum * f.a / 765, updateAlpha);
    } else {
      for (int i = 0; i < 3; ++i) t[i] = static_cast<uint8_t>(DrawingDiv255(front[i] * cover[i] + t[i] * (255 - cover[i])));
    }
    return;
  }
  // Alpha channel only; 3-byte targets have none to write.
  if (four) {
    const int32_t under = opaque ? b.a : t[3];
    t[3] = static_cast<uint8_t>((under * (765 - s.sum) + f.a * s.sum) / 765);
  }
}

// The plain modes (default and transparent) in one colour: the program's own case, kept tight.
void BlendPlain(DrawingContext* context, const uint8_t* pixels, int64_t stride, int64_t sx, int64_t x0, int64_t x1,
                int64_t y0, int64_t y1, int64_t sy0, bool opaque) {
  const Rgba f = Plain(context->appliedFront), b = Plain(context->appliedBack);
  const int32_t front[3] = {f.b, f.g, f.r}, back[3] = {b.b, b.g, b.r};
  const int32_t bytes = context->bytesPerPixel;
  for (int64_t y = y0; y < y1; ++y) {
    const uint8_t* s = pixels + (sy0 + y - y0) * stride + sx * 3;
    uint8_t* t = DrawingRow(context, y) + x0 * bytes;
    for (int64_t x = x0; x < x1; ++x, s += 3, t += bytes) {
      if (!opaque && (s[0] | s[1] | s[2]) == 0) continue;
      for (int i = 0; i < 3; ++i) {
        const int32_t under = opaque ? back[i] : t[i];
        t[i] = static_cast<uint8_t>(DrawingDiv255(front[i] * s[i] + under * (255 - s[i])));
      }
    }
  }
}

}  // namespace

void DrawingTextBlend(DrawingContext* context, const uint8_t* pixels, int64_t stride, int64_t width, int64_t height,
                      int64_t x, int64_t y, bool rotated) {
  if (context == nullptr || pixels == nullptr || context->buffer == nullptr) return;
  const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(x + width, context->clipWidth);
  const int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>(y + height, context->clipHeight);
  if (x0 >= x1 || y0 >= y1) return;
  const bool opaque = !(context->mode & DrawModeTransparent) && !rotated;
  const uint32_t special = DrawModeXor | DrawModeAllChannels | DrawModeAlphaChannel | DrawModeAlphaBlend | DrawModeAlphaClip;
  if (!context->custom && !context->gradient && !(context->mode & special)) {
    BlendPlain(context, pixels, stride, x0 - x, x0, x1, y0, y1, y0 - y, opaque);
    return;
  }
  const Rgba back = Plain(context->appliedBack);
  Rgba front = Plain(context->appliedFront);
  const int32_t bytes = context->bytesPerPixel;
  for (int64_t ty = y0; ty < y1; ++ty) {
    const uint8_t* s = pixels + (ty - y) * stride + (x0 - x) * 3;
    uint8_t* t = DrawingRow(context, ty) + x0 * bytes;
    for (int64_t tx = x0; tx < x1; ++tx, s += 3, t += bytes) {
      if (context->gradient) front = Plain(DrawingGradientColorAt(context, tx, ty));
      const Coverage coverage{{s[0], s[1], s[2]}, s[0] + s[1] + s[2]};
      BlendPixel(context, t, coverage, front, back, tx, ty, opaque);
    }
  }
}
