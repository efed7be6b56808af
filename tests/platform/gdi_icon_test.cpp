// Icons: made from DIB and PNG icon images (the corpus's among them, checked against their
// reference pictures), sizes asked for, broken resource data, GetIconInfo's copies, DrawIconEx
// with mask and alpha, and destroying.
#include <gtest/gtest.h>

#include <cstring>

#include "gdi_helpers.h"
#include "kernel.h"
#include "testing.h"

namespace {

class IconTest : public GdiLeakCheckTest {};

HICON FromData(std::vector<uint8_t> data, int width = 0, int height = 0, UINT flags = 0) {
  return CreateIconFromResourceEx(data.data(), static_cast<DWORD>(data.size()), TRUE, 0x30000, width, height, flags);
}

// Entry `index` of .ico data: its image bytes.
std::vector<uint8_t> IcoImage(const std::vector<uint8_t>& file, int index) {
  const uint8_t* entry = file.data() + 6 + 16 * index;
  uint32_t size, offset;
  std::memcpy(&size, entry + 8, 4);
  std::memcpy(&offset, entry + 12, 4);
  return std::vector<uint8_t>(file.begin() + offset, file.begin() + offset + size);
}

TEST_F(IconTest, ADibImageGivesItsColoursAndItsMask) {
  HICON icon = FromData(IconImageData(4, 2, 24, 0x102030, 255, [](int x, int y) { return x == 0 && y == 1; }));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(GetObjectType(icon), 0u);  // icons are not GDI objects
  IconPixels pixels = ReadIcon(icon);
  EXPECT_EQ(pixels.width, 4);
  EXPECT_EQ(pixels.height, 2);
  EXPECT_EQ(pixels.colour[0], 0x00102030u);  // no alpha: the image has none
  EXPECT_EQ(pixels.mask[4], 0x00FFFFFFu);    // (0, 1) is transparent
  EXPECT_EQ(pixels.mask[0], 0u);
  EXPECT_EQ(pixels.mask[5], 0u);
  EXPECT_TRUE(DestroyIcon(icon));
}

TEST_F(IconTest, GetIconInfoHandsOutNewBitmapsForTheCallerToDelete) {
  HICON icon = FromData(IconImageData(2, 2, 32, 0x445566, 200));
  const int64_t before = platform::testing::GdiObjectCount();
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  EXPECT_TRUE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 1u);
  EXPECT_EQ(platform::testing::GdiObjectCount(), before + 2);
  BITMAP colour{}, mask{};
  GetObjectW(info.hbmColor, sizeof colour, &colour);
  GetObjectW(info.hbmMask, sizeof mask, &mask);
  EXPECT_EQ(colour.bmBitsPixel, 32);
  EXPECT_EQ(mask.bmBitsPixel, 1);
  EXPECT_EQ(PixelsOf(info.hbmColor)[3], 0xC8445566u);
  EXPECT_TRUE(DeleteObject(info.hbmColor));
  EXPECT_TRUE(DeleteObject(info.hbmMask));
  EXPECT_FALSE(DeleteObject(icon));  // icons go with DestroyIcon
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DestroyIcon(icon));
  EXPECT_FALSE(GetIconInfo(icon, &info));
}

// The corpus's icons against their reference pictures: where the reference is opaque the
// colours must match; where it is transparent the mask must be set.
void ExpectMatchesReference(const std::string& ico, const std::string& png, int entry) {
  std::vector<uint8_t> file = TestDataFile(ico), reference = TestDataFile(png);
  ASSERT_FALSE(file.empty()) << ico;
  HICON icon = FromData(IcoImage(file, entry));
  HICON expected = FromData(reference);  // a PNG file is what a PNG icon image holds
  ASSERT_NE(icon, nullptr) << ico;
  ASSERT_NE(expected, nullptr) << png;
  IconPixels got = ReadIcon(icon), want = ReadIcon(expected);
  ASSERT_EQ(got.width, want.width);
  ASSERT_EQ(got.height, want.height);
  int compared = 0;
  for (size_t i = 0; i < got.colour.size(); ++i) {
    const uint32_t wantAlpha = want.colour[i] >> 24;
    if (wantAlpha == 0) {
      EXPECT_NE(got.mask[i] & 0xFFFFFF, 0u) << ico << " pixel " << i;
      continue;
    }
    EXPECT_EQ(got.colour[i] & 0xFFFFFF, want.colour[i] & 0xFFFFFF) << ico << " pixel " << i;
    ++compared;
  }
  EXPECT_GT(compared, 0);
  DestroyIcon(icon);
  DestroyIcon(expected);
}

TEST_F(IconTest, CorpusIconsMatchTheirReferencePictures) {
  ExpectMatchesReference("ico/image-rs/bmp-24bpp-mask.ico", "ico/image-rs/bmp-24bpp-mask.ico.png", 0);
  ExpectMatchesReference("ico/image-rs/bmp-32bpp-alpha.ico", "ico/image-rs/bmp-32bpp-alpha.ico.png", 0);
  ExpectMatchesReference("ico/image-rs/png-32bpp-alpha.ico", "ico/image-rs/png-32bpp-alpha.ico.png", 0);
  ExpectMatchesReference("ico/image-rs/smile.ico", "ico/image-rs/smile.ico.png", 0);
}

TEST_F(IconTest, EveryCorpusIconImageIsAccepted) {
  const char* files[] = {"ico/image-rs/multiple_entries_with_different_bit_depth.ico", "ico/image-rs/smile.ico",
                         "ico/image-rs/two-entry-order-test.ico", "ico/pillow/pillow.ico"};
  for (const char* name : files) {
    std::vector<uint8_t> file = TestDataFile(name);
    ASSERT_GE(file.size(), 6u) << name;
    const int count = file[4] | (file[5] << 8);
    for (int i = 0; i < count; ++i) {
      const int size = file[6 + 16 * i] ? file[6 + 16 * i] : 256;
      HICON icon = FromData(IcoImage(file, i));
      ASSERT_NE(icon, nullptr) << name << " entry " << i;
      IconPixels pixels = ReadIcon(icon);
      EXPECT_EQ(pixels.width, size) << name << " entry " << i;
      EXPECT_EQ(pixels.height, size) << name << " entry " << i;
      DestroyIcon(icon);
    }
  }
}

TEST_F(IconTest, AskedSizesScaleTheIconAndTheDefaultSizeIs32) {
  std::vector<uint8_t> data = IconImageData(16, 16, 32, 0x00FF00, 255);
  HICON icon = FromData(data, 8, 4);
  EXPECT_EQ(ReadIcon(icon).width, 8);
  EXPECT_EQ(ReadIcon(icon).height, 4);
  EXPECT_EQ(ReadIcon(icon).colour[0], 0xFF00FF00u);
  DestroyIcon(icon);
  icon = FromData(data, 0, 0, LR_DEFAULTSIZE);
  EXPECT_EQ(ReadIcon(icon).width, PLATFORM_ICON_SIZE);
  DestroyIcon(icon);
  icon = CreateIconFromResource(data.data(), static_cast<DWORD>(data.size()), TRUE, 0x30000);
  EXPECT_EQ(ReadIcon(icon).width, PLATFORM_ICON_SIZE);
  DestroyIcon(icon);
  EXPECT_EQ(FromData(data, -16, 16), nullptr);
  EXPECT_EQ(FromData(data, 100000, 100000), nullptr);  // far too large to make
}

TEST_F(IconTest, BrokenResourceDataIsRefused) {
  std::vector<uint8_t> good = IconImageData(8, 8, 24, 0x123456);
  auto broken = [&](void (*change)(std::vector<uint8_t>&)) {
    std::vector<uint8_t> data = good;
    change(data);
    return FromData(data) == nullptr;
  };
  EXPECT_TRUE(broken([](std::vector<uint8_t>& d) { d.resize(d.size() - 1); }));  // mask cut short
  EXPECT_TRUE(broken([](std::vector<uint8_t>& d) { d.resize(20); }));
  EXPECT_TRUE(broken([](std::vector<uint8_t>& d) { d[14] = 7; }));    // 7 bits per pixel
  EXPECT_TRUE(broken([](std::vector<uint8_t>& d) { d[4] = 0; }));     // width 0
  EXPECT_TRUE(broken([](std::vector<uint8_t>& d) { d[11] = 0x80; }));  // negative height
  EXPECT_TRUE(broken([](std::vector<uint8_t>& d) { d[7] = 0x7F; }));   // absurd width
  EXPECT_TRUE(broken([](std::vector<uint8_t>& d) { d[0] = 0xFF; }));   // header larger than the data
  EXPECT_TRUE(broken([](std::vector<uint8_t>& d) { d[16] = 1; }));     // compressed
  std::vector<uint8_t> png = TestDataFile("ico/image-rs/png-32bpp-alpha.ico.png");
  for (size_t length : {size_t{8}, size_t{33}, png.size() / 2, png.size() - 20}) {
    std::vector<uint8_t> cut(png.begin(), png.begin() + static_cast<ptrdiff_t>(length));
    EXPECT_EQ(FromData(cut), nullptr) << "PNG cut at " << length;
  }
  EXPECT_EQ(CreateIconFromResourceEx(nullptr, 100, TRUE, 0x30000, 0, 0, 0), nullptr);
  EXPECT_EQ(CreateIconFromResourceEx(good.data(), static_cast<DWORD>(good.size()), TRUE, 0x10000, 0, 0, 0), nullptr);
}

TEST_F(IconTest, CursorResourcesCarryTheirHotspotFirst) {
  std::vector<uint8_t> data = {3, 0, 5, 0};
  std::vector<uint8_t> image = IconImageData(8, 8, 24, 0);
  data.insert(data.end(), image.begin(), image.end());
  HICON cursor = CreateIconFromResourceEx(data.data(), static_cast<DWORD>(data.size()), FALSE, 0x30000, 0, 0, 0);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(cursor, &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 3u);
  EXPECT_EQ(info.yHotspot, 5u);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(cursor);
}

struct Target {
  uint8_t* pixels = nullptr;
  HBITMAP bitmap;
  HDC dc;
  explicit Target(int size) : bitmap(TestSection(size, size, 32, &pixels, true)), dc(CreateCompatibleDC(nullptr)) {
    SelectObject(dc, bitmap);
  }
  ~Target() {
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  uint32_t At(int x, int y, int size) const {
    uint32_t v;
    std::memcpy(&v, pixels + 4 * (y * size + x), 4);
    return v;
  }
};

TEST_F(IconTest, DrawIconExMasksAnIconWithoutAlpha) {
  HICON icon = FromData(IconImageData(2, 2, 24, 0x0000FF, 255, [](int x, int) { return x == 1; }));
  Target target(2);
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  RECT all{0, 0, 2, 2};
  FillRect(target.dc, &all, green);
  ASSERT_TRUE(DrawIconEx(target.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(target.At(0, 0, 2) & 0xFFFFFF, 0x0000FFu);  // covered: the icon's red
  EXPECT_EQ(target.At(1, 0, 2) & 0xFFFFFF, 0x00FF00u);  // transparent: the green below
  ASSERT_TRUE(DrawIconEx(target.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_IMAGE));
  EXPECT_EQ(target.At(1, 0, 2) & 0xFFFFFF, 0u);  // the image alone covers everything
  ASSERT_TRUE(DrawIconEx(target.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_MASK));
  EXPECT_EQ(target.At(0, 1, 2) & 0xFFFFFF, 0u);
  EXPECT_EQ(target.At(1, 1, 2) & 0xFFFFFF, 0xFFFFFFu);
  ASSERT_TRUE(DrawIconEx(target.dc, 0, 0, icon, 0, 0, 0, green, DI_NORMAL));
  EXPECT_EQ(target.At(1, 1, 2) & 0xFFFFFF, 0x00FF00u);  // the brush is laid under the icon
  EXPECT_FALSE(DrawIconEx(target.dc, 0, 0, icon, 0, 0, 0, nullptr, 0));
  DeleteObject(green);
  DestroyIcon(icon);
}

TEST_F(IconTest, DrawIconExBlendsAnIconWithAlpha) {
  HICON icon = FromData(IconImageData(1, 1, 32, 0xFFFFFF, 128));
  Target target(1);
  ASSERT_TRUE(DrawIconEx(target.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
  // White at alpha 128 over black: 128 in every colour channel.
  EXPECT_EQ(target.At(0, 0, 1) & 0xFFFFFF, 0x808080u);
  DestroyIcon(icon);
}

TEST_F(IconTest, CreateIconIndirectCopiesTheBitmaps) {
  HBITMAP colour = CreateBitmap(2, 2, 1, 24, nullptr);
  HBITMAP mask = CreateBitmap(2, 2, 1, 1, nullptr);
  ICONINFO info{TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&info);
  ASSERT_NE(icon, nullptr);
  DeleteObject(colour);
  DeleteObject(mask);
  EXPECT_EQ(ReadIcon(icon).width, 2);  // the icon keeps its own copies
  DestroyIcon(icon);
  info.hbmMask = nullptr;
  EXPECT_EQ(CreateIconIndirect(&info), nullptr);
}

}  // namespace
