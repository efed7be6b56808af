// What a codec shares with the codec registry: the decoder and encoder records, the decode state
// the loader and the decoder in use work on, and small helpers for reading encoded bytes safely.
// Only the codec sources include this; programs use codec.h.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "gdi.h"

struct DecodeState;

// Rows of the section are stored bottom-up: memory row 0 is the picture's bottom row.
constexpr int64_t kCodecBottomUp = 2;

// A decoder: `check` recognises the source and fills width, height, section bits and source
// depth; `decode` writes the picture into the section; `finish` releases what both kept.
struct DecoderRecord {
  int64_t (*check)(DecodeState* state);
  int64_t (*decode)(DecodeState* state, uint8_t* pixels, int64_t stride, int64_t flags);
  void (*finish)(DecodeState* state);
  uint32_t format;
};

// A writer: with a file name it returns 1 or 0; with a null name it returns the address of a
// main-heap block holding the encoded file (HeapSize gives its length), or 0.
using EncoderWriter = int64_t (*)(const char16_t* file, const uint8_t* pixels, int64_t width, int64_t height,
                                  int64_t stride, int64_t flags, int64_t options, int64_t depth);

struct EncoderRecord {
  uint32_t format;
  EncoderWriter writer24;
  EncoderWriter writer32;  // may be null: 32-bit images are then written over white
};

// Room a decoder has in the decode state for its own fields; each decoder checks its fields fit.
constexpr size_t kDecoderPrivateBytes = 16 * sizeof(void*);

// The one decode state of the process, reused by every load.
struct DecodeState {
  const DecoderRecord* decoder;  // the decoder in use
  FILE* stream;                  // a file source (the loader always passes memory)
  const uint8_t* source;
  uint32_t sourceSize;
  int32_t memorySource;  // 1: the source is the memory block
  int32_t width;
  int32_t height;
  int32_t sectionBits;  // 24 or 32
  alignas(8) unsigned char privateArea[kDecoderPrivateBytes];
  int32_t sourceDepth;  // bits per pixel of the picture as stored
};

// The decoder's own fields, laid over the private area.
template <typename T>
T* DecoderPrivate(DecodeState* state) {
  static_assert(sizeof(T) <= kDecoderPrivateBytes, "decoder fields do not fit the decode state");
  return reinterpret_cast<T*>(state->privateArea);
}

void DecoderRegister(const DecoderRecord* record);
void EncoderRegister(const EncoderRecord* record);

// Each codec registers once per start of the codec registry, whatever its init is called.
enum CodecOnceFlag : uint32_t {
  kCodecOncePngDecoder = 1,
  kCodecOncePngEncoder = 2,
  kCodecOnceJpegDecoder = 4,
  kCodecOnceTiffDecoder = 8,
  kCodecOnceTgaDecoder = 16,
};
// True the first time it is asked for a flag (the caller registers then), false afterwards.
bool CodecFirstRegistration(CodecOnceFlag flag);

// Whether a section of that size can be made and addressed: both sides 1 to 32767 pixels (the
// largest an image reports), no more pixels than the load budget (200 megapixels) and the pixel
// buffer within 2 GiB. Decoders that allocate by the picture's size before the loader makes the
// section ask this first.
bool CodecSizeAcceptable(int64_t width, int64_t height, int64_t bits);

// Compositing a straight-alpha channel over white: (c × a + 255 × (255 − a)) / 255.
inline uint8_t CompositeOverWhite(uint8_t channel, uint8_t alpha) {
  return static_cast<uint8_t>(((channel - 255) * alpha + 65025) / 255);
}

// The section row that picture row `row` (0 = top) lands in, given the section's order.
inline uint8_t* SectionRow(uint8_t* pixels, int64_t stride, int64_t height, int64_t row, bool bottomUp) {
  return pixels + stride * (bottomUp ? height - 1 - row : row);
}

// Reads of encoded bytes that never leave the source: anything past the end reads as 0.
struct ByteSource {
  const uint8_t* data;
  uint64_t size;

  bool Has(uint64_t offset, uint64_t count) const { return offset <= size && count <= size - offset; }
  uint8_t U8(uint64_t offset) const { return offset < size ? data[offset] : 0; }
  uint32_t Le16(uint64_t offset) const { return Has(offset, 2) ? data[offset] | (data[offset + 1] << 8) : 0; }
  uint32_t Le32(uint64_t offset) const {
    return Has(offset, 4) ? data[offset] | (data[offset + 1] << 8) | (data[offset + 2] << 16) |
                                (static_cast<uint32_t>(data[offset + 3]) << 24)
                          : 0;
  }
};

inline ByteSource StateSource(const DecodeState* state) { return ByteSource{state->source, state->sourceSize}; }

inline void PutLe16(uint8_t* out, uint32_t value) {
  out[0] = static_cast<uint8_t>(value);
  out[1] = static_cast<uint8_t>(value >> 8);
}
inline void PutLe32(uint8_t* out, uint32_t value) {
  PutLe16(out, value);
  PutLe16(out + 2, value >> 16);
}
