// The codec registry: decoders and encoders register here, and images are loaded (from files or
// encoded data in memory, recognised by content) and saved (by format tag) through it.
#pragma once

#include <cstdint>

// ---- start-up: the registry first, then each codec registers itself ----
void CodecInit();
void BmpCodecInit();
void PngDecoderInit();
void PngEncoderInit();
void JpegDecoderInit();
void TiffDecoderInit();
void TgaDecoderInit();

// ---- loading ----
// Each returns, for CV_Any, the new image record's address (its id), else the new bitmap or icon
// handle; 0 on failure, and then no image is left under that number.
int64_t ImageLoad(int64_t image, const char16_t* file);
// Encoded data of unknown length: decoders stop at the end of the picture.
int64_t ImageLoadFromMemory(int64_t image, const void* data);
int64_t ImageLoadFromBuffer(int64_t image, const void* data, int64_t size);

// ---- saving ----
// Options default to 7 and depth to -1 (the depth the picture was read with); depths 1 to 8 are
// saved through the colour reducer, option 0x100 asking for error diffusion. The encoder's
// result, 0 on failure.
int64_t ImageSave(int64_t image, const char16_t* file, uint32_t format, int64_t options = 7, int64_t depth = -1);
// The same with the BMP format.
int64_t ImageSave(int64_t image, const char16_t* file);
// Encodes pixel rows with the first encoder of that format. `flags` 2: rows are bottom-up.
// A null file name encodes into memory: the result is then a main-heap block holding the
// encoded file (its length is HeapSize of the block; free it with MainHeapFree).
int64_t ImageEncode(const char16_t* file, const void* pixels, uint32_t format, int64_t width, int64_t height,
                    int64_t stride, int64_t bits, int64_t flags, int64_t options, int64_t depth);
