// The drawing context: the record behind one DrawingBegin ... DrawingEnd span, its table of
// operations, and the routines that drawing outputs (the canvas, image outputs) and the text
// routines build on. Program-facing drawing operations are in drawing.h.
#pragma once

#include <cstdint>

#include "gdi.h"

struct DrawingContext;
struct ElementPool;
struct DrawingSpan;

// ---- pixel format flags of a context's buffer ----
constexpr uint32_t kDrawingFormat3Bytes = 0x10;    // B, G, R
constexpr uint32_t kDrawingFormat4Bytes = 0x20;    // B, G, R, A
constexpr uint32_t kDrawingFormat4BytesAlt = 0x40; // B, G, R, A as well
constexpr uint32_t kDrawingFormatBottomUp = 0x8000;  // buffer row 0 is the bottom picture row

// A program-supplied gradient position: the position 0 ... 1 of the pixel (x, y) of the current
// drawing area on the gradient.
using DrawingGradientRoutine = double (*)(int64_t x, int64_t y);
// A program-supplied pixel filter: the colour to write at (x, y) given the colour being drawn
// and the target's colour (both R | G << 8 | B << 16 | A << 24).
using DrawingCustomRoutine = uint32_t (*)(int64_t x, int64_t y, uint32_t source, uint32_t target);

// The table of operations every context carries, in this order. Coordinates reaching an entry
// are already shifted by the context's coordinate offset (they are coordinates of the current
// drawing area) and may lie anywhere in the 64-bit range: every entry clips. Colours are colour
// values (red in bits 0-7 ... alpha in bits 24-31). Entries a context does not provide are null.
struct DrawingOperations {
  // Prepares the channels of a colour as the applied back colour.
  void (*setBackColor)(DrawingContext* context, uint32_t colour);
  // Box in the applied front colour; negative sizes extend left / up.
  void (*box)(DrawingContext* context, int64_t x, int64_t y, int64_t width, int64_t height);
  void (*roundBox)(DrawingContext* context, int64_t x, int64_t y, int64_t width, int64_t height, int64_t radiusX,
                   int64_t radiusY);
  void (*unused)();  // a slot without a routine, kept so that the table keeps its shape
  // ---- text: filled by the text routines (DrawingTextInstall) ----
  // Selects a font handle for the text operations; -1 selects the system font. Called with -1
  // by the start routine once the text device context exists.
  void (*setFont)(DrawingContext* context, int64_t font);
  // ---- buffer ----
  uint8_t* (*bufferAddress)(DrawingContext* context);
  int64_t (*bufferPitch)(DrawingContext* context);
  int64_t (*bufferPixelFormat)(DrawingContext* context);
  void (*setMode)(DrawingContext* context, uint32_t mode);
  // Images: a bitmap or icon handle; sized: width and height; alpha: 0 ... 255.
  void (*drawImage)(DrawingContext* context, int64_t handle, int64_t x, int64_t y);
  void (*drawImageSized)(DrawingContext* context, int64_t handle, int64_t x, int64_t y, int64_t width,
                         int64_t height);
  void (*drawImageAlpha)(DrawingContext* context, int64_t handle, int64_t x, int64_t y, int64_t alpha);
  // ---- text: filled by the text routines ----
  // Draws text with its top-left corner at (x, y) in the applied front colour (and applied back
  // colour unless the mode is transparent); returns the x where following text would start.
  int64_t (*drawText)(DrawingContext* context, int64_t x, int64_t y, const char16_t* text);
  // The same turned by an angle in degrees about (x, y); returns as drawText.
  int64_t (*drawRotatedText)(DrawingContext* context, int64_t x, int64_t y, const char16_t* text, double angle);
  // ---- shapes ----
  void (*ellipse)(DrawingContext* context, int64_t x, int64_t y, int64_t radiusX, int64_t radiusY);
  // Flood fill from (x, y); border -1 fills the region of the start pixel's colour.
  void (*fillArea)(DrawingContext* context, int64_t x, int64_t y, int64_t border);
  // Prepares the channels of a colour as the applied front colour.
  void (*setFrontColor)(DrawingContext* context, uint32_t colour);
  // A copy of a rectangle of the area as a new image (number or CV_Any): the record address for
  // CV_Any, else the section handle; 0 on failure.
  int64_t (*grabImage)(DrawingContext* context, int64_t image, int64_t x, int64_t y, int64_t width, int64_t height);
  void (*line)(DrawingContext* context, int64_t x1, int64_t y1, int64_t x2, int64_t y2);
  void (*plot)(DrawingContext* context, int64_t x, int64_t y);
  void (*plotColor)(DrawingContext* context, int64_t x, int64_t y, uint32_t colour);
  uint32_t (*readPixel)(DrawingContext* context, int64_t x, int64_t y);
  // Start returns the buffer address or the output's device context (as the output asked), or
  // null when the output has no buffer. End frees what start and the drawing made.
  void* (*start)(DrawingContext* context);
  void (*end)(DrawingContext* context);
  // ---- text: filled by the text routines ----
  // Height of the text cell and advance width (plus italic overhang) in pixels; 0 for empty text.
  int64_t (*textHeight)(DrawingContext* context, const char16_t* text);
  int64_t (*textWidth)(DrawingContext* context, const char16_t* text);
  // ---- area ----
  void (*clip)(DrawingContext* context, int64_t x, int64_t y, int64_t width, int64_t height);
  void (*unclip)(DrawingContext* context);
  // Set by the output: lets go of it; `repaint` is 1 from DrawingEnd, 0 after a failed start.
  void (*release)(DrawingContext* context, int64_t repaint);
};

// The channels of a colour ready for the per-pixel formulas: red, green and blue (multiplied by
// alpha when the context premultiplies), alpha and 255 - alpha, and the colour value itself.
struct DrawingChannels {
  int32_t red;
  int32_t green;
  int32_t blue;
  int32_t alpha;
  int32_t inverse;
  uint32_t value;
};

struct DrawingGradientStop {
  double position;
  int32_t red;
  int32_t green;
  int32_t blue;
  int32_t alpha;
};

// Fills a run of `count` pixels of the current area starting at `pixel` (area coordinates x, y).
using DrawingSpanRoutine = void (*)(DrawingContext* context, uint8_t* pixel, int32_t x, int32_t y, int32_t count);
// Combines one pixel with prepared channels by the mode's formula.
using DrawingPixelRoutine = void (*)(DrawingContext* context, uint8_t* pixel, const DrawingChannels& colour,
                                     int32_t x, int32_t y);

struct DrawingContext {
  DrawingOperations ops;
  // The current drawing area: 0 <= x < clipWidth, 0 <= y < clipHeight.
  int32_t clipWidth;
  int32_t clipHeight;
  int32_t bitsPerPixel;  // of the target: 24 or 32
  // Added to every coordinate a caller passes: origin minus the clip position.
  int32_t offsetX;
  int32_t offsetY;
  int32_t fullWidth;
  int32_t fullHeight;
  int32_t originX;
  int32_t originY;
  int32_t clipX;  // position of the current area in the output
  int32_t clipY;
  // As set by the program.
  uint32_t frontColor;
  uint32_t backColor;
  // The colours whose channels are prepared below.
  uint32_t appliedFront;
  uint32_t appliedBack;
  DrawingGradientRoutine gradientPosition;
  DrawingCustomRoutine customFilter;
  DrawingGradientStop* gradientStops;  // ascending positions; main heap
  int32_t gradientStopCount;
  int32_t gradientStopCapacity;
  ElementPool* spanPool;   // fill-area spans, made on first use
  DrawingSpan** rowSpans;  // one list per row of the output, made on first use
  int32_t rowSpanCount;
  // The current drawing area's buffer: buffer is its first row in memory (for bottom-up
  // buffers the area's bottom row), at its left pixel.
  uint8_t* buffer;
  int64_t stride;
  uint32_t pixelFormat;
  int32_t bytesPerPixel;  // 3 or 4
  uint32_t mode;
  bool premultiply;
  bool gradient;
  bool custom;
  bool bottomUp;
  uint8_t* base;  // the output's buffer at (0, 0) of the whole output
  DrawingChannels front;
  DrawingChannels back;
  // Chosen by the mode: a run in the applied front colour, and the formula for any colour
  // (in the gradient and custom modes, the routine that computes each pixel's colour first).
  DrawingSpanRoutine span;
  DrawingPixelRoutine pixel;
  // The mode's formula without the gradient and custom flags: how gradient colours are written.
  DrawingPixelRoutine basePixel;
  bool basePremultiplied;  // whether basePixel expects premultiplied channels
  bool readAlpha;          // reading a pixel includes its alpha
  // ---- text state, kept by the text routines ----
  int64_t font;          // the selected font handle
  HDC textDc;            // memory device context made by start, deleted by end
  HBITMAP textScratch;   // 24-bit top-down section the text is rendered into; deleted by end
  uint8_t* textPixels;
  int64_t textStride;
  int32_t textHeight;
  int32_t italicOverhang;
  HGDIOBJ rotatedFont;   // deleted by end
  double rotatedAngle;
  // ---- output data, set by the output function ----
  bool startReturnsBuffer;  // start returns the buffer address, else outputDc
  HDC outputDc;
  DWORD savedBatchLimit;
  HBITMAP outputBitmap;
  int64_t outputGadget;
  HGDIOBJ outputPrevious;  // what outputDc held before the output bitmap was selected
};

// ---- for output functions ----
// Makes a zeroed context for a buffer of the given pixel format flags, makes it current, and
// fills the defaults and the table. The output then sets outputDc, buffer (its pixel address),
// stride, fullWidth, fullHeight, bitsPerPixel and ops.release. Null when memory ran out.
DrawingContext* DrawingContextNew(uint32_t pixelFormat);
// The current context, or null between spans.
DrawingContext* DrawingCurrent();

// ---- for the text routines ----
// Fills the text entries of a new context's table (setFont, drawText, drawRotatedText,
// textHeight, textWidth). Defined in drawing_text.cpp.
void DrawingTextInstall(DrawingOperations* ops);
// Makes a colour the applied front / back colour when it differs from it (the colour-argument
// rule every operation follows).
void DrawingApplyFront(DrawingContext* context, uint32_t colour);
void DrawingApplyBack(DrawingContext* context, uint32_t colour);
// Prepares a colour's channels as the context's premultiply setting asks.
DrawingChannels DrawingPrepare(const DrawingContext* context, uint32_t colour, bool premultiply);
// The address of row y (0 = top) of the current drawing area, at x = 0; y must be inside it.
inline uint8_t* DrawingRow(const DrawingContext* context, int64_t y) {
  const int64_t row = context->bottomUp ? context->clipHeight - 1 - y : y;
  return context->buffer + row * context->stride;
}
// The gradient colour at (x, y) of the current area.
uint32_t DrawingGradientColorAt(DrawingContext* context, int64_t x, int64_t y);
// Integer division by 255, truncating, for 0 <= value <= 65534 (any sum of two products of
// bytes whose weights add up to 255).
inline int32_t DrawingDiv255(int32_t value) { return (value + 1 + (value >> 8)) >> 8; }
