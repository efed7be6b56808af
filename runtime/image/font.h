// Fonts and text drawing: the font registry (a face name, a size in points and style flags
// made into a numbered font holding a font handle), the screen resolution sizes are reckoned
// in, and the program's text operations on the current drawing.
#pragma once

#include <cstdint>

// ---- style flags of FontLoad ----
constexpr int64_t CV_Font_Underline = 4;
constexpr int64_t CV_Font_StrikeOut = 8;
constexpr int64_t CV_Font_HighQuality = 16;  // proof quality
constexpr int64_t CV_Font_Bold = 256;
constexpr int64_t CV_Font_Italic = 512;

// ---- library ----
// Creates the font registry and reads the screen's vertical resolution (96 without a screen).
void FontInit();
// Frees every font.
void FontShutdown();
// The library's second end routine; nothing is left to do by then.
void FontEnd();
// The vertical dots per inch FontInit found.
int64_t FontScreenResolution();

// ---- fonts ----
// A font of the face at `size` points with the style flags, under a number or CV_Any: the
// record's address for CV_Any, else the font handle; 0 on failure. A number in use frees its
// old font first.
int64_t FontLoad(int64_t font, const char16_t* name, int64_t size, int64_t flags);
// Frees a font (-1: every font); unknown fonts are ignored.
void FontFree(int64_t font);
// The font handle, 0 for an unknown font.
int64_t FontHandle(int64_t font);

// ---- text on the current drawing ----
// Selects a font handle for the text operations; -1 selects the system font. A handle that is
// no font (0 from a failed FontLoad) leaves the font selected before it in use.
void DrawingSetFont(int64_t handle);
// Advance width of the text in pixels plus the italic overhang, and height of the text cell;
// 0 for an empty text or without a drawing.
int64_t DrawTextWidth(const char16_t* text);
int64_t DrawTextHeight(const char16_t* text);
// Draws text with its cell's top-left corner at (x, y): the glyphs in the front colour over a
// background in the back colour (the drawing's back colour in the short form) unless the mode
// is transparent. Returns the x where following text would start (x + DrawTextWidth).
int64_t DrawTextAt(int64_t x, int64_t y, const char16_t* text, int64_t front);
int64_t DrawTextAt(int64_t x, int64_t y, const char16_t* text, int64_t front, int64_t back);
// Draws the outline of a text in `colour`: what drawing it at every offset from -border to
// border in x and in y (x the outer loop) would leave, drawn at once. A negative border draws
// nothing. In the transparent mode without gradient, filter or special modes the glyphs are
// rendered once and every pixel blended once, whatever the border; other modes stamp.
void DrawTextOutline(int64_t x, int64_t y, const char16_t* text, int64_t colour, int64_t border);
// Draws text in the front colour turned counter-clockwise by `angle` degrees about (x, y), never
// with a background. Returns x plus the horizontal part of the text's advance.
int64_t DrawTextRotated(int64_t x, int64_t y, const char16_t* text, double angle);
