// Fixtures of the drawing tests: the libraries a drawing needs, and test outputs over buffers
// the test owns (3 or 4 bytes a pixel, top-down or bottom-up, guarded on both sides so that a
// write outside the buffer is seen) and over image sections.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "corvid.h"
#include "runtime_fixture.h"
#include "testing.h"

class DrawingTest : public CoreRuntimeTest {
 protected:
  void SetUp() override {
    CoreRuntimeTest::SetUp();
    DrawingBlendInit();
    ImageInit();
    DrawingInit();
    gdiObjects_ = platform::testing::GdiObjectCount();
  }
  void TearDown() override {
    DrawingEnd();
    ImageShutdown();
    DrawingShutdown();
    EXPECT_EQ(platform::testing::GdiObjectCount(), gdiObjects_) << "GDI objects leaked";
    CoreRuntimeTest::TearDown();
  }

 private:
  int64_t gdiObjects_ = 0;
};

// How often the last test output was released, and with what.
struct ReleaseLog {
  int count = 0;
  int64_t lastRepaint = -1;
};
inline ReleaseLog g_releaseLog;

// A pixel buffer owned by the test, with guard bytes before and after it.
class TestBuffer {
 public:
  static constexpr uint8_t kGuard = 0xA5;
  static constexpr size_t kGuardBytes = 64;

  TestBuffer(int width, int height, int bytes, bool bottomUp, uint8_t fill = 0)
      : width_(width), height_(height), bytes_(bytes), bottomUp_(bottomUp),
        stride_(((static_cast<int64_t>(width) * bytes + 3) / 4) * 4) {
    memory_.assign(kGuardBytes * 2 + static_cast<size_t>(stride_ * height), kGuard);
    std::memset(Buffer(), fill, static_cast<size_t>(stride_ * height));
  }

  uint8_t* Buffer() { return memory_.data() + kGuardBytes; }
  int64_t Stride() const { return stride_; }
  // Pixel (x, y) of the picture, y = 0 at the top.
  uint8_t* At(int x, int y) {
    const int row = bottomUp_ ? height_ - 1 - y : y;
    return Buffer() + row * stride_ + static_cast<int64_t>(x) * bytes_;
  }
  // The bytes of a pixel as a vector, for readable expectations.
  std::vector<int> Bytes(int x, int y) {
    const uint8_t* p = At(x, y);
    return std::vector<int>(p, p + bytes_);
  }
  void Set(int x, int y, std::vector<int> bytes) {
    for (int i = 0; i < bytes_; ++i) At(x, y)[i] = static_cast<uint8_t>(bytes[static_cast<size_t>(i)]);
  }
  void FillAll(std::vector<int> bytes) {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) Set(x, y, bytes);
  }
  bool GuardsIntact() const {
    for (size_t i = 0; i < kGuardBytes; ++i) {
      if (memory_[i] != kGuard || memory_[memory_.size() - 1 - i] != kGuard) return false;
    }
    return true;
  }

  // A drawing output over this buffer: start returns the buffer address.
  int64_t Output() {
    uint32_t format = bytes_ == 4 ? kDrawingFormat4Bytes : kDrawingFormat3Bytes;
    if (bottomUp_) format |= kDrawingFormatBottomUp;
    DrawingContext* context = DrawingContextNew(format);
    if (context == nullptr) return 0;
    context->buffer = Buffer();
    context->stride = stride_;
    context->fullWidth = width_;
    context->fullHeight = height_;
    context->bitsPerPixel = bytes_ * 8;
    context->startReturnsBuffer = true;
    g_releaseLog = ReleaseLog{};
    context->ops.release = [](DrawingContext*, int64_t repaint) {
      ++g_releaseLog.count;
      g_releaseLog.lastRepaint = repaint;
    };
    return static_cast<int64_t>(reinterpret_cast<uintptr_t>(context));
  }

  // Begins drawing on this buffer.
  bool Begin() { return DrawingBegin(Output()) != 0; }

  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  int width_;
  int height_;
  int bytes_;
  bool bottomUp_;
  int64_t stride_;
  std::vector<uint8_t> memory_;
};

// The four kinds of test buffers: 3 or 4 bytes a pixel, top-down or bottom-up.
struct BufferKind {
  int bytes;
  bool bottomUp;
};
inline std::string BufferKindName(const ::testing::TestParamInfo<BufferKind>& info) {
  return std::string(info.param.bytes == 4 ? "FourBytes" : "ThreeBytes") + (info.param.bottomUp ? "BottomUp" : "TopDown");
}

// A new image of the given size and depth (24 or 32 bits), zero-filled, under `number`.
inline int64_t NewImage(int64_t number, int64_t width, int64_t height, int64_t bits) {
  HBITMAP section = ImageNewSection(width, height, bits);
  if (section == nullptr) return 0;
  ImageObject* record = ImageObjectNew(number);
  if (record == nullptr) {
    DeleteObject(section);
    return 0;
  }
  record->handle = section;
  record->width = static_cast<int16_t>(width);
  record->height = static_cast<int16_t>(height);
  record->depth = static_cast<uint8_t>(bits);
  return ImageObjectId(number, record);
}

// Pixel (x, y) (y = 0 at the top) of an image's section.
inline uint8_t* ImagePixel(int64_t image, int x, int y) {
  DIBSECTION section{};
  GetObjectW(reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(ImageHandle(image))), sizeof section, &section);
  const int64_t row = section.dsBmih.biHeight > 0 ? section.dsBm.bmHeight - 1 - y : y;
  return static_cast<uint8_t*>(section.dsBm.bmBits) + row * section.dsBm.bmWidthBytes +
         static_cast<int64_t>(x) * (section.dsBm.bmBitsPixel / 8);
}

inline std::vector<int> ImageBytes(int64_t image, int x, int y, int bytes) {
  const uint8_t* p = ImagePixel(image, x, y);
  return std::vector<int>(p, p + bytes);
}

inline void SetImageBytes(int64_t image, int x, int y, std::vector<int> bytes) {
  uint8_t* p = ImagePixel(image, x, y);
  for (size_t i = 0; i < bytes.size(); ++i) p[i] = static_cast<uint8_t>(bytes[i]);
}
