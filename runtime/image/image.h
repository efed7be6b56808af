// Image objects: the image registry, the image record, the alpha-blending entry point and the
// bitmap routines that the loaders, the drawing context and the gadgets share (row strides,
// sections, conversions of device bitmaps and icons, the alpha test, the smooth scaler).
#pragma once

#include <cstdint>

#include "gdi.h"
#include "registry.h"

// One image: the record each registry slot holds. The handle is a bitmap (normally a section)
// or an icon; it is non-zero exactly while the image exists.
struct ImageObject {
  void* handle;
  int16_t width;        // read back sign-extended: at most 32767 pixels a side are reported
  int16_t height;
  uint8_t depth;        // bits per pixel of the bitmap behind the handle
  uint8_t sourceDepth;  // bits per pixel of the picture as its decoder found it
  uint32_t format;      // tag of the decoder that produced it
};

// A format tag: up to four ASCII letters, the first in the lowest byte.
constexpr uint32_t ImageFormatTag(const char* letters) {
  uint32_t tag = 0;
  for (int i = 0; i < 4 && letters[i] != '\0'; ++i) tag |= static_cast<uint32_t>(static_cast<uint8_t>(letters[i])) << (8 * i);
  return tag;
}
constexpr uint32_t kImageFormatPng = ImageFormatTag("PNG");
constexpr uint32_t kImageFormatJpeg = ImageFormatTag("JPEG");
constexpr uint32_t kImageFormatTiff = ImageFormatTag("TIFF");
constexpr uint32_t kImageFormatTga = ImageFormatTag("TGA");
constexpr uint32_t kImageFormatBmp = ImageFormatTag("BMP");
constexpr uint32_t kImageFormatIcon = ImageFormatTag("ICON");

// ---- library ----
void ImageInit();
void ImageShutdown();
// Loads AlphaBlend from msimg32 and works out whether themed common controls are active.
void DrawingBlendInit();
void DrawingShutdown();
// AlphaBlend as DrawingBlendInit found it, or null when msimg32 or its entry was missing.
using AlphaBlendRoutine = BOOL (*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
AlphaBlendRoutine DrawingAlphaBlend();
// Whether common controls version 6 or later are active with the application themed.
bool DrawingThemedControls();

// ---- image objects ----
// The registry of image records; for the parts that create images (loaders, grabs).
ObjectRegistry* ImageRegistry();
// The record for a number, or a new automatic record for CV_Any: a number in use frees its old
// image first. Null for other negative numbers or when memory ran out.
ImageObject* ImageObjectNew(int64_t number);
// The value that names a record in later calls: its number, or its address for CV_Any.
int64_t ImageObjectId(int64_t number, const ImageObject* record);

void ImageFree(int64_t image);
int64_t ImageHandle(int64_t image);
int64_t ImageGetWidth(int64_t image);
int64_t ImageGetHeight(int64_t image);

// ---- shared bitmap routines ----
// Bytes per row of a bitmap of that depth (1, 4, 8, 15, 16, 24 or 32 bits); 0 for other depths.
int64_t ImageRowStride(int64_t width, int64_t bits);
// A new zero-filled bottom-up section; depths below 24 are raised to 24. 0 on failure.
HBITMAP ImageNewSection(int64_t width, int64_t height, int64_t bits);
// A new section holding a copy of a bitmap; a 32-bit bitmap whose alpha is zero everywhere
// becomes opaque. 0 on failure.
HBITMAP ImageToSection(HBITMAP bitmap);
// A 32-bit bitmap of the icon with alpha: its own colour bitmap when that has alpha, else a
// section whose alpha comes from the icon's mask. 0 on failure.
HBITMAP ImageIconToSection(HICON icon);
// Whether a bitmap carries alpha worth blending (never without AlphaBlend).
bool ImageHasAlpha(HGDIOBJ bitmap);
// A new 24- or 32-bit section of the bitmap at the given size; width -1 keeps the bitmap's own
// size (height -1 its own height). 0 on failure.
HBITMAP ImageConvertForDrawing(HBITMAP bitmap, int64_t width, int64_t height);
// An icon made from .ico file data of `size` bytes, or 0; nothing outside the data is read.
HICON ImageIconFromData(const void* data, int64_t size);
// Resamples 4-byte pixels (rows packed at 4 bytes a pixel; bits must be 32) with a separable
// Mitchell-Netravali filter. 1 on success, 0 for bad arguments or when memory ran out.
int64_t ImageScaleSmooth(const void* source, int64_t sourceWidth, int64_t sourceHeight, void* target,
                         int64_t targetWidth, int64_t targetHeight, int64_t bits);
