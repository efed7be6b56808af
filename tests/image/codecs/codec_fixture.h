// What the codec tests share: a runtime with the image library and every codec registered as
// the program starts them, the corpora's paths, reading files, the pixels of an image in picture
// order, and reference pixels of a PNG as libpng's own simplified reader gives them.
#pragma once

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codec_record.h"
#include "corvid.h"
#include "testing.h"

namespace codec_test {

inline std::string TestData(const std::string& relative) { return std::string(STAMPWORK_TESTDATA) + "/" + relative; }

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline std::u16string Wide(const std::string& path) { return platform::Utf8ToUtf16(path.c_str()); }

// Pixels as B, G, R, A, top row first.
struct Picture {
  int64_t width = 0;
  int64_t height = 0;
  std::vector<uint8_t> bgra;
  const uint8_t* At(int64_t x, int64_t y) const { return &bgra[static_cast<size_t>((y * width + x) * 4)]; }
};

// The section behind an image, top row first; 24-bit pixels get alpha 255.
inline Picture PixelsOf(int64_t image) {
  Picture picture;
  DIBSECTION section{};
  if (GetObjectW(reinterpret_cast<HGDIOBJ>(ImageHandle(image)), sizeof section, &section) != sizeof section) return picture;
  picture.width = section.dsBm.bmWidth;
  picture.height = section.dsBm.bmHeight;
  const int64_t bits = section.dsBm.bmBitsPixel, stride = ImageRowStride(picture.width, bits);
  const auto* base = static_cast<const uint8_t*>(section.dsBm.bmBits);
  for (int64_t y = 0; y < picture.height; ++y) {
    const uint8_t* row = base + (picture.height - 1 - y) * stride;
    for (int64_t x = 0; x < picture.width; ++x) {
      const uint8_t* p = row + x * (bits / 8);
      picture.bgra.insert(picture.bgra.end(), {p[0], p[1], p[2], static_cast<uint8_t>(bits == 32 ? p[3] : 255)});
    }
  }
  return picture;
}

// The PNG marked as sRGB in place of its own colour-space chunks (gAMA, sRGB, iCCP, cHRM): our
// decoder hands out the stored samples, while the simplified reader converts them to sRGB by
// those chunks (and takes unmarked 16-bit samples as linear).
inline std::vector<uint8_t> MarkedAsSrgb(const std::vector<uint8_t>& file) {
  if (file.size() < 33) return file;
  std::vector<uint8_t> out(file.begin(), file.begin() + 33);  // signature and IHDR
  const uint8_t srgb[] = {0, 0, 0, 1, 's', 'R', 'G', 'B', 0};
  out.insert(out.end(), srgb, srgb + sizeof srgb);
  const uLong crc = crc32(0, srgb + 4, 5);
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(crc >> shift));
  size_t at = 33;
  while (at + 12 <= file.size()) {
    const size_t length = (size_t{file[at]} << 24) | (file[at + 1] << 16) | (file[at + 2] << 8) | file[at + 3];
    if (length > file.size() - at - 12) break;
    const std::string type(file.begin() + static_cast<ptrdiff_t>(at + 4), file.begin() + static_cast<ptrdiff_t>(at + 8));
    if (type != "gAMA" && type != "sRGB" && type != "iCCP" && type != "cHRM")
      out.insert(out.end(), file.begin() + static_cast<ptrdiff_t>(at), file.begin() + static_cast<ptrdiff_t>(at + 12 + length));
    at += 12 + length;
  }
  return out;
}

// A PNG as libpng's simplified reader gives it, in B, G, R, A (alpha 255 without transparency),
// its samples taken as they are stored.
inline Picture ReferencePng(const std::vector<uint8_t>& original) {
  const std::vector<uint8_t> file = MarkedAsSrgb(original);
  Picture picture;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) return picture;
  image.format = PNG_FORMAT_BGRA;
  picture.width = image.width;
  picture.height = image.height;
  picture.bgra.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, picture.bgra.data(), 0, nullptr)) picture = Picture{};
  return picture;
}

// The largest difference of any channel between two pictures of the same size (compared in
// B, G, R, and in A too when `alpha`); -1 when the sizes differ.
inline int LargestDifference(const Picture& a, const Picture& b, bool alpha = true) {
  if (a.width != b.width || a.height != b.height || a.bgra.size() != b.bgra.size()) return -1;
  int largest = 0;
  for (size_t i = 0; i < a.bgra.size(); ++i) {
    if (!alpha && i % 4 == 3) continue;
    largest = std::max(largest, std::abs(a.bgra[i] - b.bgra[i]));
  }
  return largest;
}

// The runtime as the program starts it, as far as images go: the codec registry, the BMP codec,
// the image library, then the other codecs (the PNG and JPEG decoders twice, as the program does).
class CodecTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MainHeapCreate();
    StringHeapInit();
    CodecInit();
    BmpCodecInit();
    DrawingBlendInit();
    ImageInit();
    RegisterCodecs();
    gdiObjects_ = platform::testing::GdiObjectCount();
    directory_ = std::filesystem::temp_directory_path() /
                 ("codec_test_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(directory_);
  }
  void TearDown() override {
    ImageShutdown();
    EXPECT_EQ(platform::testing::GdiObjectCount(), gdiObjects_) << "GDI objects left behind";
    DrawingShutdown();
    StringHeapShutdown();
    MainHeapDestroy();
    std::filesystem::remove_all(directory_);
  }
  virtual void RegisterCodecs() {
    PngDecoderInit();
    PngDecoderInit();
    PngEncoderInit();
    JpegDecoderInit();
    JpegDecoderInit();
    TiffDecoderInit();
    TgaDecoderInit();
  }

  int64_t Load(const std::string& relative, int64_t number = CV_Any) {
    return ImageLoad(number, Wide(TestData(relative)).c_str());
  }
  // Loads a corpus file and checks the depth of its section and the depth it was read with.
  int64_t LoadWithDepths(const std::string& relative, int depth, int sourceDepth) {
    const int64_t image = Load(relative);
    EXPECT_NE(image, 0) << relative;
    if (image == 0) return 0;
    EXPECT_EQ(Record(image)->depth, depth) << relative;
    EXPECT_EQ(Record(image)->sourceDepth, sourceDepth) << relative;
    return image;
  }
  int64_t LoadBytes(const std::vector<uint8_t>& bytes, int64_t number = CV_Any) {
    return ImageLoadFromBuffer(number, bytes.data(), static_cast<int64_t>(bytes.size()));
  }
  std::string TempPath(const std::string& name) const { return (directory_ / name).string(); }
  // How many images exist.
  static int64_t ImageCount() {
    int64_t count = 0, id = 0;
    ObjectIterReset(ImageRegistry());
    while (ObjectIterNext(ImageRegistry(), &id)) ++count;
    return count;
  }
  static const ImageObject* Record(int64_t image) { return static_cast<const ImageObject*>(ObjectGet(ImageRegistry(), image)); }

  int64_t gdiObjects_ = 0;
  std::filesystem::path directory_;
};

// A 24- or 32-bit bottom-up section image made directly, filled by `fill(x, y, pixel)` with the
// picture's top row at y = 0.
template <typename Fill>
int64_t MakeImage(int64_t width, int64_t height, int64_t bits, Fill fill) {
  ImageObject* record = ImageObjectNew(CV_Any);
  HBITMAP section = ImageNewSection(width, height, bits);
  DIBSECTION description{};
  GetObjectW(section, sizeof description, &description);
  auto* pixels = static_cast<uint8_t*>(description.dsBm.bmBits);
  const int64_t stride = ImageRowStride(width, bits);
  for (int64_t y = 0; y < height; ++y) {
    for (int64_t x = 0; x < width; ++x) fill(x, y, pixels + (height - 1 - y) * stride + x * (bits / 8));
  }
  record->handle = section;
  record->width = static_cast<int16_t>(width);
  record->height = static_cast<int16_t>(height);
  record->depth = static_cast<uint8_t>(bits);
  return ImageObjectId(CV_Any, record);
}

}  // namespace codec_test
