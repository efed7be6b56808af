// Icons as images: the .ico entry choice, the corpus's icons, PNG entries, icons turned into
// 32-bit bitmaps with alpha from their mask or their own alpha, and .ico data that lies about
// its counts, offsets and sizes (read from buffers of exactly its length, so that any read
// past the end shows under the address sanitizer).
#include <gtest/gtest.h>

#include <cstring>

#include "image_fixture.h"

namespace {

class IconImageTest : public ImageRuntimeTest {};

HICON Icon(const std::vector<uint8_t>& data) { return ImageIconFromData(data.data(), static_cast<int64_t>(data.size())); }

TEST_F(IconImageTest, TheFirstEntrysSizeWithTheMostBitsIsChosen) {
  const std::vector<uint8_t> file = IcoFile({
      {32, 32, 4, IconImageData(32, 32, 4, 0x0000FF)},        // red, 4 bits
      {16, 16, 32, IconImageData(16, 16, 32, 0x00FF00, 255)},  // green, 32 bits, another size
      {32, 32, 32, IconImageData(32, 32, 32, 0xFF0000, 255)},  // blue, 32 bits
  });
  HICON icon = Icon(file);
  ASSERT_NE(icon, nullptr);
  IconPixels summary = ReadIcon(icon);
  EXPECT_EQ(summary.width, 32);
  EXPECT_EQ(summary.height, 32);
  EXPECT_EQ(summary.colour[0], 0xFFFF0000u);
  DestroyIcon(icon);
}

TEST_F(IconImageTest, TiesGoToTheFirstOfTheEqualEntries) {
  const std::vector<uint8_t> file = IcoFile({
      {8, 8, 24, IconImageData(8, 8, 24, 0x111111)},
      {8, 8, 24, IconImageData(8, 8, 24, 0x222222)},
  });
  HICON icon = Icon(file);
  EXPECT_EQ(ReadIcon(icon).colour[0], 0x111111u);
  DestroyIcon(icon);
}

TEST_F(IconImageTest, CorpusIconsLoadAtTheChosenEntrysSize) {
  struct Case {
    const char* file;
    LONG size;
    bool alpha;
  };
  const Case cases[] = {
      {"ico/image-rs/multiple_entries_with_different_bit_depth.ico", 32, true},  // the 32x32/32 entry
      {"ico/image-rs/smile.ico", 32, false},  // bit counts left 0: the first entry
      {"ico/image-rs/two-entry-order-test.ico", 48, false},
      {"ico/image-rs/bmp-24bpp-mask.ico", 32, false},
      {"ico/image-rs/bmp-32bpp-alpha.ico", 32, true},
      {"ico/image-rs/png-32bpp-alpha.ico", 32, true},
      {"ico/pillow/pillow.ico", 256, true},  // a 256 x 256 PNG entry
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> data = TestDataFile(c.file);
    HICON icon = Icon(data);
    ASSERT_NE(icon, nullptr) << c.file;
    IconPixels summary = ReadIcon(icon);
    EXPECT_EQ(summary.width, c.size) << c.file;
    EXPECT_EQ(summary.height, c.size) << c.file;
    ICONINFO info{};
    GetIconInfo(icon, &info);
    EXPECT_EQ(ImageHasAlpha(info.hbmColor), c.alpha) << c.file;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

TEST_F(IconImageTest, AnIconWithoutAlphaIsOpaqueExactlyWhereItsMaskIsBlack) {
  auto transparent = [](int x, int y) { return (x + 2 * y) % 3 == 0; };
  const std::vector<uint8_t> file = IcoFile({{5, 4, 24, IconImageData(5, 4, 24, 0x336699, 255, transparent)}});
  HICON icon = Icon(file);
  HBITMAP section = ImageIconToSection(icon);
  ASSERT_NE(section, nullptr);
  DIBSECTION description{};
  ASSERT_EQ(GetObjectW(section, sizeof description, &description), static_cast<int>(sizeof description));
  EXPECT_EQ(description.dsBm.bmBitsPixel, 32);
  EXPECT_GT(description.dsBmih.biHeight, 0);  // bottom-up
  std::vector<uint32_t> pixels = PixelsOf(section);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 5; ++x) {
      const uint32_t expected = transparent(x, y) ? 0x00000000u : 0xFF336699u;
      EXPECT_EQ(pixels[y * 5 + x], expected) << x << "," << y;
    }
  }
  DeleteObject(section);
  DestroyIcon(icon);
}

TEST_F(IconImageTest, TheCorpusMaskIconGetsItsReferenceAlpha) {
  HICON icon = Icon(TestDataFile("ico/image-rs/bmp-24bpp-mask.ico"));
  std::vector<uint8_t> reference = TestDataFile("ico/image-rs/bmp-24bpp-mask.ico.png");
  HICON expected = CreateIconFromResourceEx(reference.data(), static_cast<DWORD>(reference.size()), TRUE, 0x30000, 0, 0, 0);
  HBITMAP section = ImageIconToSection(icon);
  ASSERT_NE(section, nullptr);
  std::vector<uint32_t> got = PixelsOf(section), want = ReadIcon(expected).colour;
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i] >> 24, (want[i] >> 24) ? 255u : 0u) << "pixel " << i;
  DeleteObject(section);
  DestroyIcon(expected);
  DestroyIcon(icon);
}

TEST_F(IconImageTest, AnIconWithAlphaComesBackAsItsOwnColourBitmap) {
  const std::vector<uint8_t> file = IcoFile({{2, 2, 32, IconImageData(2, 2, 32, 0x204060, 99)}});
  HICON icon = Icon(file);
  HBITMAP bitmap = ImageIconToSection(icon);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
  EXPECT_EQ(PixelsOf(bitmap), (std::vector<uint32_t>(4, 0x63204060u)));
  DeleteObject(bitmap);
  DestroyIcon(icon);
  EXPECT_EQ(ImageIconToSection(icon), nullptr);  // destroyed
}

// Changes one field of a good three-entry file and expects no icon.
class BadIcoTest : public IconImageTest {
 protected:
  std::vector<uint8_t> good = IcoFile({
      {16, 16, 24, IconImageData(16, 16, 24, 0x0000FF)},
      {16, 16, 32, IconImageData(16, 16, 32, 0x00FF00, 255)},
      {8, 8, 24, IconImageData(8, 8, 24, 0xFF0000)},
  });
  void Put16(std::vector<uint8_t>& data, size_t at, uint16_t value) { std::memcpy(&data[at], &value, 2); }
  void Put32(std::vector<uint8_t>& data, size_t at, uint32_t value) { std::memcpy(&data[at], &value, 4); }
  // Entry 1 (16 x 16, 32 bits) is the one chosen.
  static constexpr size_t kChosen = 6 + 16;
  uint32_t ChosenOffset() const {
    uint32_t offset;
    std::memcpy(&offset, &good[kChosen + 12], 4);
    return offset;
  }
  void ExpectNoIcon(const std::vector<uint8_t>& data, const char* what) {
    // Exactly the data's bytes on the heap: a read past them is caught.
    std::unique_ptr<uint8_t[]> copy(new uint8_t[data.size() ? data.size() : 1]);
    if (!data.empty()) std::memcpy(copy.get(), data.data(), data.size());
    HICON icon = ImageIconFromData(copy.get(), static_cast<int64_t>(data.size()));
    EXPECT_EQ(icon, nullptr) << what;
    if (icon) DestroyIcon(icon);
  }
};

TEST_F(BadIcoTest, TheGoodFileLoads) {
  HICON icon = Icon(good);
  EXPECT_EQ(ReadIcon(icon).colour[0], 0xFF00FF00u);
  DestroyIcon(icon);
}

TEST_F(BadIcoTest, DirectoriesThatLieAreRefused) {
  std::vector<uint8_t> d = good;
  Put16(d, 4, 0xFFFF);
  ExpectNoIcon(d, "absurd entry count");
  d = good;
  Put16(d, 4, 0);
  ExpectNoIcon(d, "no entries");
  d = good;
  Put16(d, 0, 1);
  ExpectNoIcon(d, "reserved word not zero");
  d = good;
  Put16(d, 2, 2);
  ExpectNoIcon(d, "a cursor file");
  ExpectNoIcon(std::vector<uint8_t>(good.begin(), good.begin() + 5), "shorter than the directory");
  ExpectNoIcon(std::vector<uint8_t>(good.begin(), good.begin() + 30), "entries cut off");
  EXPECT_EQ(ImageIconFromData(nullptr, 100), nullptr);
  EXPECT_EQ(ImageIconFromData(good.data(), -1), nullptr);
}

TEST_F(BadIcoTest, ImagesOutsideTheDataAreRefused) {
  std::vector<uint8_t> d = good;
  Put32(d, kChosen + 12, static_cast<uint32_t>(good.size()));
  ExpectNoIcon(d, "offset at the end");
  d = good;
  Put32(d, kChosen + 12, 0xFFFFFFF0u);
  ExpectNoIcon(d, "offset far past the end");
  d = good;
  Put32(d, kChosen + 8, 0xFFFFFFFFu);
  ExpectNoIcon(d, "size far past the end");
  d = good;
  Put32(d, kChosen + 8, 0);
  ExpectNoIcon(d, "size zero");
  d = good;
  Put32(d, kChosen + 8, 39);
  ExpectNoIcon(d, "size smaller than a bitmap header");
}

TEST_F(BadIcoTest, ImageHeadersThatLieAreRefused) {
  const size_t header = ChosenOffset();
  std::vector<uint8_t> d = good;
  Put32(d, header + 4, 0);
  ExpectNoIcon(d, "width zero");
  d = good;
  Put32(d, header + 4, static_cast<uint32_t>(-16));
  ExpectNoIcon(d, "negative width");
  d = good;
  Put32(d, header + 8, static_cast<uint32_t>(-32));
  ExpectNoIcon(d, "negative height");
  d = good;
  Put32(d, header + 4, 0x7FFFFFFF);
  ExpectNoIcon(d, "width past the data");
  d = good;
  Put16(d, header + 14, 7);
  ExpectNoIcon(d, "7 bits per pixel");
  d = good;
  Put16(d, header + 14, 0);
  ExpectNoIcon(d, "0 bits per pixel");
  d = good;
  Put32(d, header, 0x7FFFFFFF);
  ExpectNoIcon(d, "header size past the data");
}

TEST_F(BadIcoTest, EveryTruncationOfARealFileIsReadSafely) {
  for (const char* name : {"ico/image-rs/smile.ico", "ico/image-rs/png-32bpp-alpha.ico"}) {
    const std::vector<uint8_t> file = TestDataFile(name);
    ASSERT_FALSE(file.empty()) << name;
    for (size_t length = 0; length < file.size(); ++length) {
      std::unique_ptr<uint8_t[]> copy(new uint8_t[length ? length : 1]);
      std::memcpy(copy.get(), file.data(), length);
      HICON icon = ImageIconFromData(copy.get(), static_cast<int64_t>(length));
      if (icon) DestroyIcon(icon);  // a cut after the chosen entry's image still loads
    }
  }
}

}  // namespace
