// Text output and measuring: GetTextExtentPoint32W (the sum of the advances, no kerning),
// TextOutW into the bitmap a DC draws into (text colour blended by each glyph's coverage, the
// cell filled with the background colour in opaque mode, underline and strike-out, turned by
// the font's escapement), SetTextAlign, and DrawTextW with its line breaking and measuring.
#include <algorithm>
#include <climits>
#include <cmath>

#include "kernel.h"
#include "text_objects.h"

namespace platform {
namespace {

// A text laid out in one line: its glyphs, their advances and the line's width.
struct GlyphLine {
  std::vector<uint32_t> glyphs;
  std::vector<int> advances;
  int width = 0;
};

void Layout(FontInstance& instance, const WCHAR* text, size_t count, GlyphLine* line) {
  line->glyphs.clear();
  line->advances.clear();
  int64_t width = 0;
  for (size_t i = 0; i < count; ++i) {
    uint32_t unit = text[i];
    uint32_t codePoint = unit;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      codePoint = 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    // A lone surrogate names no character: it shows as the missing glyph.
    const bool lone = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    const uint32_t glyph = lone ? 0 : GlyphIndex(instance, codePoint);
    const int advance = GlyphAdvance(instance, glyph);
    line->glyphs.push_back(glyph);
    line->advances.push_back(advance);
    width = std::min<int64_t>(width + advance, INT_MAX);
  }
  line->width = static_cast<int>(width);
}

// Where a DC's output lands, in bitmap coordinates, with the colour blend of text.
struct TextTarget {
  PixelView* view = nullptr;
  RECT clip{0, 0, 0, 0};

  bool Empty() const { return view == nullptr || clip.right <= clip.left || clip.bottom <= clip.top; }

  static uint8_t Mix(uint32_t colour, uint32_t under, uint32_t cover) {
    return static_cast<uint8_t>((colour * cover + under * (255 - cover) + 127) / 255);
  }

  // Lays `colour` over the pixel with coverage `cover` (1 ... 255).
  void Blend(LONG x, LONG y, COLORREF colour, uint32_t cover) const {
    uint8_t* row = view->Row(y);
    const int bytes = view->bitsPixel / 8;
    if (bytes == 3 || bytes == 4) {
      uint8_t* p = row + static_cast<ptrdiff_t>(x) * bytes;
      p[0] = Mix(GetBValue(colour), p[0], cover);
      p[1] = Mix(GetGValue(colour), p[1], cover);
      p[2] = Mix(GetRValue(colour), p[2], cover);
      return;
    }
    const Pixel under = PixelFromRaw(*view, PixelRawGet(*view, row, x));
    const Pixel over = PixelFromColour(colour);
    Pixel mixed = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
      mixed |= static_cast<Pixel>(Mix((over >> shift) & 0xFF, (under >> shift) & 0xFF, cover)) << shift;
    }
    PixelRawSet(*view, row, x, PixelToRaw(*view, mixed));
  }
};

TextTarget TargetOf(const GdiDc& dc, POINT* origin, const RECT* logicalClip) {
  TextTarget target;
  GdiTarget where = GdiDcTarget(dc);
  *origin = where.origin;
  if (where.bitmap == nullptr || where.bitmap->view.bits == nullptr) return target;
  target.view = &where.bitmap->view;
  target.clip = where.clip;
  if (logicalClip != nullptr) {
    target.clip.left = std::max<LONG>(target.clip.left, logicalClip->left + where.origin.x);
    target.clip.top = std::max<LONG>(target.clip.top, logicalClip->top + where.origin.y);
    target.clip.right = std::min<LONG>(target.clip.right, logicalClip->right + where.origin.x);
    target.clip.bottom = std::min<LONG>(target.clip.bottom, logicalClip->bottom + where.origin.y);
  }
  return target;
}

// The text's own frame in bitmap coordinates: the top-left corner of the cell and the unit
// vectors along the baseline and down the cell (turned by the escapement).
struct TextFrame {
  double x = 0, y = 0;
  double alongX = 1, alongY = 0;
  double downX = 0, downY = 1;
  bool upright = true;

  double PointX(double u, double v) const { return x + u * alongX + v * downX; }
  double PointY(double u, double v) const { return y + u * alongY + v * downY; }
};

// Fills the part u0 <= u < u1, v0 <= v < v1 of the frame with a solid colour.
void FillFrame(const TextTarget& target, const TextFrame& frame, double u0, double u1, double v0, double v1,
               COLORREF colour) {
  if (u1 <= u0 || v1 <= v0 || target.Empty()) return;
  if (frame.upright) {
    const LONG left = std::max<LONG>(target.clip.left, static_cast<LONG>(std::clamp(frame.x + u0, -1e9, 1e9)));
    const LONG right = std::min<LONG>(target.clip.right, static_cast<LONG>(std::clamp(frame.x + u1, -1e9, 1e9)));
    const LONG top = std::max<LONG>(target.clip.top, static_cast<LONG>(std::clamp(frame.y + v0, -1e9, 1e9)));
    const LONG bottom = std::min<LONG>(target.clip.bottom, static_cast<LONG>(std::clamp(frame.y + v1, -1e9, 1e9)));
    for (LONG y = top; y < bottom; ++y) {
      for (LONG x = left; x < right; ++x) target.Blend(x, y, colour, 255);
    }
    return;
  }
  double minX = 1e18, maxX = -1e18, minY = 1e18, maxY = -1e18;
  for (double u : {u0, u1}) {
    for (double v : {v0, v1}) {
      minX = std::min(minX, frame.PointX(u, v));
      maxX = std::max(maxX, frame.PointX(u, v));
      minY = std::min(minY, frame.PointY(u, v));
      maxY = std::max(maxY, frame.PointY(u, v));
    }
  }
  const LONG left = std::max<LONG>(target.clip.left, static_cast<LONG>(std::floor(std::max(minX, -1e9))));
  const LONG right = std::min<LONG>(target.clip.right, static_cast<LONG>(std::ceil(std::min(maxX, 1e9))));
  const LONG top = std::max<LONG>(target.clip.top, static_cast<LONG>(std::floor(std::max(minY, -1e9))));
  const LONG bottom = std::min<LONG>(target.clip.bottom, static_cast<LONG>(std::ceil(std::min(maxY, 1e9))));
  for (LONG y = top; y < bottom; ++y) {
    for (LONG x = left; x < right; ++x) {
      // Pixel centres inside the turned rectangle belong to it.
      const double px = x + 0.5 - frame.x, py = y + 0.5 - frame.y;
      const double u = px * frame.alongX + py * frame.alongY;
      const double v = px * frame.downX + py * frame.downY;
      if (u >= u0 && u < u1 && v >= v0 && v < v1) target.Blend(x, y, colour, 255);
    }
  }
}

void DrawGlyph(const TextTarget& target, const GlyphImage& image, LONG penX, LONG penY, COLORREF colour) {
  const int64_t left = static_cast<int64_t>(penX) + image.left;
  const int64_t top = static_cast<int64_t>(penY) - image.top;
  const int64_t x0 = std::max<int64_t>(left, target.clip.left);
  const int64_t x1 = std::min<int64_t>(left + image.width, target.clip.right);
  const int64_t y0 = std::max<int64_t>(top, target.clip.top);
  const int64_t y1 = std::min<int64_t>(top + image.rows, target.clip.bottom);
  for (int64_t y = y0; y < y1; ++y) {
    const uint8_t* cover = image.coverage.data() + (y - top) * image.width;
    for (int64_t x = x0; x < x1; ++x) {
      const uint8_t c = cover[x - left];
      if (c != 0) target.Blend(static_cast<LONG>(x), static_cast<LONG>(y), colour, c);
    }
  }
}

// Draws a laid-out line with its reference point at the logical x, y under the DC's alignment.
// `underlined` marks one glyph to underline (a mnemonic prefix), or -1.
void DrawLine(const GdiDc& dc, FontInstance& instance, const GlyphLine& line, int x, int y, UINT align,
              const RECT* logicalClip, ptrdiff_t underlined) {
  POINT origin;
  TextTarget target = TargetOf(dc, &origin, logicalClip);
  if (target.Empty()) return;
  const TEXTMETRICW& tm = instance.metrics;
  TextFrame frame;
  if (instance.escapement != 0) {
    const double angle = instance.escapement * M_PI / 1800.0;
    frame.alongX = std::cos(angle);
    frame.alongY = -std::sin(angle);
    frame.downX = std::sin(angle);
    frame.downY = std::cos(angle);
    frame.upright = false;
  }
  // From the reference point to the cell's top-left corner, in the text's frame.
  double u = 0, v = 0;
  if ((align & TA_CENTER) == TA_CENTER) {
    u = -line.width / 2;
  } else if (align & TA_RIGHT) {
    u = -line.width;
  }
  if ((align & TA_BASELINE) == TA_BASELINE) {
    v = -tm.tmAscent;
  } else if (align & TA_BOTTOM) {
    v = -tm.tmHeight;
  }
  const double refX = static_cast<double>(x) + origin.x, refY = static_cast<double>(y) + origin.y;
  frame.x = refX + u * frame.alongX + v * frame.downX;
  frame.y = refY + u * frame.alongY + v * frame.downY;

  if (dc.backMode == OPAQUE) FillFrame(target, frame, 0, line.width, 0, tm.tmHeight, dc.backColour);
  GlyphImage scratch;
  int64_t pen = 0;
  for (size_t i = 0; i < line.glyphs.size(); ++i) {
    // Glyphs wholly beyond the clip are not rasterised: long texts cost only what shows.
    const double baseX = frame.PointX(static_cast<double>(pen), tm.tmAscent);
    const double baseY = frame.PointY(static_cast<double>(pen), tm.tmAscent);
    const int64_t reach = static_cast<int64_t>(instance.ppem) * 2 + line.advances[i];
    const bool visible = baseX + reach >= target.clip.left && baseX - reach < target.clip.right &&
                         baseY + reach >= target.clip.top && baseY - reach < target.clip.bottom;
    if (visible) {
      if (const GlyphImage* image = GlyphRender(instance, line.glyphs[i], &scratch)) {
        DrawGlyph(target, *image, static_cast<LONG>(std::lround(baseX)), static_cast<LONG>(std::lround(baseY)),
                  dc.textColour);
      }
    }
    if (static_cast<ptrdiff_t>(i) == underlined) {
      const double top = tm.tmAscent + instance.underlineOffset;
      FillFrame(target, frame, static_cast<double>(pen), static_cast<double>(pen + line.advances[i]), top,
                top + instance.underlineSize, dc.textColour);
    }
    pen += line.advances[i];
    // Past the clip along an upright line nothing more can show.
    if (frame.upright && frame.x + static_cast<double>(pen) - instance.ppem * 2 > target.clip.right) break;
  }
  if (instance.metrics.tmUnderlined) {
    const double top = tm.tmAscent + instance.underlineOffset;
    FillFrame(target, frame, 0, line.width, top, top + instance.underlineSize, dc.textColour);
  }
  if (instance.metrics.tmStruckOut) {
    const double top = tm.tmAscent - instance.strikeOffset;
    FillFrame(target, frame, 0, line.width, top, top + instance.strikeSize, dc.textColour);
  }
}

struct TextCall {
  std::shared_ptr<GdiDc> dc;
  std::shared_ptr<GdiFont> font;
};

bool TextCallOpen(HDC handle, TextCall* call) {
  call->dc = GdiHandleAs<GdiDc>(handle);
  if (!call->dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  call->font = DcFont(*call->dc);
  return call->font != nullptr;
}

// ---- DrawTextW ----

struct TextLineSpan {
  size_t start = 0;
  size_t length = 0;
  ptrdiff_t underlined = -1;  // index within the line of the mnemonic's character
};

// Removes the mnemonic prefixes: "&x" underlines x, "&&" is a plain "&".
std::u16string StripPrefixes(const WCHAR* text, size_t count, std::vector<size_t>* underlined) {
  std::u16string out;
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    if (text[i] == u'&') {
      if (i + 1 >= count) break;
      ++i;
      if (text[i] != u'&') underlined->push_back(out.size());
    }
    out.push_back(text[i]);
  }
  return out;
}

std::u16string ExpandTabs(const std::u16string& text, FontInstance& instance, std::vector<size_t>* underlined) {
  std::u16string out;
  const int space = GlyphAdvance(instance, GlyphIndex(instance, u' '));
  const int stop = std::max(1, instance.metrics.tmAveCharWidth * 8);
  int64_t column = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r' || c == u'\n') column = 0;
    if (c != u'\t') {
      for (size_t& mark : *underlined) {
        if (mark == i) mark = out.size();
      }
      out.push_back(c);
      if (c != u'\r' && c != u'\n') column += GlyphAdvance(instance, GlyphIndex(instance, c));
      continue;
    }
    // Spaces up to the next stop (at least one), so that columns line up in the text's own font.
    const int64_t next = (column / stop + 1) * stop;
    do {
      out.push_back(u' ');
      column += std::max(space, 1);
    } while (column < next && space > 0);
  }
  return out;
}

int LineWidth(FontInstance& instance, const std::u16string& text, size_t start, size_t length) {
  GlyphLine line;
  Layout(instance, text.data() + start, length, &line);
  return line.width;
}

// Breaks the text into lines: at line ends unless single-line, and between words when a line
// would pass `width` (a single word too long stays whole, as on Windows).
std::vector<TextLineSpan> BreakLines(FontInstance& instance, const std::u16string& text, UINT format, LONG width) {
  std::vector<TextLineSpan> lines;
  size_t start = 0;
  auto addLine = [&](size_t from, size_t to) {
    if (!(format & DT_WORDBREAK)) {
      lines.push_back(TextLineSpan{from, to - from});
      return;
    }
    size_t lineStart = from;
    while (true) {
      size_t end = lineStart, lastBreak = SIZE_MAX;
      while (end < to) {
        size_t wordEnd = end;
        while (wordEnd < to && text[wordEnd] == u' ') ++wordEnd;
        while (wordEnd < to && text[wordEnd] != u' ') ++wordEnd;
        if (lastBreak != SIZE_MAX && LineWidth(instance, text, lineStart, wordEnd - lineStart) > width) break;
        lastBreak = wordEnd;
        end = wordEnd;
      }
      if (end >= to) {
        lines.push_back(TextLineSpan{lineStart, to - lineStart});
        return;
      }
      lines.push_back(TextLineSpan{lineStart, end - lineStart});
      lineStart = end;
      while (lineStart < to && text[lineStart] == u' ') ++lineStart;
      if (lineStart >= to) return;
    }
  };
  if (format & DT_SINGLELINE) {
    addLine(0, text.size());
    return lines;
  }
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    addLine(start, i);
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  addLine(start, text.size());
  return lines;
}

}  // namespace
}  // namespace platform

using namespace platform;

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size) {
  TextCall call;
  if (size == nullptr || count < 0 || (count > 0 && text == nullptr) || !TextCallOpen(dc, &call)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> guard(TextLock());
  FontInstance* instance = FontResolve(*call.font);
  if (instance == nullptr) return FALSE;
  GlyphLine line;
  Layout(*instance, text, static_cast<size_t>(count), &line);
  size->cx = line.width;
  size->cy = instance->metrics.tmHeight;
  return TRUE;
}

BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count) {
  TextCall call;
  if (count < 0 || (count > 0 && text == nullptr) || !TextCallOpen(dc, &call)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (count == 0) return TRUE;
  std::lock_guard<std::mutex> guard(TextLock());
  FontInstance* instance = FontResolve(*call.font);
  if (instance == nullptr) return FALSE;
  GlyphLine line;
  Layout(*instance, text, static_cast<size_t>(count), &line);
  DrawLine(*call.dc, *instance, line, x, y, call.dc->textAlign, nullptr, -1);
  return TRUE;
}

UINT SetTextAlign(HDC dc, UINT align) {
  auto object = GdiHandleAs<GdiDc>(dc);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return GDI_ERROR;
  }
  const UINT previous = object->textAlign;
  // Output never moves a current position here: TA_UPDATECP is not kept.
  object->textAlign = align & (TA_CENTER | TA_BASELINE);
  return previous;
}

UINT GetTextAlign(HDC dc) {
  auto object = GdiHandleAs<GdiDc>(dc);
  return object ? object->textAlign : GDI_ERROR;
}

int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format) {
  TextCall call;
  if (rect == nullptr || count < -1 || !TextCallOpen(dc, &call)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = 0;
  if (text != nullptr) {
    if (count == -1) {
      while (text[length] != 0) ++length;
    } else {
      length = static_cast<size_t>(count);
    }
  }
  if (length == 0) {
    if (format & DT_CALCRECT) {
      rect->right = rect->left;
      rect->bottom = rect->top;
    }
    return 0;
  }
  std::lock_guard<std::mutex> guard(TextLock());
  FontInstance* instance = FontResolve(*call.font);
  if (instance == nullptr) return 0;

  std::vector<size_t> marks;
  std::u16string shown = (format & DT_NOPREFIX) ? std::u16string(text, length) : StripPrefixes(text, length, &marks);
  if (format & DT_EXPANDTABS) shown = ExpandTabs(shown, *instance, &marks);
  if (format & DT_HIDEPREFIX) marks.clear();
  std::vector<TextLineSpan> lines = BreakLines(*instance, shown, format, rect->right - rect->left);
  for (TextLineSpan& line : lines) {
    for (size_t mark : marks) {
      if (mark >= line.start && mark < line.start + line.length) line.underlined = static_cast<ptrdiff_t>(mark - line.start);
    }
  }
  const TEXTMETRICW& tm = instance->metrics;
  const int64_t lineHeight = tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  const int64_t height = std::min<int64_t>(lineHeight * static_cast<int64_t>(lines.size()), INT_MAX / 2);

  std::vector<GlyphLine> laid(lines.size());
  int64_t widest = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    Layout(*instance, shown.data() + lines[i].start, lines[i].length, &laid[i]);
    widest = std::max<int64_t>(widest, laid[i].width);
  }
  if (format & DT_CALCRECT) {
    rect->right = static_cast<LONG>(std::min<int64_t>(rect->left + widest, INT_MAX / 2));
    rect->bottom = static_cast<LONG>(rect->top + height);
    return static_cast<int>(height);
  }

  int64_t top = rect->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) {
      top = rect->top + (static_cast<int64_t>(rect->bottom) - rect->top - lineHeight) / 2;
    } else if (format & DT_BOTTOM) {
      top = rect->bottom - lineHeight;
    }
  }
  const RECT* clip = (format & DT_NOCLIP) ? nullptr : rect;
  for (size_t i = 0; i < laid.size(); ++i) {
    int64_t x = rect->left;
    if (format & DT_CENTER) {
      x = rect->left + (static_cast<int64_t>(rect->right) - rect->left - laid[i].width) / 2;
    } else if (format & DT_RIGHT) {
      x = static_cast<int64_t>(rect->right) - laid[i].width;
    }
    DrawLine(*call.dc, *instance, laid[i], static_cast<int>(std::clamp<int64_t>(x, INT_MIN / 2, INT_MAX / 2)),
             static_cast<int>(std::clamp<int64_t>(top + lineHeight * static_cast<int64_t>(i), INT_MIN / 2, INT_MAX / 2)),
             TA_LEFT | TA_TOP, clip, lines[i].underlined);
  }
  if ((format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM))) return static_cast<int>(top - rect->top + height);
  return static_cast<int>(height);
}
