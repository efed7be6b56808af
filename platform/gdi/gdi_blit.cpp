// Blits: BitBlt and StretchBlt with ternary raster operations and the four stretch modes
// (HALFTONE averages the source area under each target pixel; the others pick pixels or AND/OR
// the ones they drop), and msimg32's AlphaBlend with constant and per-pixel premultiplied alpha.
// Monochrome device bitmaps take the DCs' text and background colours, as on Windows.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "gdi_objects.h"
#include "kernel.h"

namespace platform {
namespace {

// One source pixel contributing to a target pixel along one axis.
struct Tap {
  LONG index;
  float weight;
};

// For each target position along one axis, the source positions it draws from. Target positions
// whose source lies wholly outside the source bounds draw nothing and are cut off the ends.
struct AxisMap {
  LONG first = 0;  // first and one past the last target position (relative) that has taps
  LONG last = 0;
  std::vector<uint32_t> start;  // taps of position p: [start[p - first], start[p - first + 1])
  std::vector<Tap> taps;
  LONG minIndex = 0;  // the source range all taps fall in
  LONG maxIndex = -1;
};

// Maps `count` target positions onto the source span [origin, origin + span) (mirrored when
// `flip`), limited to [low, high); `from`/`to` restrict the target positions to the clipped part.
AxisMap MapAxis(LONG count, LONG from, LONG to, bool flip, double origin, double span, LONG low, LONG high, int mode) {
  AxisMap map;
  const double ratio = span / count;
  const bool same = span == count;
  map.first = to;
  map.last = from;
  map.minIndex = high;
  map.maxIndex = low - 1;
  for (LONG p = from; p < to; ++p) {
    const LONG q = flip ? count - 1 - p : p;
    const size_t begin = map.taps.size();
    const double a = origin + q * ratio, b = origin + (q + 1) * ratio;
    // The source pixels under [a, b), cut to the source bounds before any loop runs over them.
    const LONG kFirst = static_cast<LONG>(std::clamp(std::floor(a), double(low), double(high)));
    const LONG kEnd = static_cast<LONG>(std::clamp(std::ceil(b), double(low), double(high)));
    if (same) {
      const int64_t k = static_cast<int64_t>(origin) + q;
      if (k >= low && k < high) map.taps.push_back({static_cast<LONG>(k), 1.0f});
    } else if (mode == HALFTONE) {
      double total = 0;
      for (LONG k = kFirst; k < kEnd; ++k) {
        const double cover = std::min(b, k + 1.0) - std::max(a, static_cast<double>(k));
        if (cover <= 0) continue;
        map.taps.push_back({k, static_cast<float>(cover)});
        total += cover;
      }
      for (size_t i = begin; i < map.taps.size(); ++i) map.taps[i].weight = static_cast<float>(map.taps[i].weight / total);
    } else if (mode != COLORONCOLOR && ratio > 1) {
      // Shrinking with AND or OR: every dropped pixel takes part.
      for (LONG k = kFirst; k < kEnd; ++k) map.taps.push_back({k, 1.0f});
    } else {
      const double k = std::floor(origin + (q + 0.5) * ratio);
      if (k >= low && k < high) map.taps.push_back({static_cast<LONG>(k), 1.0f});
    }
    if (map.taps.size() == begin) {
      if (p < map.first) continue;  // nothing yet: the mapped part starts later
      break;                        // the mapping is monotonic: nothing further maps inside
    }
    if (p < map.first) map.first = p;
    map.last = p + 1;
    map.start.push_back(static_cast<uint32_t>(begin));
    for (size_t i = begin; i < map.taps.size(); ++i) {
      map.minIndex = std::min(map.minIndex, map.taps[i].index);
      map.maxIndex = std::max(map.maxIndex, map.taps[i].index);
    }
  }
  map.start.push_back(static_cast<uint32_t>(map.taps.size()));
  if (map.last <= map.first) map.first = map.last = from;
  return map;
}

uint8_t Channel(Pixel p, int c) { return static_cast<uint8_t>(p >> (8 * c)); }

// Produces the resampled source pixels of one target row, for the target columns of `columns`.
class Resampler {
 public:
  Resampler(const GdiBitmap& source, const AxisMap& columns, int mode, bool mapMono, MonoColours mono)
      : source_(source), columns_(columns), mode_(mode), mapMono_(mapMono), mono_(mono),
        row_(static_cast<size_t>(std::max<LONG>(0, columns.maxIndex - columns.minIndex + 1))),
        sums_(static_cast<size_t>(columns.last - columns.first) * 4) {}

  void Row(const Tap* rowTaps, size_t rowTapCount, Pixel* out) {
    const LONG n = columns_.last - columns_.first;
    const bool average = mode_ == HALFTONE;
    const bool orScans = mode_ == WHITEONBLACK;
    if (average) std::fill(sums_.begin(), sums_.end(), 0.0f);
    for (size_t t = 0; t < rowTapCount; ++t) {
      ReadSourceRow(rowTaps[t].index);
      for (LONG c = 0; c < n; ++c) {
        const Tap* tap = columns_.taps.data() + columns_.start[c];
        const Tap* end = columns_.taps.data() + columns_.start[c + 1];
        if (average) {
          float* sum = &sums_[static_cast<size_t>(c) * 4];
          for (; tap != end; ++tap) {
            const Pixel p = row_[tap->index - columns_.minIndex];
            const float w = tap->weight * rowTaps[t].weight;
            for (int k = 0; k < 4; ++k) sum[k] += w * Channel(p, k);
          }
          continue;
        }
        Pixel combined = row_[tap->index - columns_.minIndex];
        for (++tap; tap != end; ++tap) {
          const Pixel p = row_[tap->index - columns_.minIndex];
          combined = orScans ? combined | p : combined & p;
        }
        if (t == 0) out[c] = combined;
        else out[c] = orScans ? out[c] | combined : out[c] & combined;
      }
    }
    if (!average) return;
    for (LONG c = 0; c < n; ++c) {
      Pixel p = 0;
      for (int k = 0; k < 4; ++k) {
        const int v = static_cast<int>(sums_[static_cast<size_t>(c) * 4 + k] + 0.5f);
        p |= static_cast<Pixel>(std::clamp(v, 0, 255)) << (8 * k);
      }
      out[c] = p;
    }
  }

 private:
  void ReadSourceRow(LONG y) {
    const LONG count = columns_.maxIndex - columns_.minIndex + 1;
    PixelRowRead(source_.view, y, columns_.minIndex, count, row_.data());
    if (!mapMono_) return;
    const Pixel foreground = PixelFromColour(mono_.foreground), background = PixelFromColour(mono_.background);
    for (LONG i = 0; i < count; ++i) row_[i] = (row_[i] & 0xFFFFFF) ? background : foreground;
  }

  const GdiBitmap& source_;
  const AxisMap& columns_;
  int mode_;
  bool mapMono_;
  MonoColours mono_;
  std::vector<Pixel> row_;
  std::vector<float> sums_;
};

uint32_t Rop3(uint32_t code, uint32_t p, uint32_t s, uint32_t d) {
  switch (code) {
    case 0x00: return 0;
    case 0xFF: return ~0u;
    case 0xCC: return s;
    case 0x33: return ~s;
    case 0x88: return s & d;
    case 0xEE: return s | d;
    case 0x66: return s ^ d;
    case 0x55: return ~d;
    case 0xF0: return p;
    case 0x5A: return p ^ d;
    default: break;
  }
  uint32_t result = 0;
  for (int i = 0; i < 8; ++i) {
    if (!(code & (1u << i))) continue;
    result |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return result;
}

bool RopUsesSource(DWORD rop) { return (((rop >> 2) ^ rop) & 0x00330000) != 0; }

uint32_t RawMask(WORD bitsPixel) {
  switch (bitsPixel) {
    case 32: return ~0u;
    case 24: return 0xFFFFFF;
    case 16: return 0x7FFF;
    default: return (1u << bitsPixel) - 1;
  }
}

// The bitmap to read from: the source itself, or a copy of it (kept alive by `copy`) when it is
// the bitmap being written, so that overlapping rectangles read the original pixels. Null when
// the copy cannot be made.
const GdiBitmap* Unaliased(const GdiBitmap* source, const GdiTarget& target, std::shared_ptr<GdiBitmap>& copy) {
  if (source != target.bitmap) return source;
  copy = GdiBitmapCopy(*source, source->view.bitsPixel);
  return copy.get();
}

// A target rectangle in logical coordinates, normalised (mirroring noted) and clipped.
struct Placement {
  int64_t x0, y0;      // unclipped top-left in bitmap coordinates
  LONG width, height;  // normalised sizes
  bool flipX, flipY;
  LONG fromX, toX, fromY, toY;  // clipped part, relative to x0, y0
};

bool Place(const GdiTarget& target, int x, int y, int width, int height, Placement& out) {
  out.flipX = width < 0;
  out.flipY = height < 0;
  // INT_MIN has no positive counterpart: such a rectangle draws nothing.
  if (width == 0 || height == 0 || width == INT_MIN || height == INT_MIN) return false;
  out.width = std::abs(width);
  out.height = std::abs(height);
  out.x0 = int64_t{x} + (width < 0 ? width : 0) + target.origin.x;
  out.y0 = int64_t{y} + (height < 0 ? height : 0) + target.origin.y;
  out.fromX = static_cast<LONG>(std::clamp<int64_t>(target.clip.left - out.x0, 0, out.width));
  out.toX = static_cast<LONG>(std::clamp<int64_t>(target.clip.right - out.x0, 0, out.width));
  out.fromY = static_cast<LONG>(std::clamp<int64_t>(target.clip.top - out.y0, 0, out.height));
  out.toY = static_cast<LONG>(std::clamp<int64_t>(target.clip.bottom - out.y0, 0, out.height));
  return out.fromX < out.toX && out.fromY < out.toY;
}

}  // namespace

bool GdiBlit(GdiDc& dest, int x, int y, int width, int height, const GdiBitmap* source, int sourceX, int sourceY,
             int sourceWidth, int sourceHeight, DWORD rop, MonoColours sourceMono, COLORREF destMonoBackground) {
  GdiTarget target = GdiDcTarget(dest);
  if (target.bitmap == nullptr) return false;
  const bool usesSource = RopUsesSource(rop);
  if (usesSource && source == nullptr) return false;
  Placement place;
  if (!Place(target, x, y, width, height, place)) return true;
  const PixelView& out = target.bitmap->view;
  const uint32_t code = (rop >> 16) & 0xFF;
  const uint32_t mask = RawMask(out.bitsPixel);
  uint32_t pattern = 0;
  if (auto* brush = dynamic_cast<GdiBrush*>(dest.selected[OBJ_BRUSH].get()); brush && brush->style != BS_NULL)
    pattern = PixelToRaw(out, PixelFromColour(brush->colour));

  if (!usesSource) {
    for (LONG r = place.fromY; r < place.toY; ++r) {
      uint8_t* row = out.Row(static_cast<LONG>(place.y0 + r));
      for (LONG c = place.fromX; c < place.toX; ++c) {
        const LONG px = static_cast<LONG>(place.x0 + c);
        PixelRawSet(out, row, px, Rop3(code, pattern, 0, PixelRawGet(out, row, px)) & mask);
      }
    }
    return true;
  }

  std::shared_ptr<GdiBitmap> copy;
  source = Unaliased(source, target, copy);
  if (source == nullptr) return false;
  const bool flipX = place.flipX != (sourceWidth < 0);
  const bool flipY = place.flipY != (sourceHeight < 0);
  const auto trueColour = [](WORD bits) { return bits == 24 || bits == 32; };
  const bool sameFormat = source->view.bitsPixel == out.bitsPixel && out.bitsPixel >= 16;
  if (code == 0xCC && !flipX && !flipY && sourceWidth == place.width && sourceHeight == place.height &&
      (sameFormat || (trueColour(source->view.bitsPixel) && trueColour(out.bitsPixel)))) {
    // A plain copy: whole rows of bytes between bitmaps of one format, a row conversion between
    // 24 and 32 bits (a 24-bit canvas shown in a 32-bit window) - what resampling 1:1 would give.
    const int64_t fromX = std::max<int64_t>(place.fromX, -int64_t{sourceX});
    const int64_t toX = std::min<int64_t>(place.toX, int64_t{source->view.width} - sourceX);
    const int64_t fromY = std::max<int64_t>(place.fromY, -int64_t{sourceY});
    const int64_t toY = std::min<int64_t>(place.toY, int64_t{source->view.height} - sourceY);
    const size_t bytes = static_cast<size_t>(toX - fromX) * (out.bitsPixel / 8);
    std::vector<Pixel> converted(sameFormat ? 0 : static_cast<size_t>(std::max<int64_t>(toX - fromX, 0)));
    for (int64_t r = fromY; fromX < toX && r < toY; ++r) {
      if (!sameFormat) {
        const LONG count = static_cast<LONG>(toX - fromX);
        PixelRowRead(source->view, static_cast<LONG>(sourceY + r), static_cast<LONG>(sourceX + fromX), count, converted.data());
        PixelRowWrite(out, static_cast<LONG>(place.y0 + r), static_cast<LONG>(place.x0 + fromX), count, converted.data());
        continue;
      }
      std::memcpy(out.Row(static_cast<LONG>(place.y0 + r)) + (place.x0 + fromX) * (out.bitsPixel / 8),
                  source->view.Row(static_cast<LONG>(sourceY + r)) + (sourceX + fromX) * (out.bitsPixel / 8), bytes);
    }
    return true;
  }
  const double sx = sourceWidth < 0 ? double(sourceX) + sourceWidth : sourceX;
  const double sy = sourceHeight < 0 ? double(sourceY) + sourceHeight : sourceY;
  const double sw = std::abs(double(sourceWidth)), sh = std::abs(double(sourceHeight));
  if (sw == 0 || sh == 0) return true;
  const int mode = dest.stretchMode;
  AxisMap columns = MapAxis(place.width, place.fromX, place.toX, flipX, sx, sw, 0, source->view.width, mode);
  AxisMap rows = MapAxis(place.height, place.fromY, place.toY, flipY, sy, sh, 0, source->view.height, mode);
  if (columns.first >= columns.last || rows.first >= rows.last) return true;

  const bool destMono = target.bitmap->Monochrome();
  const bool monoSource = source->Monochrome();
  Resampler resampler(*source, columns, mode, monoSource && !destMono, sourceMono);
  const LONG n = columns.last - columns.first;
  std::vector<Pixel> pixels(static_cast<size_t>(n));
  const Pixel monoBackground = PixelFromColour(destMonoBackground);
  const bool plainCopy = code == 0xCC && !destMono;
  for (LONG r = rows.first; r < rows.last; ++r) {
    const size_t i = static_cast<size_t>(r - rows.first);
    resampler.Row(rows.taps.data() + rows.start[i], rows.start[i + 1] - rows.start[i], pixels.data());
    const LONG outY = static_cast<LONG>(place.y0 + r);
    const LONG outX = static_cast<LONG>(place.x0 + columns.first);
    if (plainCopy) {
      PixelRowWrite(out, outY, outX, n, pixels.data());
      continue;
    }
    uint8_t* row = out.Row(outY);
    for (LONG c = 0; c < n; ++c) {
      uint32_t s;
      if (destMono && !monoSource) s = (pixels[c] & 0xFFFFFF) == monoBackground ? 1 : 0;
      else s = PixelToRaw(out, pixels[c]);
      PixelRawSet(out, row, outX + c, Rop3(code, pattern, s, PixelRawGet(out, row, outX + c)) & mask);
    }
  }
  return true;
}

bool GdiAlphaBlend(GdiDc& dest, int x, int y, int width, int height, const GdiBitmap& source, int sourceX, int sourceY,
                   int sourceWidth, int sourceHeight, BLENDFUNCTION blend) {
  const bool perPixel = blend.AlphaFormat == AC_SRC_ALPHA;
  // What AlphaBlend refuses: other operations, mirrored or negative sizes, a source rectangle
  // reaching outside the source, per-pixel alpha from a bitmap without an alpha channel.
  if (blend.BlendOp != AC_SRC_OVER || blend.BlendFlags != 0 || (blend.AlphaFormat & ~AC_SRC_ALPHA) || width < 0 ||
      height < 0 || sourceWidth < 0 || sourceHeight < 0 || sourceX < 0 || sourceY < 0 ||
      int64_t{sourceX} + sourceWidth > source.view.width || int64_t{sourceY} + sourceHeight > source.view.height ||
      (perPixel && source.view.bitsPixel != 32))
    return false;
  GdiTarget target = GdiDcTarget(dest);
  if (target.bitmap == nullptr) return false;
  Placement place;
  if (!Place(target, x, y, width, height, place) || sourceWidth == 0 || sourceHeight == 0) return true;
  std::shared_ptr<GdiBitmap> copy;
  const GdiBitmap* from = Unaliased(&source, target, copy);
  if (from == nullptr) return false;
  const int mode = dest.stretchMode == HALFTONE ? HALFTONE : COLORONCOLOR;
  AxisMap columns = MapAxis(place.width, place.fromX, place.toX, false, sourceX, sourceWidth, 0, from->view.width, mode);
  AxisMap rows = MapAxis(place.height, place.fromY, place.toY, false, sourceY, sourceHeight, 0, from->view.height, mode);
  if (columns.first >= columns.last || rows.first >= rows.last) return true;
  Resampler resampler(*from, columns, mode, false, MonoColours{});
  const LONG n = columns.last - columns.first;
  std::vector<Pixel> pixels(static_cast<size_t>(n)), under(static_cast<size_t>(n));
  const uint32_t constant = blend.SourceConstantAlpha;
  const PixelView& out = target.bitmap->view;
  for (LONG r = rows.first; r < rows.last; ++r) {
    const size_t i = static_cast<size_t>(r - rows.first);
    resampler.Row(rows.taps.data() + rows.start[i], rows.start[i + 1] - rows.start[i], pixels.data());
    const LONG outY = static_cast<LONG>(place.y0 + r);
    const LONG outX = static_cast<LONG>(place.x0 + columns.first);
    PixelRowRead(out, outY, outX, n, under.data());
    for (LONG c = 0; c < n; ++c) {
      Pixel result = 0;
      if (perPixel) {
        // The source is premultiplied: scale it by the constant alpha, then source over target.
        uint32_t s[4];
        for (int k = 0; k < 4; ++k) s[k] = (Channel(pixels[c], k) * constant + 127) / 255;
        for (int k = 0; k < 4; ++k) {
          const uint32_t v = s[k] + (Channel(under[c], k) * (255 - s[3]) + 127) / 255;
          result |= std::min<uint32_t>(v, 255) << (8 * k);
        }
      } else {
        for (int k = 0; k < 4; ++k) {
          const uint32_t v = (Channel(pixels[c], k) * constant + Channel(under[c], k) * (255 - constant) + 127) / 255;
          result |= v << (8 * k);
        }
      }
      under[c] = result;
    }
    PixelRowWrite(out, outY, outX, n, under.data());
  }
  return true;
}

}  // namespace platform

using namespace platform;

BOOL StretchBlt(HDC destHandle, int x, int y, int width, int height, HDC sourceHandle, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, DWORD rop) {
  auto dest = GdiHandleAs<GdiDc>(destHandle);
  if (!dest) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::shared_ptr<GdiDc> source;
  GdiTarget from;
  if (RopUsesSource(rop)) {
    source = GdiHandleAs<GdiDc>(sourceHandle);
    if (source) from = GdiDcTarget(*source);
    if (from.bitmap == nullptr) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  // Monochrome sources take the target DC's colours; colour pixels become 1 in a monochrome
  // target where they equal the source DC's background colour.
  const MonoColours mono{dest->textColour, dest->backColour};
  const COLORREF monoBackground = source ? source->backColour : 0xFFFFFF;
  const bool done = GdiBlit(*dest, x, y, width, height, from.bitmap, sourceX + from.origin.x, sourceY + from.origin.y,
                            sourceWidth, sourceHeight, rop, mono, monoBackground);
  return done ? TRUE : FALSE;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop) {
  return StretchBlt(dest, x, y, width, height, source, sourceX, sourceY, width, height, rop);
}

BOOL AlphaBlend(HDC destHandle, int x, int y, int width, int height, HDC sourceHandle, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, BLENDFUNCTION blend) {
  auto dest = GdiHandleAs<GdiDc>(destHandle);
  auto source = GdiHandleAs<GdiDc>(sourceHandle);
  GdiTarget from;
  if (source) from = GdiDcTarget(*source);
  if (!dest || from.bitmap == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!GdiAlphaBlend(*dest, x, y, width, height, *from.bitmap, sourceX + from.origin.x, sourceY + from.origin.y,
                     sourceWidth, sourceHeight, blend)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}
