// The TGA decoder: uncompressed (type 2) and run-length (type 10) true-colour files of 16, 24 and
// 32 bits per pixel, either vertical origin and right-to-left rows; colour maps are skipped. It
// reads only within the source, writes only within the section and leaves the rest black.
#include <algorithm>

#include "codec.h"
#include "codec_record.h"
#include "image.h"

namespace {

constexpr uint64_t kHeaderSize = 18;
constexpr uint32_t kUncompressed = 2, kRunLength = 10;
constexpr uint32_t kTopFirst = 0x20, kRightToLeft = 0x10;

struct TgaFields {
  uint64_t dataOffset;
  uint32_t type;
  uint32_t bytesPerPixel;  // in the file
  uint32_t descriptor;
};

int64_t TgaCheck(DecodeState* state) {
  const ByteSource source = StateSource(state);
  if (!source.Has(0, kHeaderSize)) return 0;
  const uint32_t mapType = source.U8(1), type = source.U8(2), bits = source.U8(16);
  if (mapType > 1 || (type != kUncompressed && type != kRunLength) || (bits != 16 && bits != 24 && bits != 32)) return 0;
  auto* fields = DecoderPrivate<TgaFields>(state);
  // Colour-map entries take whole bytes: a 15-bit entry is stored in two.
  const uint64_t mapEntryBytes = (source.U8(7) + 7u) / 8;
  fields->dataOffset = kHeaderSize + source.U8(0) + source.Le16(5) * mapEntryBytes;
  fields->type = type;
  fields->bytesPerPixel = bits / 8;
  fields->descriptor = source.U8(17);
  state->width = static_cast<int32_t>(source.Le16(12));
  state->height = static_cast<int32_t>(source.Le16(14));
  state->sourceDepth = static_cast<int32_t>(bits);
  state->sectionBits = bits == 32 ? 32 : 24;
  return 1;
}

// One file pixel into a section pixel of 3 or 4 bytes.
inline void Convert(const uint8_t* in, uint8_t* out, uint32_t bytesPerPixel) {
  if (bytesPerPixel == 2) {
    const unsigned v = in[0] | (in[1] << 8);
    out[0] = static_cast<uint8_t>((v & 31) << 3);
    out[1] = static_cast<uint8_t>(((v >> 5) & 31) << 3);
    out[2] = static_cast<uint8_t>(((v >> 10) & 31) << 3);
    return;
  }
  std::memcpy(out, in, bytesPerPixel);
}

// Returns how many file rows held data; the rest of the section stays black.
int64_t DecodeUncompressed(const ByteSource& source, const TgaFields& fields, uint8_t* pixels, int64_t stride,
                           int64_t width, int64_t height, int64_t sectionBytes, bool inOrder) {
  const int64_t rowBytes = width * fields.bytesPerPixel;
  int64_t i = 0;
  for (; i < height; ++i) {
    const uint64_t start = fields.dataOffset + static_cast<uint64_t>(i * rowBytes);
    if (start >= source.size) break;
    const int64_t count = std::min<int64_t>(width, static_cast<int64_t>((source.size - start) / fields.bytesPerPixel));
    uint8_t* row = pixels + stride * (inOrder ? i : height - 1 - i);
    for (int64_t x = 0; x < count; ++x)
      Convert(source.data + start + x * fields.bytesPerPixel, row + x * sectionBytes, fields.bytesPerPixel);
  }
  return i;
}

// Packets are unpacked one pixel after another from the start of the section, then the rows are
// spread out to the section's stride. Returns how many rows received pixels: only those are
// moved, so that a short file claiming a huge picture costs no more than its data.
int64_t DecodeRunLength(const ByteSource& source, const TgaFields& fields, uint8_t* pixels, int64_t stride,
                        int64_t width, int64_t height, int64_t sectionBytes) {
  const int64_t total = width * height;
  const uint32_t size = fields.bytesPerPixel;
  uint64_t at = fields.dataOffset;
  int64_t done = 0;
  while (done < total && source.Has(at, 1)) {
    const unsigned header = source.U8(at);
    const bool repeat = header >= 128;
    const int64_t count = repeat ? header - 127 : header + 1;
    const uint64_t packetBytes = 1 + (repeat ? size : count * size);
    if (!source.Has(at, packetBytes)) break;
    for (int64_t k = 0; k < count && done < total; ++k, ++done)
      Convert(source.data + at + 1 + (repeat ? 0 : k * size), pixels + done * sectionBytes, size);
    at += packetBytes;
  }
  const int64_t rows = (done + width - 1) / width;
  const int64_t packed = width * sectionBytes;
  if (packed == stride) return rows;
  // Last row first, so that no row is overwritten before it has moved.
  for (int64_t row = rows - 1; row >= 0; --row) {
    if (row > 0) std::memmove(pixels + row * stride, pixels + row * packed, static_cast<size_t>(packed));
    std::memset(pixels + row * stride + packed, 0, static_cast<size_t>(stride - packed));
  }
  return rows;
}

// Turns the section upside down when only its first `rows` rows hold anything.
void SwapTopBottom(uint8_t* pixels, int64_t stride, int64_t height, int64_t rows) {
  for (int64_t i = 0; i < std::min(rows, height / 2); ++i)
    std::swap_ranges(pixels + i * stride, pixels + (i + 1) * stride, pixels + (height - 1 - i) * stride);
}

void MirrorRow(uint8_t* row, int64_t width, int64_t sectionBytes) {
  for (int64_t x = 0; x < width / 2; ++x)
    std::swap_ranges(row + x * sectionBytes, row + (x + 1) * sectionBytes, row + (width - 1 - x) * sectionBytes);
}

int64_t TgaDecode(DecodeState* state, uint8_t* pixels, int64_t stride, int64_t flags) {
  const TgaFields& fields = *DecoderPrivate<TgaFields>(state);
  const ByteSource source = StateSource(state);
  const int64_t width = state->width, height = state->height, sectionBytes = state->sectionBits / 8;
  // Rows land in file order when the file's first row and the section's first row are both the
  // bottom one, or both the top one.
  const bool topFirst = (fields.descriptor & kTopFirst) != 0;
  const bool inOrder = topFirst != ((flags & kCodecBottomUp) != 0);
  int64_t rows = 0;
  if (fields.type == kUncompressed) {
    rows = DecodeUncompressed(source, fields, pixels, stride, width, height, sectionBytes, inOrder);
  } else {
    rows = DecodeRunLength(source, fields, pixels, stride, width, height, sectionBytes);
    if (!inOrder) SwapTopBottom(pixels, stride, height, rows);
  }
  // Right-to-left rows are mirrored; the rows with data are the file's first `rows` ones.
  if (fields.descriptor & kRightToLeft) {
    for (int64_t i = 0; i < rows; ++i) MirrorRow(pixels + stride * (inOrder ? i : height - 1 - i), width, sectionBytes);
  }
  return 1;
}

void TgaFinish(DecodeState*) {}

const DecoderRecord kTgaDecoder = {TgaCheck, TgaDecode, TgaFinish, kImageFormatTga};

}  // namespace

void TgaDecoderInit() {
  if (CodecFirstRegistration(kCodecOnceTgaDecoder)) DecoderRegister(&kTgaDecoder);
}
