// The colour reducer the writers use to save pictures at 1 to 8 bits per pixel: a palette of
// 2^depth entries and the picture's rows as packed palette indices.
#pragma once

#include <cstdint>

#include "gdi.h"

// Option bit asking for error diffusion instead of plain nearest-entry mapping.
constexpr int64_t kReducerDiffuse = 0x100;

struct PaletteQuantizer;

// Reduces `height` rows of 24- or 32-bit pixels (B, G, R[, A]; `stride` bytes apart) to 2^depth
// colours. Depth 1 is black and white by luminance; depths 2, 4 and 8 learn the palette with a
// self-organising network; other depths are refused. Index rows keep the input's row order and
// are packed most significant bits first. Null for bad arguments or when memory ran out.
PaletteQuantizer* PaletteQuantizerNew(const uint8_t* pixels, int64_t width, int64_t height, int64_t bits,
                                      int64_t stride, int64_t depth, int64_t options);
// 2^depth entries, stored blue, green, red, alpha.
const RGBQUAD* PaletteQuantizerPalette(const PaletteQuantizer* reducer);
int64_t PaletteQuantizerRowBytes(const PaletteQuantizer* reducer);
const uint8_t* PaletteQuantizerRow(const PaletteQuantizer* reducer, int64_t row);
void PaletteQuantizerFree(PaletteQuantizer* reducer);
