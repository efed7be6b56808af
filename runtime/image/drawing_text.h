// What the text routines of the drawing context share: the blend that lays rendered text (white
// on black in a 24-bit top-down image, each channel read as that channel's coverage) onto the
// current drawing area by the rules of the drawing mode.
#pragma once

#include <cstdint>

#include "drawing_context.h"

// A 24-bit top-down section selected into a new memory DC, for rendering text white on black;
// dc and pixels are null on failure.
struct TextScratch {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  uint8_t* pixels = nullptr;
  int64_t stride = 0;

  TextScratch(int64_t width, int64_t height);
  ~TextScratch();
  TextScratch(const TextScratch&) = delete;
  TextScratch& operator=(const TextScratch&) = delete;
  bool Ok() const { return dc != nullptr && pixels != nullptr; }
};

// Blends the width x height pixels of `pixels` (rows `stride` bytes apart) onto the current
// area with their top-left corner at (x, y) of the area, clipped to it. Rotated text never gets
// a background: it is blended as in transparent mode.
void DrawingTextBlend(DrawingContext* context, const uint8_t* pixels, int64_t stride, int64_t width, int64_t height,
                      int64_t x, int64_t y, bool rotated);

// The length of a text in characters, at most INT_MAX.
int DrawingTextLength(const char16_t* text);
// The extent of a text in the context's selected font; false for an empty text or without a
// text device context.
bool DrawingTextMeasure(DrawingContext* context, const char16_t* text, SIZE* size);
