// The TIFF decoder over the system libtiff: the memory source is opened through client I/O
// routines and every picture libtiff can turn into RGBA lands in a 32-bit section; one it cannot
// stays black at its declared size. libtiff's warnings and errors are silenced.
#include <tiffio.h>

#include <algorithm>
#include <climits>
#include <cstdarg>

#include "codec.h"
#include "codec_record.h"
#include "image.h"

namespace {

constexpr uint16_t kOldJpeg = 6, kOldDeflate = 32946;
// The largest block libtiff may allocate for one picture, as large as the largest section: a
// header that lies about its strips then fails instead of reserving gigabytes.
constexpr tmsize_t kLargestLibtiffBlock = INT32_MAX;

struct TiffFields {
  uint64_t position;  // read position in the memory source
  TIFF* tiff;
};

// The client handle is the decode state itself.
DecodeState* StateOf(thandle_t handle) { return static_cast<DecodeState*>(handle); }

tmsize_t ReadSource(thandle_t handle, void* buffer, tmsize_t count) {
  DecodeState* state = StateOf(handle);
  TiffFields* fields = DecoderPrivate<TiffFields>(state);
  if (count <= 0 || fields->position >= state->sourceSize) return 0;
  const uint64_t copied = std::min<uint64_t>(static_cast<uint64_t>(count), state->sourceSize - fields->position);
  std::memcpy(buffer, state->source + fields->position, copied);
  fields->position += copied;
  return static_cast<tmsize_t>(copied);
}

tmsize_t WriteNothing(thandle_t, void*, tmsize_t count) { return count; }

toff_t SeekSource(thandle_t handle, toff_t offset, int whence) {
  DecodeState* state = StateOf(handle);
  TiffFields* fields = DecoderPrivate<TiffFields>(state);
  const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<int64_t>(fields->position)
                                                                    : static_cast<int64_t>(state->sourceSize);
  const int64_t moved = base + static_cast<int64_t>(offset);
  if (moved < 0) return static_cast<toff_t>(-1);
  fields->position = static_cast<uint64_t>(moved);
  return fields->position;
}

int CloseNothing(thandle_t) { return 0; }
// The real size lets libtiff reject counts and offsets that lie past the end of the data.
toff_t SourceSize(thandle_t handle) { return StateOf(handle)->sourceSize; }
int MapNothing(thandle_t, void**, toff_t*) { return 0; }
void UnmapNothing(thandle_t, void*, toff_t) {}
// Messages of this handle are taken as handled: none reaches the terminal.
int Silence(TIFF*, void*, const char*, const char*, va_list) { return 1; }

int64_t TiffCheck(DecodeState* state) {
  TiffFields* fields = DecoderPrivate<TiffFields>(state);
  fields->position = 0;
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return 0;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, kLargestLibtiffBlock);
  TIFFOpenOptionsSetErrorHandlerExtR(options, Silence, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, Silence, nullptr);
  fields->tiff = TIFFClientOpenExt("buffer", "r", state, ReadSource, WriteNothing, SeekSource, CloseNothing, SourceSize,
                                   MapNothing, UnmapNothing, options);
  TIFFOpenOptionsFree(options);
  if (fields->tiff == nullptr) return 0;
  uint32_t width = 0, height = 0;
  uint16_t compression = 0, bitsPerSample = 0, samplesPerPixel = 0;
  TIFFGetField(fields->tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(fields->tiff, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(fields->tiff, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(fields->tiff, TIFFTAG_BITSPERSAMPLE, &bitsPerSample);
  TIFFGetFieldDefaulted(fields->tiff, TIFFTAG_SAMPLESPERPIXEL, &samplesPerPixel);
  if (compression == kOldJpeg || compression == kOldDeflate) {
    TIFFClose(fields->tiff);
    fields->tiff = nullptr;
    return 0;
  }
  state->width = width > INT32_MAX ? 0 : static_cast<int32_t>(width);
  state->height = height > INT32_MAX ? 0 : static_cast<int32_t>(height);
  state->sectionBits = 32;
  state->sourceDepth = samplesPerPixel * bitsPerSample;
  return 1;
}

int64_t TiffDecode(DecodeState* state, uint8_t* pixels, int64_t stride, int64_t flags) {
  TiffFields* fields = DecoderPrivate<TiffFields>(state);
  const uint32_t width = static_cast<uint32_t>(state->width), height = static_cast<uint32_t>(state->height);
  auto* raster = static_cast<uint32_t*>(_TIFFmalloc(static_cast<tmsize_t>(width) * height * 4));
  if (raster == nullptr) return 1;  // the picture stays black
  if (TIFFReadRGBAImage(fields->tiff, width, height, raster, 0)) {
    // libtiff's raster starts with the bottom row.
    const bool bottomUp = (flags & kCodecBottomUp) != 0;
    for (uint32_t i = 0; i < height; ++i) {
      const uint32_t* in = raster + static_cast<size_t>(i) * width;
      uint8_t* out = pixels + stride * (bottomUp ? i : height - 1 - i);
      for (uint32_t x = 0; x < width; ++x, out += 4) {
        out[0] = static_cast<uint8_t>(TIFFGetB(in[x]));
        out[1] = static_cast<uint8_t>(TIFFGetG(in[x]));
        out[2] = static_cast<uint8_t>(TIFFGetR(in[x]));
        out[3] = static_cast<uint8_t>(TIFFGetA(in[x]));
      }
    }
  }
  _TIFFfree(raster);
  return 1;
}

void TiffFinish(DecodeState* state) {
  TiffFields* fields = DecoderPrivate<TiffFields>(state);
  if (fields->tiff != nullptr) TIFFClose(fields->tiff);
  fields->tiff = nullptr;
}

const DecoderRecord kTiffDecoder = {TiffCheck, TiffDecode, TiffFinish, kImageFormatTiff};

}  // namespace

void TiffDecoderInit() {
  if (!CodecFirstRegistration(kCodecOnceTiffDecoder)) return;
  // No libtiff message may reach the user's terminal while a picture loads.
  TIFFSetWarningHandler(nullptr);
  TIFFSetWarningHandlerExt(nullptr);
  TIFFSetErrorHandler(nullptr);
  TIFFSetErrorHandlerExt(nullptr);
  DecoderRegister(&kTiffDecoder);
}
