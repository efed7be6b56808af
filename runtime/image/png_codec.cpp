// The PNG codec over the system libpng: a decoder that reads every colour type and bit depth
// (transparency, interlacing) into a 24- or 32-bit section, and a writer that saves RGB, RGBA or
// palette files without row filters at the strongest compression, to a file or to memory.
// libpng reports errors by jumping back here; its messages never reach the terminal.
#include <png.h>

#include <csetjmp>

#include "codec.h"
#include "codec_record.h"
#include "colour_reducer.h"
#include "heap.h"
#include "image.h"
#include "kernel.h"

namespace {

constexpr size_t kSignatureBytes = 8;
// Room beyond the raw pixels that an in-memory encoding may take (headers, incompressible data).
constexpr uint64_t kMemoryTargetMargin = 32768;

// libpng's error routine: no message, straight back to the codec's jump buffer.
[[noreturn]] void ErrorJump(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void IgnoreWarning(png_structp, png_const_charp) {}

// ---- decoder ----

struct PngFields {
  png_structp png;
  png_infop info;
  uint64_t cursor;  // offset of the next byte to read
  uint64_t end;     // size of the memory source
  int colourType;
  int bitDepth;
  int passes;
};

void ReadFromSource(png_structp png, png_bytep out, size_t count) {
  auto* state = static_cast<DecodeState*>(png_get_io_ptr(png));
  PngFields* fields = DecoderPrivate<PngFields>(state);
  // Handing libpng fewer bytes than it asked for would leave the rest of its buffer unset.
  if (count > fields->end - fields->cursor) png_error(png, "unexpected end of data");
  std::memcpy(out, state->source + fields->cursor, count);
  fields->cursor += count;
}

void DestroyReader(PngFields* fields) {
  if (fields->png != nullptr) png_destroy_read_struct(&fields->png, &fields->info, nullptr);
  fields->png = nullptr;
  fields->info = nullptr;
}

int SourceDepth(int colourType, int bitDepth) {
  switch (colourType) {
    case PNG_COLOR_TYPE_RGB: return 24;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 32;
    default: return bitDepth;
  }
}

int64_t PngCheck(DecodeState* state) {
  if (state->sourceSize < kSignatureBytes || png_sig_cmp(state->source, 0, kSignatureBytes) != 0) return 0;
  PngFields* fields = DecoderPrivate<PngFields>(state);
  fields->end = state->sourceSize;
  fields->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorJump, IgnoreWarning);
  if (fields->png == nullptr) return 0;
  if (setjmp(png_jmpbuf(fields->png))) {
    DestroyReader(fields);
    return 0;
  }
  png_set_read_fn(fields->png, state, ReadFromSource);
  fields->info = png_create_info_struct(fields->png);
  if (fields->info == nullptr) png_error(fields->png, "out of memory");
  png_read_info(fields->png, fields->info);
  png_uint_32 width = 0, height = 0;
  png_get_IHDR(fields->png, fields->info, &width, &height, &fields->bitDepth, &fields->colourType, nullptr, nullptr,
               nullptr);
  state->sourceDepth = SourceDepth(fields->colourType, fields->bitDepth);
  // Every transform is asked for before the read information is updated, which happens once.
  if (png_get_valid(fields->png, fields->info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(fields->png);
  if (fields->colourType == PNG_COLOR_TYPE_GRAY || fields->colourType == PNG_COLOR_TYPE_PALETTE ||
      fields->colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    if (fields->bitDepth < 8) png_set_expand(fields->png);
    if (fields->colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(fields->png);
    else png_set_gray_to_rgb(fields->png);
  }
  if (fields->bitDepth == 16) png_set_strip_16(fields->png);
  png_set_bgr(fields->png);
  fields->passes = png_set_interlace_handling(fields->png);
  png_read_update_info(fields->png, fields->info);
  int depth = 0, colourType = 0;
  png_get_IHDR(fields->png, fields->info, &width, &height, &depth, &colourType, nullptr, nullptr, nullptr);
  state->sectionBits = colourType == PNG_COLOR_TYPE_RGB ? 24 : 32;
  // The rows must come out as the section stores them: 8-bit B, G, R[, A].
  if (depth != 8 || png_get_rowbytes(fields->png, fields->info) != size_t{width} * (state->sectionBits / 8)) {
    DestroyReader(fields);
    return 0;
  }
  state->width = width > INT32_MAX ? 0 : static_cast<int32_t>(width);
  state->height = height > INT32_MAX ? 0 : static_cast<int32_t>(height);
  return 1;
}

int64_t PngDecode(DecodeState* state, uint8_t* pixels, int64_t stride, int64_t flags) {
  PngFields* fields = DecoderPrivate<PngFields>(state);
  if (setjmp(png_jmpbuf(fields->png))) return 0;
  const bool bottomUp = (flags & kCodecBottomUp) != 0;
  for (int pass = 0; pass < fields->passes; ++pass) {
    for (int64_t i = 0; i < state->height; ++i) {
      png_bytep row = SectionRow(pixels, stride, state->height, i, bottomUp);
      png_read_rows(fields->png, &row, nullptr, 1);
    }
  }
  return 1;
}

void PngFinish(DecodeState* state) { DestroyReader(DecoderPrivate<PngFields>(state)); }

// ---- writer ----

// One encoding, kept on the heap so that it is intact when libpng jumps back with an error.
struct PngWriteJob {
  const char16_t* file;
  const uint8_t* pixels;
  int64_t width, height, stride, flags, options, depth;
  int colourType;
  png_structp png;
  png_infop info;
  PaletteQuantizer* reducer;
  FILE* stream;
  uint8_t* block;  // the memory target
  uint64_t capacity;
  uint64_t used;
};

void AppendToTarget(png_structp png, png_bytep bytes, size_t count) {
  auto* job = static_cast<PngWriteJob*>(png_get_io_ptr(png));
  // The target is never enlarged: an encoding that does not fit fails.
  if (count > job->capacity - job->used) png_error(png, "memory target full");
  std::memcpy(job->block + job->used, bytes, count);
  job->used += count;
}

void WriteFullColour(PngWriteJob* job) {
  png_set_IHDR(job->png, job->info, static_cast<png_uint_32>(job->width), static_cast<png_uint_32>(job->height), 8,
               job->colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_bgr(job->png);
  png_write_info(job->png, job->info);
  const bool bottomUp = (job->flags & kCodecBottomUp) != 0;
  for (int64_t i = 0; i < job->height; ++i)
    png_write_row(job->png, SectionRow(const_cast<uint8_t*>(job->pixels), job->stride, job->height, i, bottomUp));
}

void WritePalette(PngWriteJob* job) {
  const int64_t inputBits = job->colourType == PNG_COLOR_TYPE_RGB ? 24 : 32;
  job->reducer = PaletteQuantizerNew(job->pixels, job->width, job->height, inputBits, job->stride, job->depth, job->options);
  if (job->reducer == nullptr) png_error(job->png, "out of memory");
  png_set_IHDR(job->png, job->info, static_cast<png_uint_32>(job->width), static_cast<png_uint_32>(job->height),
               static_cast<int>(job->depth), PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  const RGBQUAD* entries = PaletteQuantizerPalette(job->reducer);
  png_color palette[256];
  const int count = 1 << job->depth;
  for (int i = 0; i < count; ++i) palette[i] = png_color{entries[i].rgbRed, entries[i].rgbGreen, entries[i].rgbBlue};
  png_set_PLTE(job->png, job->info, palette, count);
  png_write_info(job->png, job->info);
  // The picture's top row first: with bottom-up input that is the reducer's last row.
  for (int64_t i = 0; i < job->height; ++i)
    png_write_row(job->png, PaletteQuantizerRow(job->reducer, job->flags & kCodecBottomUp ? job->height - 1 - i : i));
  PaletteQuantizerFree(job->reducer);
  job->reducer = nullptr;
}

void Encode(PngWriteJob* job) {
  if (job->stream != nullptr) png_init_io(job->png, job->stream);
  else png_set_write_fn(job->png, job, AppendToTarget, nullptr);
  job->info = png_create_info_struct(job->png);
  if (job->info == nullptr) png_error(job->png, "out of memory");
  png_set_filter(job->png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(job->png, 9);
  if (job->depth >= 1 && job->depth <= 8) WritePalette(job);
  else WriteFullColour(job);
  png_write_end(job->png, job->info);
}

// Releases the job; on failure also the partial file or the memory target. The result: 1 or 0
// for a file, the shrunk memory target or 0 in memory.
int64_t EndJob(PngWriteJob* job, bool ok) {
  if (job->png != nullptr) png_destroy_write_struct(&job->png, &job->info);
  PaletteQuantizerFree(job->reducer);
  int64_t result = 0;
  if (job->file != nullptr) {
    if (job->stream != nullptr && std::fclose(job->stream) != 0) ok = false;  // the last bytes did not reach the disk
    if (!ok && job->stream != nullptr) DeleteFileW(job->file);
    result = ok && job->stream != nullptr ? 1 : 0;
  } else if (job->block != nullptr) {
    void* shrunk = ok ? HeapReAlloc(MainHeap(), 0, job->block, static_cast<size_t>(job->used)) : nullptr;
    if (shrunk == nullptr) MainHeapFree(job->block);
    result = static_cast<int64_t>(reinterpret_cast<uintptr_t>(shrunk));
  }
  MainHeapFree(job);
  return result;
}

int64_t PngWrite(const char16_t* file, const uint8_t* pixels, int64_t width, int64_t height, int64_t stride,
                 int64_t flags, int64_t options, int64_t depth, int colourType) {
  if (pixels == nullptr || width < 1 || height < 1 || width > INT32_MAX / 4 || height > INT32_MAX) return 0;
  auto* job = static_cast<PngWriteJob*>(MainHeapAlloc(sizeof(PngWriteJob)));
  if (job == nullptr) return 0;
  job->file = file;
  job->pixels = pixels;
  job->width = width;
  job->height = height;
  job->stride = stride;
  job->flags = flags;
  job->options = options;
  job->depth = depth;
  job->colourType = colourType;
  if (file != nullptr) {
    job->stream = _wfopen(file, u"wb");
  } else {
    job->capacity = static_cast<uint64_t>(colourType == PNG_COLOR_TYPE_RGB ? 3 : 4) * static_cast<uint64_t>(width) *
                        static_cast<uint64_t>(height) +
                    kMemoryTargetMargin;
    job->block = static_cast<uint8_t*>(HeapAlloc(MainHeap(), 0, static_cast<size_t>(job->capacity)));
  }
  if (job->stream == nullptr && job->block == nullptr) return EndJob(job, false);
  job->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorJump, IgnoreWarning);
  if (job->png == nullptr) return EndJob(job, false);
  if (setjmp(png_jmpbuf(job->png))) return EndJob(job, false);
  Encode(job);
  return EndJob(job, true);
}

int64_t PngWriteRgb(const char16_t* file, const uint8_t* pixels, int64_t width, int64_t height, int64_t stride,
                    int64_t flags, int64_t options, int64_t depth) {
  return PngWrite(file, pixels, width, height, stride, flags, options, depth, PNG_COLOR_TYPE_RGB);
}

int64_t PngWriteRgba(const char16_t* file, const uint8_t* pixels, int64_t width, int64_t height, int64_t stride,
                     int64_t flags, int64_t options, int64_t depth) {
  return PngWrite(file, pixels, width, height, stride, flags, options, depth, PNG_COLOR_TYPE_RGB_ALPHA);
}

const DecoderRecord kPngDecoder = {PngCheck, PngDecode, PngFinish, kImageFormatPng};
const EncoderRecord kPngEncoder = {kImageFormatPng, PngWriteRgb, PngWriteRgba};

}  // namespace

void PngDecoderInit() {
  if (CodecFirstRegistration(kCodecOncePngDecoder)) DecoderRegister(&kPngDecoder);
}

void PngEncoderInit() {
  if (CodecFirstRegistration(kCodecOncePngEncoder)) EncoderRegister(&kPngEncoder);
}
