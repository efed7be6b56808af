// The text entries of the drawing context and the program's text operations: selecting a font
// (with its italic overhang and a scratch bitmap tall enough for it), measuring, and drawing
// text by rendering it white on black into the scratch and blending that onto the area; turned
// text goes through a turned copy of the font and a scratch of its own.
#include <algorithm>
#include <climits>
#include <cmath>

#include "drawing.h"
#include "drawing_internal.h"
#include "drawing_text.h"
#include "font.h"
#include "text.h"

TextScratch::TextScratch(int64_t width, int64_t height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  dc = bitmap ? CreateCompatibleDC(nullptr) : nullptr;
  if (dc == nullptr) return;
  previous = SelectObject(dc, bitmap);
  pixels = static_cast<uint8_t*>(bits);
  stride = (width * 3 + 3) / 4 * 4;
}

TextScratch::~TextScratch() {
  if (dc) {
    SelectObject(dc, previous);
    DeleteDC(dc);
  }
  if (bitmap) DeleteObject(bitmap);
}

int DrawingTextLength(const char16_t* text) {
  size_t length = 0;
  while (text[length] != 0 && length < INT_MAX) ++length;
  return static_cast<int>(length);
}

bool DrawingTextMeasure(DrawingContext* context, const char16_t* text, SIZE* size) {
  if (text == nullptr || text[0] == 0 || context->textDc == nullptr) return false;
  return GetTextExtentPoint32W(context->textDc, text, DrawingTextLength(text), size) != 0;
}

namespace {

// The scratch is at least this many rows, and this many more than the font's "Hg".
constexpr int32_t kScratchMinHeight = 50;
constexpr int32_t kScratchMargin = 20;
// Bytes of one band of the overhang measurement: huge italic fonts are measured in bands.
constexpr int64_t kOverhangBandBytes = int64_t{8} << 20;

HGDIOBJ FontObjectOf(int64_t handle) {
  return handle == -1 ? GetStockObject(SYSTEM_FONT) : reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(handle));
}

// How far an italic font's ink reaches past the advance of "H": the last column holding ink,
// counted from two columns before the advance, when "H" is drawn white on black. Fonts that are
// not italic have none; an italic whose ink stops short of that has none either.
int32_t ItalicOverhang(HGDIOBJ font) {
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) return 0;
  TEXTMETRICW tm{};
  SIZE size{};
  HGDIOBJ previous = SelectObject(dc, font);
  const bool italic = previous != nullptr && GetTextMetricsW(dc, &tm) && tm.tmItalic != 0 &&
                      GetTextExtentPoint32W(dc, u"H", 1, &size) && size.cx > 0 && size.cy > 0;
  if (previous) SelectObject(dc, previous);
  DeleteDC(dc);
  if (!italic) return 0;
  // Only the columns from cx - 2 to 2 cx - 1 can give an overhang above 0.
  const int64_t width = int64_t{size.cx} + 2;
  const int64_t band = std::clamp<int64_t>(kOverhangBandBytes / (width * 3), 1, size.cy);
  TextScratch scratch(width, band);
  if (!scratch.Ok()) return 0;
  SelectObject(scratch.dc, font);
  SetTextColor(scratch.dc, RGB(255, 255, 255));
  SetBkColor(scratch.dc, 0);
  SetBkMode(scratch.dc, OPAQUE);
  const RECT all{0, 0, static_cast<LONG>(width), static_cast<LONG>(band)};
  int64_t found = 0;
  for (int64_t top = 0; top < size.cy; top += band) {
    FillRect(scratch.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    TextOutW(scratch.dc, 2 - size.cx, static_cast<int>(-top), u"H", 1);
    const int64_t rows = std::min<int64_t>(band, size.cy - top);
    for (int64_t column = width - 1; column > found; --column) {
      bool ink = false;
      for (int64_t row = 0; row < rows && !ink; ++row) {
        const uint8_t* p = scratch.pixels + row * scratch.stride + column * 3;
        ink = (p[0] | p[1] | p[2]) != 0;
      }
      if (ink) {
        found = column;
        break;
      }
    }
  }
  SelectObject(scratch.dc, GetStockObject(SYSTEM_FONT));
  return static_cast<int32_t>(found);
}

void SetFontEntry(DrawingContext* context, int64_t handle) {
  if (context->textDc == nullptr) return;
  HGDIOBJ font = FontObjectOf(handle);
  // Anything but a font (0 from a font that failed to load) keeps the font in use.
  if (GetObjectType(font) != OBJ_FONT || SelectObject(context->textDc, font) == nullptr) return;
  context->italicOverhang = ItalicOverhang(font);
  context->font = static_cast<int64_t>(reinterpret_cast<uintptr_t>(font));
  if (context->rotatedFont != nullptr) {
    DeleteObject(context->rotatedFont);
    context->rotatedFont = nullptr;
  }
  SIZE size{};
  GetTextExtentPoint32W(context->textDc, u"Hg", 2, &size);
  const int64_t needed = std::max<int64_t>(kScratchMinHeight, int64_t{size.cy} + kScratchMargin);
  if (context->textScratch != nullptr && context->textHeight >= needed) return;
  // The scratch never shrinks, so that switching between fonts does not make it anew each time.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = context->clipWidth;
  info.bmiHeader.biHeight = -static_cast<LONG>(std::min<int64_t>(needed, INT_MAX));
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP scratch = CreateDIBSection(context->textDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (scratch == nullptr) return;
  SelectObject(context->textDc, scratch);
  if (context->textScratch != nullptr) DeleteObject(context->textScratch);
  context->textScratch = scratch;
  context->textPixels = static_cast<uint8_t*>(bits);
  context->textStride = (int64_t{context->clipWidth} * 3 + 3) / 4 * 4;
  context->textHeight = static_cast<int32_t>(needed);
  SetBkMode(context->textDc, OPAQUE);
  SetTextAlign(context->textDc, TA_LEFT | TA_TOP);
  SetBkColor(context->textDc, 0);
  SetTextColor(context->textDc, RGB(255, 255, 255));
}

int64_t TextWidthEntry(DrawingContext* context, const char16_t* text) {
  SIZE size{};
  if (!DrawingTextMeasure(context, text, &size)) return 0;
  return int64_t{size.cx} + context->italicOverhang;
}

int64_t TextHeightEntry(DrawingContext* context, const char16_t* text) {
  SIZE size{};
  return DrawingTextMeasure(context, text, &size) ? size.cy : 0;
}

int64_t DrawTextEntry(DrawingContext* context, int64_t x, int64_t y, const char16_t* text) {
  if (context->textScratch == nullptr || context->textPixels == nullptr) return x;
  SIZE size{};
  if (!DrawingTextMeasure(context, text, &size)) return x;
  int64_t cx = size.cx;
  const int64_t scratchWidth = context->clipWidth;
  if (context->italicOverhang > 0) cx += context->italicOverhang;
  const int64_t cy = std::min<int64_t>(size.cy, context->textHeight);
  // Text that lies wholly outside the area only moves the pen.
  if (x >= context->clipWidth || x + cx <= 0 || y >= context->clipHeight || y + cy <= 0) return x + cx;
  if (context->italicOverhang > 0) {
    const RECT all{0, 0, static_cast<LONG>(scratchWidth), context->textHeight};
    FillRect(context->textDc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  // Text starting left of the area is drawn that far left in the scratch, so that the part
  // left of the area is cut off rather than the text moved right.
  const int64_t s = x < 0 ? x : 0;
  if (!TextOutW(context->textDc, static_cast<int>(s), 0, text, DrawingTextLength(text))) return x;
  const int64_t width = std::min(cx + s, scratchWidth);
  DrawingTextBlend(context, context->textPixels, context->textStride, width, cy, x - s, y, false);
  return x + cx;
}

int64_t DrawRotatedTextEntry(DrawingContext* context, int64_t x, int64_t y, const char16_t* text, double angle) {
  SIZE size{};
  if (!std::isfinite(angle) || !DrawingTextMeasure(context, text, &size)) return x;
  angle = std::fmod(angle, 360.0);
  if (angle < 0) angle += 360.0;
  if (context->rotatedFont == nullptr || context->rotatedAngle != angle) {
    LOGFONTW logFont{};
    if (GetObjectW(FontObjectOf(context->font == 0 ? -1 : context->font), sizeof logFont, &logFont) == 0) return x;
    logFont.lfEscapement = logFont.lfOrientation = static_cast<LONG>(std::lround(angle * 10));
    logFont.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    HFONT turned = CreateFontIndirectW(&logFont);
    if (turned == nullptr) return x;
    if (context->rotatedFont != nullptr) DeleteObject(context->rotatedFont);
    context->rotatedFont = turned;
    context->rotatedAngle = angle;
  }
  // The text's cell turned about its start point: along the baseline (cos, -sin), down the
  // cell (sin, cos), in the area's coordinates (y downwards).
  const double radians = angle * M_PI / 180.0, c = std::cos(radians), s = std::sin(radians);
  const double corners[4][2] = {{0, 0}, {double(size.cx), 0}, {0, double(size.cy)}, {double(size.cx), double(size.cy)}};
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  for (const auto& corner : corners) {
    const double px = corner[0] * c + corner[1] * s, py = -corner[0] * s + corner[1] * c;
    minX = std::min(minX, px), maxX = std::max(maxX, px), minY = std::min(minY, py), maxY = std::max(maxY, py);
  }
  const int64_t advance = std::llround(size.cx * c);
  // Only the part of the turned box that falls inside the area is rendered: one pixel of margin
  // for the glyphs' edges.
  const int64_t left = std::max<int64_t>(x + static_cast<int64_t>(std::floor(minX)) - 1, 0);
  const int64_t top = std::max<int64_t>(y + static_cast<int64_t>(std::floor(minY)) - 1, 0);
  const int64_t right = std::min<int64_t>(x + static_cast<int64_t>(std::ceil(maxX)) + 1, context->clipWidth);
  const int64_t bottom = std::min<int64_t>(y + static_cast<int64_t>(std::ceil(maxY)) + 1, context->clipHeight);
  if (left >= right || top >= bottom) return x + advance;
  TextScratch scratch(right - left, bottom - top);
  if (!scratch.Ok()) return x + advance;
  SelectObject(scratch.dc, context->rotatedFont);
  SetTextColor(scratch.dc, RGB(255, 255, 255));
  SetBkMode(scratch.dc, TRANSPARENT);
  TextOutW(scratch.dc, static_cast<int>(x - left), static_cast<int>(y - top), text, DrawingTextLength(text));
  SelectObject(scratch.dc, GetStockObject(SYSTEM_FONT));
  DrawingTextBlend(context, scratch.pixels, scratch.stride, right - left, bottom - top, left, top, true);
  return x + advance;
}

// Where following text starts: x moved by the advance, held at the ends of the range for a
// text placed there.
int64_t PenAfter(int64_t x, int64_t advance) {
  int64_t pen;
  if (!__builtin_add_overflow(x, advance, &pen)) return pen;
  return advance > 0 ? INT64_MAX : INT64_MIN;
}

}  // namespace

void DrawingTextInstall(DrawingOperations* ops) {
  ops->setFont = SetFontEntry;
  ops->drawText = DrawTextEntry;
  ops->drawRotatedText = DrawRotatedTextEntry;
  ops->textHeight = TextHeightEntry;
  ops->textWidth = TextWidthEntry;
}

void DrawingSetFont(int64_t handle) {
  if (DrawingContext* context = DrawingCurrent()) context->ops.setFont(context, handle);
}

int64_t DrawTextWidth(const char16_t* text) {
  DrawingContext* context = DrawingCurrent();
  return context ? context->ops.textWidth(context, text) : 0;
}

int64_t DrawTextHeight(const char16_t* text) {
  DrawingContext* context = DrawingCurrent();
  return context ? context->ops.textHeight(context, text) : 0;
}

int64_t DrawTextAt(int64_t x, int64_t y, const char16_t* text, int64_t front, int64_t back) {
  DrawingContext* context = DrawingCurrent();
  if (context == nullptr) return x;
  DrawingApplyFront(context, static_cast<uint32_t>(front));
  DrawingApplyBack(context, static_cast<uint32_t>(back));
  const int64_t shifted = DrawingShiftX(context, x);
  // The result is in the caller's coordinates, so that it can be passed back for the next text.
  return PenAfter(x, context->ops.drawText(context, shifted, DrawingShiftY(context, y), text) - shifted);
}

int64_t DrawTextAt(int64_t x, int64_t y, const char16_t* text, int64_t front) {
  DrawingContext* context = DrawingCurrent();
  return context ? DrawTextAt(x, y, text, front, context->backColor) : x;
}

int64_t DrawTextRotated(int64_t x, int64_t y, const char16_t* text, double angle) {
  DrawingContext* context = DrawingWithFrontColour();
  if (context == nullptr) return x;
  const int64_t shifted = DrawingShiftX(context, x);
  return PenAfter(x, context->ops.drawRotatedText(context, shifted, DrawingShiftY(context, y), text, angle) - shifted);
}
