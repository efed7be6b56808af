// Pixel formats of bitmaps and DIB buffers: reading and writing one pixel or a run of a row in
// any of the depths 1, 4, 8, 16 (5-5-5), 24 and 32, with colour tables for the palette depths,
// and the row strides of DIBs and device bitmaps.
#include <climits>

#include "gdi_objects.h"

namespace platform {
namespace {

uint32_t Expand5(uint32_t v) { return (v << 3) | (v >> 2); }

// The colour-table entry closest to a colour (exact matches first, as they are the common case).
uint32_t NearestIndex(const PixelView& view, Pixel pixel) {
  int best = 0;
  int64_t bestDistance = INT64_MAX;
  const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
  for (int i = 0; i < view.colourCount; ++i) {
    const RGBQUAD& c = view.colours[i];
    const int64_t dr = c.rgbRed - r, dg = c.rgbGreen - g, db = c.rgbBlue - b;
    const int64_t distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      best = i;
      bestDistance = distance;
      if (distance == 0) break;
    }
  }
  return static_cast<uint32_t>(best);
}

}  // namespace

int64_t DibStride(int64_t width, int bitsPixel) {
  const int64_t stride = (width * bitsPixel + 31) / 32 * 4;
  return stride > INT_MAX ? -1 : stride;
}

int64_t DeviceStride(int64_t width, int bitsPixel) {
  const int64_t stride = (width * bitsPixel + 15) / 16 * 2;
  return stride > INT_MAX ? -1 : stride;
}

uint32_t PixelRawGet(const PixelView& view, const uint8_t* row, LONG x) {
  switch (view.bitsPixel) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
      return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    case 8:
      return row[x];
    case 16:
      return row[2 * x] | (row[2 * x + 1] << 8);
    case 24:
      return row[3 * x] | (row[3 * x + 1] << 8) | (static_cast<uint32_t>(row[3 * x + 2]) << 16);
    default:
      return row[4 * x] | (row[4 * x + 1] << 8) | (static_cast<uint32_t>(row[4 * x + 2]) << 16) |
             (static_cast<uint32_t>(row[4 * x + 3]) << 24);
  }
}

void PixelRawSet(const PixelView& view, uint8_t* row, LONG x, uint32_t raw) {
  switch (view.bitsPixel) {
    case 1: {
      const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = static_cast<uint8_t>((raw & 1) ? row[x >> 3] | bit : row[x >> 3] & ~bit);
      break;
    }
    case 4:
      row[x >> 1] = static_cast<uint8_t>((x & 1) ? (row[x >> 1] & 0xF0) | (raw & 0x0F)
                                                 : (row[x >> 1] & 0x0F) | ((raw & 0x0F) << 4));
      break;
    case 8:
      row[x] = static_cast<uint8_t>(raw);
      break;
    case 16:
      row[2 * x] = static_cast<uint8_t>(raw);
      row[2 * x + 1] = static_cast<uint8_t>(raw >> 8);
      break;
    case 24:
      row[3 * x] = static_cast<uint8_t>(raw);
      row[3 * x + 1] = static_cast<uint8_t>(raw >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(raw >> 16);
      break;
    default:
      row[4 * x] = static_cast<uint8_t>(raw);
      row[4 * x + 1] = static_cast<uint8_t>(raw >> 8);
      row[4 * x + 2] = static_cast<uint8_t>(raw >> 16);
      row[4 * x + 3] = static_cast<uint8_t>(raw >> 24);
      break;
  }
}

Pixel PixelFromRaw(const PixelView& view, uint32_t raw) {
  switch (view.bitsPixel) {
    case 1:
    case 4:
    case 8: {
      if (static_cast<int>(raw) >= view.colourCount) return 0;
      const RGBQUAD& c = view.colours[raw];
      return c.rgbBlue | (c.rgbGreen << 8) | (static_cast<uint32_t>(c.rgbRed) << 16);
    }
    case 16:
      return Expand5(raw & 0x1F) | (Expand5((raw >> 5) & 0x1F) << 8) | (Expand5((raw >> 10) & 0x1F) << 16);
    case 24:
      return raw & 0xFFFFFF;
    default:
      return raw;
  }
}

uint32_t PixelToRaw(const PixelView& view, Pixel pixel) {
  switch (view.bitsPixel) {
    case 1:
    case 4:
    case 8:
      return NearestIndex(view, pixel);
    case 16:
      return ((pixel >> 3) & 0x1F) | (((pixel >> 11) & 0x1F) << 5) | (((pixel >> 19) & 0x1F) << 10);
    case 24:
      return pixel & 0xFFFFFF;
    default:
      return pixel;
  }
}

void PixelRowRead(const PixelView& view, LONG y, LONG x, LONG count, Pixel* out) {
  const uint8_t* row = view.Row(y);
  if (view.bitsPixel == 32) {
    const uint8_t* p = row + 4 * static_cast<ptrdiff_t>(x);
    for (LONG i = 0; i < count; ++i, p += 4)
      out[i] = p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    return;
  }
  if (view.bitsPixel == 24) {
    const uint8_t* p = row + 3 * static_cast<ptrdiff_t>(x);
    for (LONG i = 0; i < count; ++i, p += 3) out[i] = p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
    return;
  }
  for (LONG i = 0; i < count; ++i) out[i] = PixelFromRaw(view, PixelRawGet(view, row, x + i));
}

void PixelRowWrite(const PixelView& view, LONG y, LONG x, LONG count, const Pixel* in) {
  uint8_t* row = view.Row(y);
  if (view.bitsPixel == 32) {
    uint8_t* p = row + 4 * static_cast<ptrdiff_t>(x);
    for (LONG i = 0; i < count; ++i, p += 4) {
      p[0] = static_cast<uint8_t>(in[i]);
      p[1] = static_cast<uint8_t>(in[i] >> 8);
      p[2] = static_cast<uint8_t>(in[i] >> 16);
      p[3] = static_cast<uint8_t>(in[i] >> 24);
    }
    return;
  }
  if (view.bitsPixel == 24) {
    uint8_t* p = row + 3 * static_cast<ptrdiff_t>(x);
    for (LONG i = 0; i < count; ++i, p += 3) {
      p[0] = static_cast<uint8_t>(in[i]);
      p[1] = static_cast<uint8_t>(in[i] >> 8);
      p[2] = static_cast<uint8_t>(in[i] >> 16);
    }
    return;
  }
  for (LONG i = 0; i < count; ++i) PixelRawSet(view, row, x + i, PixelToRaw(view, in[i]));
}

}  // namespace platform
