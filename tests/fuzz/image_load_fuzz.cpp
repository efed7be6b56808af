// Feeds arbitrary bytes to ImageLoadFromBuffer, the entry every picture file goes through. A
// load must either fail or give an image of a sensible size; either way it must leave no image,
// GDI object or main-heap block behind once the image is freed. Pictures that load are also
// written back as an 8-bit BMP in memory, which runs the colour reducer over decoded pixels.
#include <cstdint>
#include <cstdlib>

#include "corvid.h"
#include "testing.h"

namespace {

void StartRuntime() {
  ProgramStart();
  // The registry makes its index of automatic ids at the first automatic object and keeps it:
  // one load beforehand, so that the block counts compared below are the steady ones.
  const uint8_t pixel[] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 9, 9, 9};
  ImageFree(ImageLoadFromBuffer(CV_Any, pixel, sizeof pixel));
}

void SaveSmallPicture(int64_t image) {
  const int64_t width = ImageGetWidth(image), height = ImageGetHeight(image);
  if (width * height > 4096) return;
  DIBSECTION section{};
  if (GetObjectW(reinterpret_cast<HGDIOBJ>(ImageHandle(image)), sizeof section, &section) != sizeof section) return;
  const int64_t bits = section.dsBm.bmBitsPixel;
  const int64_t block = ImageEncode(nullptr, section.dsBm.bmBits, ImageFormatTag("BMP"), width, height,
                                    ImageRowStride(width, bits), bits, 2, 0x107, 8);
  if (block == 0) std::abort();  // an image that exists can always be written
  MainHeapFree(reinterpret_cast<void*>(block));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = (StartRuntime(), true);
  (void)started;
  const int64_t objects = platform::testing::GdiObjectCount();
  const int64_t blocks = platform::testing::HeapBlockCount(MainHeap());
  const int64_t image = ImageLoadFromBuffer(CV_Any, data, static_cast<int64_t>(size));
  if (image != 0) {
    const int64_t width = ImageGetWidth(image), height = ImageGetHeight(image);
    if (width < 1 || height < 1) std::abort();
    if (ImageHandle(image) == 0) std::abort();
    SaveSmallPicture(image);
    ImageFree(image);
  }
  if (platform::testing::GdiObjectCount() != objects || platform::testing::HeapBlockCount(MainHeap()) != blocks) std::abort();
  return 0;
}
