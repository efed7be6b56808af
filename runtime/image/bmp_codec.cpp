// The BMP codec: a decoder for uncompressed 1-, 4-, 8-, 16-, 24- and 32-bit files and RLE8, and a
// writer for 1, 4, 8, 24 and 32 bits per pixel (palette depths through the colour reducer), to a
// file or to memory. The decoder reads only within the source and leaves what it does not
// cover, or does not support, black.
#include <algorithm>
#include <climits>

#include "codec.h"
#include "codec_record.h"
#include "colour_reducer.h"
#include "heap.h"
#include "image.h"
#include "kernel.h"

namespace {

constexpr uint32_t kBmpSignature = 0x4D42;  // "BM"
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

struct BmpFields {
  uint64_t dataOffset;
  uint64_t paletteOffset;
  int32_t width;
  int32_t height;  // as stored: negative for top-down files, which are not decoded
  uint32_t bits;
  uint32_t compression;
};

// The file's palette as B, G, R triples; entries past the source read as black.
struct Palette {
  uint8_t entry[256][3];
  Palette(const ByteSource& source, uint64_t offset) {
    for (int i = 0; i < 256; ++i) {
      for (int c = 0; c < 3; ++c) entry[i][c] = source.U8(offset + 4 * uint64_t(i) + c);
    }
  }
};

int64_t BmpCheck(DecodeState* state) {
  const ByteSource source = StateSource(state);
  if (!source.Has(0, 10) || source.Le16(0) != kBmpSignature || source.Le16(6) != 0 || source.Le16(8) != 0) return 0;
  auto* fields = DecoderPrivate<BmpFields>(state);
  fields->dataOffset = source.Le32(10);
  fields->paletteOffset = kFileHeaderSize + uint64_t{source.Le32(14)};
  fields->width = static_cast<int32_t>(source.Le32(18));
  fields->height = static_cast<int32_t>(source.Le32(22));
  fields->bits = source.Le16(28);
  fields->compression = source.Le32(30);
  state->width = fields->width;
  // A top-down file gets a black picture of its size.
  state->height = fields->height == INT32_MIN ? 0 : fields->height < 0 ? -fields->height : fields->height;
  state->sectionBits = 24;
  state->sourceDepth = static_cast<int32_t>(fields->bits);
  return 1;
}

void Put(uint8_t* row, int64_t x, uint8_t blue, uint8_t green, uint8_t red) {
  row[3 * x] = blue;
  row[3 * x + 1] = green;
  row[3 * x + 2] = red;
}

void PutEntry(uint8_t* row, int64_t x, const Palette& palette, unsigned index) {
  Put(row, x, palette.entry[index][0], palette.entry[index][1], palette.entry[index][2]);
}

// Bytes of one stored row of an uncompressed file, padding included.
int64_t StoredRowBytes(int64_t width, uint32_t bits) {
  switch (bits) {
    case 32: return width * 4;
    case 24: return width * 3 + (width & 3);
    default: return ImageRowStride(width, bits);
  }
}

// One stored row of `count` pixels (all of which the source holds) into a section row.
void DecodeRow(const uint8_t* in, uint8_t* out, int64_t count, const BmpFields& fields, const Palette& palette) {
  switch (fields.bits) {
    case 32:
      for (int64_t x = 0; x < count; ++x) Put(out, x, in[4 * x], in[4 * x + 1], in[4 * x + 2]);
      break;
    case 24:
      for (int64_t x = 0; x < count; ++x) Put(out, x, in[3 * x], in[3 * x + 1], in[3 * x + 2]);
      break;
    case 16:
      for (int64_t x = 0; x < count; ++x) {
        const unsigned v = in[2 * x] | (in[2 * x + 1] << 8);
        if (fields.compression == kBitFields) Put(out, x, (v & 31) << 3, ((v >> 5) & 63) << 2, (v >> 11) << 3);
        else Put(out, x, (v & 31) << 3, ((v >> 5) & 31) << 3, ((v >> 10) & 31) << 3);
      }
      break;
    case 8:
      for (int64_t x = 0; x < count; ++x) PutEntry(out, x, palette, in[x]);
      break;
    case 4:
      for (int64_t x = 0; x < count; ++x) PutEntry(out, x, palette, (in[x / 2] >> (x % 2 ? 0 : 4)) & 15);
      break;
    case 1:
      for (int64_t x = 0; x < count; ++x) {
        const uint8_t level = (in[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;  // the file's palette is not used
        Put(out, x, level, level, level);
      }
      break;
  }
}

// Whether the decoder knows the combination of depth and compression.
bool Supported(const BmpFields& fields) {
  switch (fields.bits) {
    case 32:
    case 24:
    case 1: return true;
    case 16: return fields.compression == kRgb || fields.compression == kBitFields;
    case 8: return true;
    case 4: return fields.compression != kRle4;
    default: return false;
  }
}

// RLE8: pairs of (count, index) runs and escapes; row r counts from the first stored line.
void DecodeRle8(const ByteSource& source, const BmpFields& fields, const Palette& palette, uint8_t* pixels,
                int64_t stride, bool bottomUp) {
  const int64_t width = fields.width, height = fields.height;
  uint64_t at = fields.dataOffset;
  int64_t x = 0, r = 0;
  auto put = [&](unsigned index) {
    if (x < width && r < height) PutEntry(SectionRow(pixels, stride, height, height - 1 - r, bottomUp), x, palette, index);
    ++x;
  };
  while (r < height && source.Has(at, 2)) {
    const unsigned count = source.U8(at), value = source.U8(at + 1);
    at += 2;
    if (count > 0) {
      for (unsigned k = 0; k < count; ++k) put(value);
    } else if (value == 0) {
      ++r;
      x = 0;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      if (!source.Has(at, 2)) break;
      x += source.U8(at);
      r += source.U8(at + 1);
      at += 2;
    } else {
      if (!source.Has(at, value)) break;
      for (unsigned k = 0; k < value; ++k) put(source.U8(at + k));
      at += value + (value & 1);
    }
  }
}

int64_t BmpDecode(DecodeState* state, uint8_t* pixels, int64_t stride, int64_t flags) {
  const BmpFields& fields = *DecoderPrivate<BmpFields>(state);
  if (fields.height < 1 || fields.width < 1 || !Supported(fields)) return 1;
  const ByteSource source = StateSource(state);
  const Palette palette(source, fields.paletteOffset);
  const int64_t width = fields.width, height = fields.height;
  const bool bottomUp = (flags & kCodecBottomUp) != 0;
  if (fields.bits == 8 && fields.compression == kRle8) {
    DecodeRle8(source, fields, palette, pixels, stride, bottomUp);
    return 1;
  }
  const int64_t rowBytes = StoredRowBytes(width, fields.bits);
  for (int64_t r = 0; r < height; ++r) {
    const uint64_t start = fields.dataOffset + static_cast<uint64_t>(r * rowBytes);
    if (start >= source.size) break;
    // Only pixels whose bytes the source holds are decoded; the rest stays black.
    const uint64_t available = std::min<uint64_t>(source.size - start, static_cast<uint64_t>(rowBytes));
    const int64_t count = std::min<int64_t>(width, static_cast<int64_t>(available * 8 / fields.bits));
    DecodeRow(source.data + start, SectionRow(pixels, stride, height, height - 1 - r, bottomUp), count, fields, palette);
  }
  return 1;
}

void BmpFinish(DecodeState*) {}

// Where the writer puts the file: an open file, or a main-heap block of the file's size.
struct Sink {
  HANDLE file = INVALID_HANDLE_VALUE;
  uint8_t* block = nullptr;
  uint64_t used = 0;

  bool Write(const void* bytes, uint64_t count) {
    if (block != nullptr) {
      std::memcpy(block + used, bytes, count);
      used += count;
      return true;
    }
    DWORD written = 0;
    return WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr) && written == count;
  }
};

// The 14-byte file header and 40-byte information header.
void MakeHeaders(uint8_t* header, uint32_t fileSize, uint32_t dataOffset, uint32_t imageSize, int64_t width,
                 int64_t height, int64_t depth) {
  std::memset(header, 0, kFileHeaderSize + kInfoHeaderSize);
  PutLe16(header, kBmpSignature);
  PutLe32(header + 2, fileSize);
  PutLe32(header + 10, dataOffset);
  PutLe32(header + 14, kInfoHeaderSize);
  PutLe32(header + 18, static_cast<uint32_t>(width));
  PutLe32(header + 22, static_cast<uint32_t>(height));
  PutLe16(header + 26, 1);
  PutLe16(header + 28, static_cast<uint32_t>(depth));
  PutLe32(header + 34, imageSize);
}

// Palette entries and index rows, the bottom picture row first.
bool WritePaletteRows(Sink& sink, const uint8_t* pixels, int64_t width, int64_t height, int64_t stride, int64_t flags,
                      int64_t options, int64_t depth, int64_t inputBits, uint8_t* row, int64_t rowLength) {
  PaletteQuantizer* reducer = PaletteQuantizerNew(pixels, width, height, inputBits, stride, depth, options);
  if (reducer == nullptr) return false;
  const RGBQUAD* palette = PaletteQuantizerPalette(reducer);
  bool ok = true;
  for (int i = 0; i < (1 << depth) && ok; ++i) {
    const uint8_t entry[4] = {palette[i].rgbBlue, palette[i].rgbGreen, palette[i].rgbRed, 0};
    ok = sink.Write(entry, 4);
  }
  for (int64_t i = 0; i < height && ok; ++i) {
    std::memcpy(row, PaletteQuantizerRow(reducer, flags & kCodecBottomUp ? i : height - 1 - i),
                static_cast<size_t>(PaletteQuantizerRowBytes(reducer)));
    ok = sink.Write(row, static_cast<uint64_t>(rowLength));
  }
  PaletteQuantizerFree(reducer);
  return ok;
}

// Full-colour rows, the bottom picture row first: 32-bit input over white for a 24-bit file,
// as it is for a 32-bit one; 24-bit input gets a zero fourth byte in a 32-bit file.
bool WriteColourRows(Sink& sink, const uint8_t* pixels, int64_t width, int64_t height, int64_t stride, int64_t flags,
                     int64_t depth, int64_t inputBits, uint8_t* row, int64_t rowLength) {
  if (inputBits == depth && (flags & kCodecBottomUp) && rowLength == stride)
    return sink.Write(pixels, static_cast<uint64_t>(height * rowLength));
  const int64_t in = inputBits / 8, out = depth / 8;
  for (int64_t i = 0; i < height; ++i) {
    const uint8_t* source = pixels + stride * (flags & kCodecBottomUp ? i : height - 1 - i);
    for (int64_t x = 0; x < width; ++x) {
      const uint8_t* p = source + x * in;
      uint8_t* q = row + x * out;
      if (in == 4 && out == 3) {
        for (int c = 0; c < 3; ++c) q[c] = CompositeOverWhite(p[c], p[3]);
      } else {
        q[0] = p[0];
        q[1] = p[1];
        q[2] = p[2];
        if (out == 4) q[3] = in == 4 ? p[3] : 0;
      }
    }
    if (!sink.Write(row, static_cast<uint64_t>(rowLength))) return false;
  }
  return true;
}

int64_t BmpWrite(const char16_t* file, const uint8_t* pixels, int64_t width, int64_t height, int64_t stride,
                 int64_t flags, int64_t options, int64_t depth, int64_t inputBits) {
  if (depth != 1 && depth != 4 && depth != 8 && depth != 24 && depth != 32) return 0;
  if (pixels == nullptr || width < 1 || height < 1 || width > INT32_MAX / 4 || height > INT32_MAX) return 0;
  const int64_t rowLength = depth >= 24 ? (depth / 8 * width + 3) / 4 * 4 : ImageRowStride(width, depth);
  const uint64_t dataOffset = kFileHeaderSize + kInfoHeaderSize + (depth <= 8 ? 4u << depth : 0);
  const uint64_t imageSize = static_cast<uint64_t>(height) * static_cast<uint64_t>(rowLength);
  // The header's sizes are 32-bit: a larger file cannot be described.
  if (dataOffset + imageSize > UINT32_MAX) return 0;
  const uint64_t fileSize = dataOffset + imageSize;
  uint8_t header[kFileHeaderSize + kInfoHeaderSize];
  MakeHeaders(header, static_cast<uint32_t>(fileSize), static_cast<uint32_t>(dataOffset),
              static_cast<uint32_t>(imageSize), width, height, depth);
  auto* row = static_cast<uint8_t*>(MainHeapAlloc(static_cast<size_t>(rowLength)));
  if (row == nullptr) return 0;
  Sink sink;
  if (file != nullptr) {
    sink.file = CreateFileW(file, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  } else {
    sink.block = static_cast<uint8_t*>(MainHeapAlloc(static_cast<size_t>(fileSize)));
  }
  bool ok = (sink.file != INVALID_HANDLE_VALUE || sink.block != nullptr) && sink.Write(header, sizeof header);
  if (ok && depth <= 8) {
    ok = WritePaletteRows(sink, pixels, width, height, stride, flags, options, depth, inputBits, row, rowLength);
  } else if (ok) {
    ok = WriteColourRows(sink, pixels, width, height, stride, flags, depth, inputBits, row, rowLength);
  }
  MainHeapFree(row);
  if (file == nullptr) {
    if (ok) return static_cast<int64_t>(reinterpret_cast<uintptr_t>(sink.block));
    MainHeapFree(sink.block);
    return 0;
  }
  if (sink.file != INVALID_HANDLE_VALUE) {
    CloseHandle(sink.file);
    if (!ok) DeleteFileW(file);
  }
  return ok ? 1 : 0;
}

int64_t BmpWrite24(const char16_t* file, const uint8_t* pixels, int64_t width, int64_t height, int64_t stride,
                   int64_t flags, int64_t options, int64_t depth) {
  return BmpWrite(file, pixels, width, height, stride, flags, options, depth, 24);
}

int64_t BmpWrite32(const char16_t* file, const uint8_t* pixels, int64_t width, int64_t height, int64_t stride,
                   int64_t flags, int64_t options, int64_t depth) {
  return BmpWrite(file, pixels, width, height, stride, flags, options, depth, 32);
}

const DecoderRecord kBmpDecoder = {BmpCheck, BmpDecode, BmpFinish, kImageFormatBmp};
const EncoderRecord kBmpEncoder = {kImageFormatBmp, BmpWrite24, BmpWrite32};

}  // namespace

void BmpCodecInit() {
  DecoderRegister(&kBmpDecoder);
  EncoderRegister(&kBmpEncoder);
}
