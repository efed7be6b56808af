// Label rendering: the label text for a number, the one routine that draws a label (the
// background picture and the text with its box or outline) onto any drawing output, the preview
// redraw on the canvas, and the background picture.
#pragma once

#include <cstdint>

#include "app_state.h"
#include "corvid.h"

// Asks for a background picture and loads it; the size is kept when the load fails.
void BackgroundLoad();
// Loads the picture at `path` as the background, as the requester's answer would. True when
// it loaded; a failed load leaves no picture and keeps the size.
bool BackgroundLoadFile(const char16_t* path);
// Redraws the preview with `text` as the label when anything it depends on changed.
void LabelDraw(const char16_t* text, int64_t flags);

// The label for a number as drawn: cut or zero-padded to the fixed size and framed by the prefix
// and suffix, unless `last` says it is the closing text, which stands alone.
RString LabelCompose(const char16_t* text, int64_t last, const AppState& settings = g_app);
// The label font of the settings (face, size, high quality) as a new font object, 0 on failure.
int64_t LabelFontLoad(const AppState& settings);
// Draws the settings' background picture (white without one) and `label` at the settings'
// anchor, plain, boxed or outlined, in the font with handle `fontHandle`, onto a drawing output
// (an image's or the canvas's). False when the output cannot be drawn on.
bool LabelRender(int64_t output, const AppState& settings, const char16_t* label, int64_t fontHandle);

// A 24-bit image of `width` x `height` pixels to draw labels into; 0 when memory ran out.
int64_t LabelFrameImage(int64_t width, int64_t height);
// The colour of the preview's picture pixel (x, y), label included, as DrawPointRead gives it;
// -1 when nothing can be read there. A preview scaled down to fit the screen is read at full size.
int64_t LabelPreviewPixel(int64_t x, int64_t y);

// The font object of the preview (0 before the first redraw); valid until the next redraw.
int64_t LabelPreviewFont();
// How many times the preview was actually drawn; for tests of the change detection.
int64_t LabelDrawCount();
// Makes the next preview redraw draw even when nothing it depends on changed (something else
// was shown on the canvas).
void LabelInvalidate();
// Forgets the last drawing (its font goes with the font library); the end sequence calls it.
void LabelForget();
