// The outline of a text: the text stamped in one colour at every offset of the square of
// (2 border + 1)^2 positions around its place, drawn in one pass. The glyphs are rendered once;
// each pixel then takes what the stamps would have left there: the colour itself where any stamp
// covers it fully, otherwise the same integer blends the stamps make, in their order, over the
// stamps that reach it partly. So the time is bounded by the area and the rendered text, however
// wide the border.
#include <algorithm>
#include <vector>

#include "drawing.h"
#include "drawing_internal.h"
#include "drawing_text.h"
#include "font.h"
#include "text.h"

namespace {

// The part of the text that can be rendered for one outline, in pixels: beyond it only the
// stamps nearest the area are kept (a text tens of thousands of pixels wide with a border as
// wide, nothing a label needs).
constexpr int64_t kMaxRenderedPixels = int64_t{1} << 25;

// A half-open range of text columns or rows.
struct Range {
  int64_t lo, hi;
  int64_t Size() const { return hi - lo; }
};

// The columns (or rows) of a text cell [0, extent) that stamps placed from position - reach to
// position + reach bring into an area of `size` pixels.
Range Reach(int64_t position, int64_t reach, int64_t extent, int64_t size) {
  return Range{std::max<int64_t>(0, -(position + reach)), std::min<int64_t>(extent, size - (position - reach))};
}

// A rendered pixel that some channel covers partly; the row is the scratch's.
struct Partial {
  int64_t row;
  uint8_t cover[3];  // B, G, R
};

bool Full(const uint8_t* s) { return (s[0] & s[1] & s[2]) == 255; }
bool Ink(const uint8_t* s) { return (s[0] | s[1] | s[2]) != 0; }

// The rendered text with, per scratch column, its partly covered pixels in row order, and per
// column the count of full and of partial pixels among the rows currently in the window.
class Mask {
 public:
  Mask(const TextScratch& scratch, int64_t width, int64_t height)
      : scratch_(scratch), width_(width), start_(width + 1, 0), full_(width, 0), partial_(width, 0),
        fullPrefix_(width + 1, 0), partialPrefix_(width + 1, 0) {
    for (int64_t r = 0; r < height; ++r) {
      const uint8_t* s = Row(r);
      for (int64_t c = 0; c < width; ++c, s += 3) {
        if (Ink(s) && !Full(s)) ++start_[c + 1];
      }
    }
    for (int64_t c = 0; c < width; ++c) start_[c + 1] += start_[c];
    entries_.resize(static_cast<size_t>(start_[width]));
    std::vector<int64_t> next(start_.begin(), start_.end() - 1);
    for (int64_t r = 0; r < height; ++r) {
      const uint8_t* s = Row(r);
      for (int64_t c = 0; c < width; ++c, s += 3) {
        if (Ink(s) && !Full(s)) entries_[static_cast<size_t>(next[c]++)] = Partial{r, {s[0], s[1], s[2]}};
      }
    }
  }

  // Moves the window of rows to [lo, hi); both ends only ever move down.
  void SlideTo(int64_t lo, int64_t hi) {
    hi = std::max(hi, lo);
    for (int64_t r = loRow_; r < std::min(lo, hiRow_); ++r) Count(r, -1);
    for (int64_t r = std::max(hiRow_, lo); r < hi; ++r) Count(r, +1);
    loRow_ = lo;
    hiRow_ = hi;
    for (int64_t c = 0; c < width_; ++c) {
      fullPrefix_[c + 1] = fullPrefix_[c] + full_[c];
      partialPrefix_[c + 1] = partialPrefix_[c] + partial_[c];
    }
  }

  bool AnyFull(int64_t c0, int64_t c1) const { return fullPrefix_[c1] > fullPrefix_[c0]; }
  bool AnyPartial(int64_t c0, int64_t c1) const { return partialPrefix_[c1] > partialPrefix_[c0]; }

  // The stamps' blends over the target pixel t (B, G, R) in stamp order: the later stamp is the
  // one further left, and within a column the one further up, so the window is walked from its
  // right column to its left, each from its bottom row up. A pixel that reaches the colour stays.
  void Fold(uint8_t* t, const int32_t colour[3], int64_t c0, int64_t c1) const {
    for (int64_t c = c1 - 1; c >= c0; --c) {
      if (partial_[c] == 0) continue;
      const Partial* first = entries_.data() + start_[c];
      const Partial* last = entries_.data() + start_[c + 1];
      const Partial* end = std::lower_bound(first, last, hiRow_, [](const Partial& p, int64_t row) { return p.row < row; });
      for (const Partial* p = end; p != first && (p - 1)->row >= loRow_;) {
        --p;
        for (int i = 0; i < 3; ++i) {
          const int32_t s = p->cover[i];
          if (s != 0) t[i] = static_cast<uint8_t>(DrawingDiv255(colour[i] * s + t[i] * (255 - s)));
        }
        if (t[0] == colour[0] && t[1] == colour[1] && t[2] == colour[2]) return;
      }
    }
  }

 private:
  const uint8_t* Row(int64_t r) const { return scratch_.pixels + r * scratch_.stride; }
  void Count(int64_t r, int32_t step) {
    const uint8_t* s = Row(r);
    for (int64_t c = 0; c < width_; ++c, s += 3) {
      if (Full(s)) full_[c] += step;
      else if (Ink(s)) partial_[c] += step;
    }
  }

  const TextScratch& scratch_;
  int64_t width_;
  std::vector<int64_t> start_;  // entries of column c: [start_[c], start_[c + 1])
  std::vector<Partial> entries_;
  std::vector<int32_t> full_, partial_;
  std::vector<int64_t> fullPrefix_, partialPrefix_;
  int64_t loRow_ = 0, hiRow_ = 0;
};

bool MaskMode(const DrawingContext* context) {
  const uint32_t special = DrawModeXor | DrawModeAllChannels | DrawModeAlphaChannel | DrawModeAlphaBlend | DrawModeAlphaClip;
  return !context->custom && !context->gradient && !(context->mode & special) && (context->mode & DrawModeTransparent);
}

HGDIOBJ SelectedFont(const DrawingContext* context) {
  return context->font == 0 ? GetStockObject(SYSTEM_FONT)
                            : reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(context->font));
}

void DrawOutline(DrawingContext* context, int64_t x, int64_t y, const char16_t* text, int64_t border) {
  SIZE size{};
  if (context->textScratch == nullptr || !DrawingTextMeasure(context, text, &size)) return;
  const int64_t cx = int64_t{size.cx} + std::max(0, context->italicOverhang);
  const int64_t cy = std::min<int64_t>(size.cy, context->textHeight);
  int64_t reach = border;
  Range cols{}, rows{};
  for (;;) {
    cols = Reach(x, reach, cx, context->clipWidth);
    rows = Reach(y, reach, cy, context->clipHeight);
    if (cols.Size() <= 0 || rows.Size() <= 0) return;
    if (cols.Size() * rows.Size() <= kMaxRenderedPixels || reach == 0) break;
    reach /= 2;
  }
  TextScratch scratch(cols.Size(), rows.Size());
  if (!scratch.Ok()) return;
  SelectObject(scratch.dc, SelectedFont(context));
  SetTextColor(scratch.dc, RGB(255, 255, 255));
  SetBkColor(scratch.dc, 0);
  SetBkMode(scratch.dc, OPAQUE);
  SetTextAlign(scratch.dc, TA_LEFT | TA_TOP);
  const RECT all{0, 0, static_cast<LONG>(cols.Size()), static_cast<LONG>(rows.Size())};
  FillRect(scratch.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  const bool drawn = TextOutW(scratch.dc, static_cast<int>(-cols.lo), static_cast<int>(-rows.lo), text, DrawingTextLength(text));
  SelectObject(scratch.dc, GetStockObject(SYSTEM_FONT));
  if (!drawn) return;

  Mask mask(scratch, cols.Size(), rows.Size());
  const uint32_t front = context->appliedFront;
  const int32_t colour[3] = {static_cast<int32_t>((front >> 16) & 0xFF), static_cast<int32_t>((front >> 8) & 0xFF),
                             static_cast<int32_t>(front & 0xFF)};
  // Target pixels some stamp reaches: the rendered part moved by every offset, cut to the area.
  const int64_t tx0 = std::max<int64_t>(0, x + cols.lo - border), tx1 = std::min<int64_t>(context->clipWidth, x + cols.hi + border);
  const int64_t ty0 = std::max<int64_t>(0, y + rows.lo - border), ty1 = std::min<int64_t>(context->clipHeight, y + rows.hi + border);
  const int32_t bytes = context->bytesPerPixel;
  for (int64_t ty = ty0; ty < ty1; ++ty) {
    // Stamps at y + j cover this row with text row ty - y - j, j from -border to border.
    const int64_t lo = std::clamp<int64_t>(ty - y - border - rows.lo, 0, rows.Size());
    const int64_t hi = std::clamp<int64_t>(ty - y + border + 1 - rows.lo, 0, rows.Size());
    mask.SlideTo(lo, hi);
    if (lo >= hi) continue;
    uint8_t* t = DrawingRow(context, ty) + tx0 * bytes;
    for (int64_t tx = tx0; tx < tx1; ++tx, t += bytes) {
      const int64_t c0 = std::clamp<int64_t>(tx - x - border - cols.lo, 0, cols.Size());
      const int64_t c1 = std::clamp<int64_t>(tx - x + border + 1 - cols.lo, 0, cols.Size());
      if (c0 >= c1) continue;
      if (mask.AnyFull(c0, c1)) {
        t[0] = static_cast<uint8_t>(colour[0]);
        t[1] = static_cast<uint8_t>(colour[1]);
        t[2] = static_cast<uint8_t>(colour[2]);
      } else if (mask.AnyPartial(c0, c1)) {
        mask.Fold(t, colour, c0, c1);
      }
    }
  }
}

}  // namespace

void DrawTextOutline(int64_t x, int64_t y, const char16_t* text, int64_t colour, int64_t border) {
  DrawingContext* context = DrawingCurrent();
  if (context == nullptr || border < 0) return;  // a negative border stamps nothing
  DrawingApplyFront(context, static_cast<uint32_t>(colour));
  border = DrawingLimit(border);
  const int64_t sx = DrawingShiftX(context, x), sy = DrawingShiftY(context, y);
  if (MaskMode(context)) {
    DrawOutline(context, sx, sy, text, border);
    return;
  }
  // Other modes do not reduce to one mask: the stamps are drawn one by one.
  for (int64_t i = -border; i <= border; ++i) {
    for (int64_t j = -border; j <= border; ++j) context->ops.drawText(context, sx + i, sy + j, text);
  }
}
