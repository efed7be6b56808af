// The codec registry and the image loaders and savers built on it. Decoders and encoders
// register in start-up order; a load tries the .ico reader and then each decoder until one
// recognises the data, and decodes straight into a new section; a save hands the image's pixel
// rows to the first encoder of the requested format, over white when it cannot take alpha.
#include "codec.h"

#include <climits>

#include "codec_record.h"
#include "constants.h"
#include "heap.h"
#include "image.h"
#include "kernel.h"
#include "library_state.h"

namespace {

constexpr int kDecoderCapacity = 30;
constexpr int kEncoderCapacity = 32;
// The longest side an image can report (its size is kept in 16 bits) and the largest pixel
// buffer a load will make.
constexpr int64_t kLargestSide = 32767;
constexpr int64_t kLargestSection = INT32_MAX;
// The pixel budget of a load: 200 megapixels, beyond the largest single-shot camera pictures
// (about 150), while a picture's few copies (section, canvas, window) still fit in ordinary
// memory. A header can claim any size in a few bytes; a claim above this is refused before any
// pixel memory is taken.
constexpr int64_t kPixelBudget = 200'000'000;

struct CodecLibrary {
  DecodeState decode;
  const DecoderRecord* decoders[kDecoderCapacity];
  int decoderCount;
  const EncoderRecord* encoders[kEncoderCapacity];
  int encoderCount;
  uint32_t registered;  // CodecOnceFlag bits of the codecs registered since CodecInit
};

CodecLibrary* g_codecs = nullptr;

const EncoderRecord* FindEncoder(uint32_t format) {
  if (g_codecs == nullptr) return nullptr;
  for (int i = 0; i < g_codecs->encoderCount; ++i) {
    if (g_codecs->encoders[i]->format == format) return g_codecs->encoders[i];
  }
  return nullptr;
}

enum class IconLoad { kNotIcon, kLoaded, kFailed };

// An .ico file becomes an icon image; the bitmaps GetIconInfo hands out are only measured.
// The record stays empty unless the icon loaded.
IconLoad LoadIcon(ImageObject* record, const void* data, int64_t size) {
  HICON icon = ImageIconFromData(data, size);
  if (icon == nullptr) return IconLoad::kNotIcon;
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) {
    DestroyIcon(icon);
    return IconLoad::kFailed;
  }
  BITMAP colour{};
  int64_t height = 0;
  if (info.hbmColor != nullptr && GetObjectW(info.hbmColor, sizeof colour, &colour) == sizeof colour) {
    height = colour.bmHeight;
  } else if (GetObjectW(info.hbmMask, sizeof colour, &colour) == sizeof colour) {
    height = colour.bmHeight / 2;  // a monochrome icon: its mask holds the AND and XOR halves
  }
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (height <= 0) {
    DestroyIcon(icon);
    return IconLoad::kFailed;
  }
  record->handle = icon;
  record->width = static_cast<int16_t>(colour.bmWidth);
  record->height = static_cast<int16_t>(height);
  record->depth = static_cast<uint8_t>(colour.bmBitsPixel);
  record->sourceDepth = static_cast<uint8_t>(colour.bmBitsPixel);
  record->format = kImageFormatIcon;
  return IconLoad::kLoaded;
}

// The first registered decoder that recognises the source, with the decode state filled; null
// when none does.
const DecoderRecord* FindDecoder(DecodeState* state, const void* data, int64_t size) {
  std::memset(state, 0, sizeof *state);
  state->source = static_cast<const uint8_t*>(data);
  state->sourceSize = static_cast<uint32_t>(size);
  state->memorySource = 1;
  for (int i = 0; i < g_codecs->decoderCount; ++i) {
    const DecoderRecord* decoder = g_codecs->decoders[i];
    std::memset(state->privateArea, 0, sizeof state->privateArea);
    if (decoder->check(state)) {
      state->decoder = decoder;
      return decoder;
    }
  }
  return nullptr;
}

// Decodes the source into a new section held by the record. Returns false, leaving the record
// empty, when no decoder recognises the data or decoding fails; the decoder's finish step runs
// in every case once its check has succeeded.
bool LoadDecoded(ImageObject* record, const void* data, int64_t size) {
  DecodeState* state = &g_codecs->decode;
  const DecoderRecord* decoder = FindDecoder(state, data, size);
  if (decoder == nullptr) return false;
  HBITMAP section = nullptr;
  DIBSECTION description{};
  if (CodecSizeAcceptable(state->width, state->height, state->sectionBits))
    section = ImageNewSection(state->width, state->height, state->sectionBits);
  if (section != nullptr) {
    bool decoded = GetObjectW(section, sizeof description, &description) == sizeof description &&
                   decoder->decode(state, static_cast<uint8_t*>(description.dsBm.bmBits),
                                   ImageRowStride(description.dsBm.bmWidth, description.dsBm.bmBitsPixel),
                                   kCodecBottomUp) != 0;
    if (!decoded) {
      DeleteObject(section);
      section = nullptr;
    }
  }
  decoder->finish(state);
  if (state->stream != nullptr) std::fclose(state->stream);
  state->stream = nullptr;
  state->decoder = nullptr;
  if (section == nullptr) return false;
  record->handle = section;
  record->width = static_cast<int16_t>(description.dsBm.bmWidth);
  record->height = static_cast<int16_t>(description.dsBm.bmHeight);
  record->depth = static_cast<uint8_t>(description.dsBm.bmBitsPixel);
  record->sourceDepth = static_cast<uint8_t>(state->sourceDepth < 0 ? 0 : state->sourceDepth > 255 ? 255 : state->sourceDepth);
  record->format = decoder->format;
  return true;
}

// A 32-bit picture as packed 24-bit rows composited over white, rows in the same order; a
// main-heap block, or null when memory ran out.
uint8_t* OverWhite(const uint8_t* pixels, int64_t width, int64_t height, int64_t stride, int64_t* newStride) {
  *newStride = ImageRowStride(width, 24);
  auto* out = static_cast<uint8_t*>(HeapAlloc(MainHeap(), 0, static_cast<size_t>(*newStride * height)));
  if (out == nullptr) return nullptr;
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* in = pixels + y * stride;
    uint8_t* row = out + y * *newStride;
    for (int64_t x = 0; x < width; ++x, in += 4, row += 3) {
      row[0] = CompositeOverWhite(in[0], in[3]);
      row[1] = CompositeOverWhite(in[1], in[3]);
      row[2] = CompositeOverWhite(in[2], in[3]);
    }
    for (int64_t pad = width * 3; pad < *newStride; ++pad) out[y * *newStride + pad] = 0;
  }
  return out;
}

}  // namespace

void CodecInit() {
  g_codecs = static_cast<CodecLibrary*>(LibraryStateNew(sizeof(CodecLibrary), nullptr, nullptr));
}

void DecoderRegister(const DecoderRecord* record) {
  // The list has a fixed size: a registration beyond it is dropped rather than written past it.
  if (g_codecs == nullptr || record == nullptr || g_codecs->decoderCount >= kDecoderCapacity) return;
  g_codecs->decoders[g_codecs->decoderCount++] = record;
}

void EncoderRegister(const EncoderRecord* record) {
  if (g_codecs == nullptr || record == nullptr || g_codecs->encoderCount >= kEncoderCapacity) return;
  g_codecs->encoders[g_codecs->encoderCount++] = record;
}

bool CodecFirstRegistration(CodecOnceFlag flag) {
  if (g_codecs == nullptr || (g_codecs->registered & flag) != 0) return false;
  g_codecs->registered |= flag;
  return true;
}

bool CodecSizeAcceptable(int64_t width, int64_t height, int64_t bits) {
  if (width < 1 || height < 1 || width > kLargestSide || height > kLargestSide) return false;
  if (width * height > kPixelBudget) return false;
  if (bits != 24 && bits != 32) return false;
  return ImageRowStride(width, bits) * height <= kLargestSection;
}

int64_t ImageLoad(int64_t image, const char16_t* file) {
  if (file == nullptr || file[0] == u'\0') return 0;
  HANDLE handle = CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  int64_t result = 0;
  DWORD high = 0;
  const DWORD size = GetFileSize(handle, &high);
  // A file of 4 GiB or more cannot be held in one read; it is refused rather than cut short.
  if (size != INVALID_FILE_SIZE && size != 0 && high == 0) {
    void* buffer = HeapAlloc(MainHeap(), 0, size);
    DWORD got = 0;
    if (buffer != nullptr && ReadFile(handle, buffer, size, &got, nullptr) && got == size)
      result = ImageLoadFromBuffer(image, buffer, size);
    if (buffer != nullptr) HeapFree(MainHeap(), 0, buffer);
  }
  CloseHandle(handle);
  return result;
}

int64_t ImageLoadFromMemory(int64_t image, const void* data) { return ImageLoadFromBuffer(image, data, INT32_MAX); }

int64_t ImageLoadFromBuffer(int64_t image, const void* data, int64_t size) {
  if (g_codecs == nullptr || ImageRegistry() == nullptr || data == nullptr || size <= 0 || size > UINT32_MAX) return 0;
  ImageObject* record = ImageObjectNew(image);
  if (record == nullptr) return 0;
  const int64_t id = ImageObjectId(image, record);
  const IconLoad icon = LoadIcon(record, data, size);
  if (icon == IconLoad::kFailed || (icon == IconLoad::kNotIcon && !LoadDecoded(record, data, size))) {
    ObjectRelease(ImageRegistry(), id);
    return 0;
  }
  return image == CV_Any ? id : static_cast<int64_t>(reinterpret_cast<uintptr_t>(record->handle));
}

int64_t ImageSave(int64_t image, const char16_t* file, uint32_t format, int64_t options, int64_t depth) {
  if (file == nullptr || file[0] == u'\0' || ImageRegistry() == nullptr) return 0;
  auto* record = static_cast<ImageObject*>(ObjectGet(ImageRegistry(), image));
  if (record == nullptr) return 0;
  DIBSECTION section{};
  if (GetObjectW(record->handle, sizeof section, &section) != sizeof section || section.dsBm.bmBits == nullptr) return 0;
  if (depth == -1) depth = record->sourceDepth;
  const int64_t width = section.dsBm.bmWidth, bits = section.dsBm.bmBitsPixel;
  return ImageEncode(file, section.dsBm.bmBits, format, width, section.dsBm.bmHeight, ImageRowStride(width, bits), bits,
                     section.dsBmih.biHeight > 0 ? kCodecBottomUp : 0, options, depth);
}

int64_t ImageSave(int64_t image, const char16_t* file) { return ImageSave(image, file, kImageFormatBmp); }

int64_t ImageEncode(const char16_t* file, const void* pixels, uint32_t format, int64_t width, int64_t height,
                    int64_t stride, int64_t bits, int64_t flags, int64_t options, int64_t depth) {
  const EncoderRecord* encoder = FindEncoder(format);
  if (encoder == nullptr || pixels == nullptr || (bits != 24 && bits != 32)) return 0;
  // Sizes whose row arithmetic could overflow are refused along with empty pictures.
  if (width < 1 || height < 1 || width > INT32_MAX / 4 || height > INT32_MAX || stride < ImageRowStride(width, bits) ||
      stride > INT32_MAX)
    return 0;
  const auto* rows = static_cast<const uint8_t*>(pixels);
  if (bits == 24) return encoder->writer24(file, rows, width, height, stride, flags, options, depth);
  if (encoder->writer32 != nullptr && (depth == 32 || depth == -1))
    return encoder->writer32(file, rows, width, height, stride, flags, options, depth);
  int64_t stride24 = 0;
  uint8_t* converted = OverWhite(rows, width, height, stride, &stride24);
  if (converted == nullptr) return 0;
  const int64_t result = encoder->writer24(file, converted, width, height, stride24, flags, options, depth);
  HeapFree(MainHeap(), 0, converted);
  return result;
}
