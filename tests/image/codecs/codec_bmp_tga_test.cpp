// The BMP codec against the BMP suite and hand-made files (row padding, the fixed black and white
// of 1-bit files, RLE8 escapes), the BMP writer's files, and the TGA decoder against the TGA
// samples (both origins, run-length packets, 16-bit pixels).
#include <filesystem>
#include <map>
#include <set>

#include "codec_fixture.h"

namespace codec_test {
namespace {

using BmpCodec = CodecTest;
using TgaCodec = CodecTest;

// A BMP file: headers for the given size, depth and compression, then the palette and the data.
std::vector<uint8_t> Bmp(int32_t width, int32_t height, int bits, uint32_t compression,
                         const std::vector<uint8_t>& palette, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> file(54);
  file[0] = 'B';
  file[1] = 'M';
  PutLe32(&file[2], static_cast<uint32_t>(54 + palette.size() + data.size()));
  PutLe32(&file[10], static_cast<uint32_t>(54 + palette.size()));
  PutLe32(&file[14], 40);
  PutLe32(&file[18], static_cast<uint32_t>(width));
  PutLe32(&file[22], static_cast<uint32_t>(height));
  PutLe16(&file[26], 1);
  PutLe16(&file[28], static_cast<uint32_t>(bits));
  PutLe32(&file[30], compression);
  file.insert(file.end(), palette.begin(), palette.end());
  file.insert(file.end(), data.begin(), data.end());
  return file;
}

std::vector<int> Bgr(const Picture& picture, int64_t x, int64_t y) {
  const uint8_t* p = picture.At(x, y);
  return {p[0], p[1], p[2]};
}

TEST_F(BmpCodec, TwentyFourBitRowsKeepTheirPadding) {
  // 5 pixels a row: 15 bytes and 1 byte of padding; two rows, the bottom one stored first.
  std::vector<uint8_t> data;
  for (int row = 0; row < 2; ++row) {
    for (int x = 0; x < 5; ++x) data.insert(data.end(), {uint8_t(10 * x), uint8_t(100 + row), uint8_t(200 + x)});
    data.push_back(0xEE);
  }
  const int64_t image = LoadBytes(Bmp(5, 2, 24, 0, {}, data));
  ASSERT_NE(image, 0);
  EXPECT_EQ(Record(image)->format, kImageFormatBmp);
  EXPECT_EQ(Record(image)->sourceDepth, 24);
  const Picture picture = PixelsOf(image);
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(Bgr(picture, x, 1), (std::vector<int>{10 * x, 100, 200 + x}));
    EXPECT_EQ(Bgr(picture, x, 0), (std::vector<int>{10 * x, 101, 200 + x}));
  }
}

TEST_F(BmpCodec, OneBitFilesAreBlackAndWhiteWhateverTheirPalette) {
  const std::vector<uint8_t> redGreen = {0, 0, 255, 0, 0, 255, 0, 0};
  const int64_t image = LoadBytes(Bmp(10, 1, 1, 0, redGreen, {0b10110000, 0b01000000, 0, 0}));
  ASSERT_NE(image, 0);
  const Picture picture = PixelsOf(image);
  const int expected[10] = {1, 0, 1, 1, 0, 0, 0, 0, 0, 1};
  for (int x = 0; x < 10; ++x) {
    const int level = expected[x] ? 255 : 0;
    EXPECT_EQ(Bgr(picture, x, 0), (std::vector<int>{level, level, level})) << x;
  }
}

TEST_F(BmpCodec, RunLengthEightFollowsRunsLiteralsAndDeltas) {
  // Palette: 0 black, 1 blue, 2 green, 3 red.
  const std::vector<uint8_t> palette = {0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0};
  const std::vector<uint8_t> rle = {
      3, 1,           // three blue
      0, 2, 2, 1,     // delta: two right, one up
      0, 3, 3, 2, 1,  // three literal indices, then a pad byte
      0,
      0, 0,           // end of line
      9, 2,           // nine green, of which one falls outside the 8-pixel row
      0, 1,           // end of picture
      5, 3,           // never read
  };
  const int64_t image = LoadBytes(Bmp(8, 4, 8, 1, palette, rle));
  ASSERT_NE(image, 0);
  const Picture picture = PixelsOf(image);
  const std::vector<int> black = {0, 0, 0}, blue = {255, 0, 0}, green = {0, 255, 0}, red = {0, 0, 255};
  // Stored line 0 is the bottom picture row (y = 3).
  for (int x = 0; x < 3; ++x) EXPECT_EQ(Bgr(picture, x, 3), blue);
  for (int x = 3; x < 8; ++x) EXPECT_EQ(Bgr(picture, x, 3), black) << "skipped by the delta";
  EXPECT_EQ(Bgr(picture, 0, 2), black);
  EXPECT_EQ(Bgr(picture, 4, 2), black);
  EXPECT_EQ(Bgr(picture, 5, 2), red);
  EXPECT_EQ(Bgr(picture, 6, 2), green);
  EXPECT_EQ(Bgr(picture, 7, 2), blue);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(Bgr(picture, x, 1), green);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(Bgr(picture, x, 0), black) << "after the end of the picture";
}

TEST_F(BmpCodec, DataMissingOrOutsideTheFileLeavesThePictureBlack) {
  std::vector<uint8_t> file = ReadBytes(TestData("bmpsuite/g/rgb24.bmp"));
  PutLe32(&file[10], 0x7FFFFFF0u);  // the data would start far past the end
  const int64_t image = LoadBytes(file);
  ASSERT_NE(image, 0);
  const Picture picture = PixelsOf(image);
  EXPECT_EQ(picture.width, 127);
  EXPECT_EQ(*std::max_element(picture.bgra.begin(), picture.bgra.end()), 255);  // only the alpha we add
  for (size_t i = 0; i < picture.bgra.size(); ++i) {
    if (i % 4 != 3) {
      ASSERT_EQ(picture.bgra[i], 0);
    }
  }
  // A palette placed past the end reads as black entries.
  std::vector<uint8_t> pal = ReadBytes(TestData("bmpsuite/g/pal8.bmp"));
  PutLe32(&pal[14], 0xFFFFFF00u);
  EXPECT_NE(LoadBytes(pal), 0);
}

struct SuiteExpectation {
  const char* reference;  // the picture it must show, in bmpsuite/html; null: not compared
  int tolerance;          // largest channel difference allowed
};

// What the decoder makes of the good files of the suite. Files not listed here load but are
// not expected to match their reference picture; the reason is given with each.
const std::map<std::string, SuiteExpectation> kGoodFiles = {
    {"pal1.bmp", {"pal1.png", 0}},
    {"pal4.bmp", {"pal4.png", 0}},
    {"pal4gs.bmp", {"pal4gs.png", 0}},
    {"pal8.bmp", {"pal8.png", 0}},
    {"pal8-0.bmp", {"pal8.png", 0}},
    {"pal8gs.bmp", {"pal8gs.png", 0}},
    {"pal8rle.bmp", {"pal8.png", 0}},
    {"pal8v4.bmp", {"pal8.png", 0}},
    {"pal8v5.bmp", {"pal8.png", 0}},
    {"pal8w124.bmp", {"pal8w124.png", 0}},
    {"pal8w125.bmp", {"pal8w125.png", 0}},
    {"pal8w126.bmp", {"pal8w126.png", 0}},
    {"pal8nonsquare.bmp", {"pal8nonsquare-v.png", 0}},
    // 5-bit channels are widened by a shift, the reference repeats the high bits.
    {"rgb16.bmp", {"rgb16.png", 7}},
    {"rgb16-565.bmp", {"rgb16-565.png", 7}},
    {"rgb16-565pal.bmp", {"rgb16-565.png", 7}},
    {"rgb24.bmp", {"rgb24.png", 0}},
    {"rgb24pal.bmp", {"rgb24.png", 0}},
    {"rgb32.bmp", {"rgb24.png", 0}},
    {"rgb32bfdef.bmp", {"rgb24.png", 0}},
};
// Good files that load but show something else, and why.
const std::map<std::string, const char*> kGoodFilesOtherwise = {
    {"pal1wb.bmp", "1-bit files use fixed black and white: a white-and-black palette comes out inverted"},
    {"pal1bg.bmp", "1-bit files use fixed black and white: the blue and green palette is not used"},
    {"pal4rle.bmp", "RLE4 is not decoded: black"},
    {"pal8topdown.bmp", "top-down files are not decoded: black"},
    {"pal8os2.bmp", "does not load: see the failures below"},
    {"rgb32bf.bmp", "32-bit files are read as B, G, R and a spare byte whatever their bit-field masks say"},
    {"rgb16bfdef.bmp", "16-bit bit-field files are decoded as 5-6-5 whatever their masks say (these are 5-5-5)"},
};

TEST_F(BmpCodec, GoodSuiteFilesMatchTheirReferencePictures) {
  std::set<std::string> seen;
  for (const auto& entry : std::filesystem::directory_iterator(TestData("bmpsuite/g"))) {
    const std::string name = entry.path().filename().string();
    seen.insert(name);
    SCOPED_TRACE(name);
    const int64_t image = Load("bmpsuite/g/" + name);
    auto expected = kGoodFiles.find(name);
    if (expected == kGoodFiles.end()) {
      EXPECT_EQ(kGoodFilesOtherwise.count(name), 1u) << "a good file nobody has looked at";
      if (name != "pal8os2.bmp") {
        EXPECT_NE(image, 0);
      }
      continue;
    }
    ASSERT_NE(image, 0);
    EXPECT_EQ(Record(image)->depth, 24);
    const Picture reference = ReferencePng(ReadBytes(TestData(std::string("bmpsuite/html/") + expected->second.reference)));
    ASSERT_GT(reference.width, 0);
    EXPECT_LE(LargestDifference(PixelsOf(image), reference, false), expected->second.tolerance);
  }
  EXPECT_EQ(seen.size(), kGoodFiles.size() + kGoodFilesOtherwise.size());
}

// Suite files that do not load, and why.
const std::map<std::string, const char*> kSuiteFailures = {
    {"b/badwidth.bmp", "a negative width"},
    {"b/reallybig.bmp", "a picture far larger than an image can be"},
    {"q/pal8os2-hs.bmp", "an OS/2 12-byte header, whose 16-bit sizes read as the 32-bit fields make no picture"},
    {"q/pal8os2-sz.bmp", "an OS/2 12-byte header (as above)"},
    {"q/pal8os2sp.bmp", "an OS/2 12-byte header (as above)"},
    {"g/pal8os2.bmp", "an OS/2 12-byte header (as above)"},
    {"x/ba-bm.bmp", "an OS/2 bitmap array: it starts with \"BA\", not \"BM\""},
};
// Suite files that load as black pictures of their size, and why.
const std::map<std::string, const char*> kSuiteBlack = {
    {"g/pal4rle.bmp", "RLE4 is not decoded"},
    {"q/pal4rlecut.bmp", "RLE4"},
    {"q/pal4rletrns.bmp", "RLE4"},
    {"b/badrle4.bmp", "RLE4"},
    {"b/badrle4bis.bmp", "RLE4"},
    {"b/badrle4ter.bmp", "RLE4"},
    {"g/pal8topdown.bmp", "top-down files are not decoded"},
    {"b/rletopdown.bmp", "top-down"},
    {"q/pal2.bmp", "2 bits per pixel are not decoded"},
    {"q/pal2color.bmp", "2 bits per pixel"},
    {"q/rgba64.bmp", "64 bits per pixel are not decoded"},
    {"b/badbitcount.bmp", "a bit count no BMP has"},
    {"q/rgb24jpeg.bmp", "embedded JPEG data: the bit count is 0"},
    {"q/rgb24png.bmp", "embedded PNG data: the bit count is 0"},
    {"q/pal1p1.bmp", "every pixel is index 0, which the fixed black and white of 1-bit files makes black"},
};

TEST_F(BmpCodec, SuiteFilesThatFailOrStayBlackAreTheListedOnes) {
  int files = 0;
  for (const char* folder : {"g", "q", "b", "x"}) {
    for (const auto& entry : std::filesystem::directory_iterator(TestData(std::string("bmpsuite/") + folder))) {
      const std::string name = std::string(folder) + "/" + entry.path().filename().string();
      SCOPED_TRACE(name);
      ++files;
      const int64_t image = ImageLoad(3, Wide(entry.path().string()).c_str());
      if (kSuiteFailures.count(name)) {
        EXPECT_EQ(image, 0);
        EXPECT_EQ(ImageHandle(3), 0);
        continue;
      }
      ASSERT_NE(image, 0);
      EXPECT_GT(ImageGetWidth(3), 0);
      EXPECT_GT(ImageGetHeight(3), 0);
      const Picture picture = PixelsOf(3);
      size_t lit = 0;
      for (size_t i = 0; i < picture.bgra.size(); ++i) lit += i % 4 != 3 && picture.bgra[i] != 0;
      EXPECT_EQ(lit == 0, kSuiteBlack.count(name) == 1) << lit << " pixel channels lit";
    }
  }
  EXPECT_EQ(files, 91);
}

TEST_F(BmpCodec, WrittenFilesHaveTheirHeaderPaletteAndBottomRowFirst) {
  const int64_t image = MakeImage(6, 3, 24, [](int64_t x, int64_t y, uint8_t* p) {
    p[0] = static_cast<uint8_t>(40 * x);
    p[1] = static_cast<uint8_t>(80 * y);
    p[2] = 7;
  });
  for (int depth : {1, 4, 8, 24, 32}) {
    SCOPED_TRACE(depth);
    const std::string out = TempPath("out.bmp");
    ASSERT_EQ(ImageSave(image, Wide(out).c_str(), kImageFormatBmp, 7, depth), 1);
    const std::vector<uint8_t> file = ReadBytes(out);
    const ByteSource bytes{file.data(), file.size()};
    const uint32_t palette = depth <= 8 ? 4u << depth : 0;
    const uint32_t rowLength = depth >= 24 ? (depth / 8 * 6 + 3) / 4 * 4 : ((6 * depth + 7) / 8 + 3) / 4 * 4;
    EXPECT_EQ(bytes.Le16(0), 0x4D42u);
    EXPECT_EQ(bytes.Le32(2), file.size());
    EXPECT_EQ(bytes.Le32(10), 54 + palette);
    EXPECT_EQ(bytes.Le32(14), 40u);
    EXPECT_EQ(bytes.Le32(18), 6u);
    EXPECT_EQ(bytes.Le32(22), 3u);
    EXPECT_EQ(bytes.Le16(26), 1u);
    EXPECT_EQ(bytes.Le16(28), static_cast<uint32_t>(depth));
    EXPECT_EQ(bytes.Le32(30), 0u);
    EXPECT_EQ(bytes.Le32(34), 3 * rowLength);
    EXPECT_EQ(file.size(), 54 + palette + 3 * rowLength);
    if (depth == 8) {
      EXPECT_EQ(54 + palette, 1078u);
    }
    if (depth >= 24) {
      // The first stored row is the picture's bottom row (y = 2): green 160.
      EXPECT_EQ((std::vector<int>{file[54], file[55], file[56]}), (std::vector<int>{0, 160, 7}));
      const int64_t back = LoadBytes(file);
      ASSERT_NE(back, 0);
      EXPECT_EQ(LargestDifference(PixelsOf(back), PixelsOf(image)), 0);
    }
    if (depth == 32) {
      EXPECT_EQ(file[57], 0) << "24-bit input gets a zero fourth byte";
    }
  }
}

TEST_F(BmpCodec, ThirtyTwoBitFilesKeepAlphaFromThirtyTwoBitInput) {
  const int64_t image = MakeImage(2, 2, 32, [](int64_t x, int64_t y, uint8_t* p) {
    p[0] = p[1] = p[2] = 50;
    p[3] = static_cast<uint8_t>(x * 100 + y);
  });
  const std::string out = TempPath("alpha.bmp");
  ASSERT_EQ(ImageSave(image, Wide(out).c_str(), kImageFormatBmp, 7, 32), 1);
  const std::vector<uint8_t> file = ReadBytes(out);
  ASSERT_EQ(file.size(), 54u + 16u);
  EXPECT_EQ((std::vector<int>{file[57], file[61], file[65], file[69]}), (std::vector<int>{1, 101, 0, 100}));
}

TEST_F(BmpCodec, EncodingIntoMemoryGivesTheSameBytesAsTheFile) {
  const int64_t image = MakeImage(7, 5, 24, [](int64_t x, int64_t y, uint8_t* p) { p[0] = p[1] = p[2] = uint8_t(x * y * 6); });
  const std::string out = TempPath("same.bmp");
  ASSERT_EQ(ImageSave(image, Wide(out).c_str(), kImageFormatBmp, 7, 8), 1);
  DIBSECTION section{};
  GetObjectW(reinterpret_cast<HGDIOBJ>(ImageHandle(image)), sizeof section, &section);
  const int64_t block = ImageEncode(nullptr, section.dsBm.bmBits, kImageFormatBmp, 7, 5, 24, 24, 2, 7, 8);
  ASSERT_NE(block, 0);
  const auto* bytes = reinterpret_cast<const uint8_t*>(block);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + HeapSize(MainHeap(), 0, bytes)), ReadBytes(out));
  MainHeapFree(reinterpret_cast<void*>(block));
}

// ---- TGA ----

// The TGA samples and the pictures they must show (tolerance for 5-bit channels widened by a shift).
struct TgaSample {
  const char* file;
  const char* reference;
  int tolerance;
  int depth;  // of the section
  bool alpha;  // whether the reference carries the file's alpha
};
const TgaSample kTgaSamples[] = {
    // The Truevision samples' alpha is not in their reference picture.
    {"ftrvxmtrx-tga/utc24.tga", "ftrvxmtrx-tga/color.png", 0, 24, false},
    {"ftrvxmtrx-tga/ctc24.tga", "ftrvxmtrx-tga/color.png", 0, 24, false},
    {"ftrvxmtrx-tga/utc32.tga", "ftrvxmtrx-tga/color.png", 0, 32, false},
    {"ftrvxmtrx-tga/ctc32.tga", "ftrvxmtrx-tga/color.png", 0, 32, false},
    {"ftrvxmtrx-tga/utc16.tga", "ftrvxmtrx-tga/color.png", 7, 24, false},
    {"ftrvxmtrx-tga/ctc16.tga", "ftrvxmtrx-tga/color.png", 7, 24, false},
    {"ftrvxmtrx-tga/rgb24_top_left.tga", "ftrvxmtrx-tga/rgb24.0.png", 0, 24, false},
    {"ftrvxmtrx-tga/rgb24_bottom_left_rle.tga", "ftrvxmtrx-tga/rgb24.0.png", 0, 24, false},
    {"ftrvxmtrx-tga/rgb32_bottom_left.tga", "ftrvxmtrx-tga/rgb32.0.png", 0, 32, true},
    {"ftrvxmtrx-tga/rgb32_top_left_rle.tga", "ftrvxmtrx-tga/rgb32.0.png", 0, 32, true},
    {"image-rs/bottom_left.tga", "image-rs/bottom_left.tga.png", 0, 32, true},
    {"image-rs/bottom_right.tga", "image-rs/bottom_right.tga.png", 0, 32, true},
    {"image-rs/top_left.tga", "image-rs/top_left.tga.png", 0, 32, true},
    {"image-rs/top_right.tga", "image-rs/top_right.tga.png", 0, 32, true},
    {"image-rs/b5-noattrib.tga", "image-rs/b5-noattrib.tga.png", 7, 24, false},
    {"image-rs/b5-unused-cmap.tga", "image-rs/b5-unused-cmap.tga.png", 7, 24, false},
};

TEST_F(TgaCodec, SamplesShowTheirExpectedPictures) {
  for (const TgaSample& sample : kTgaSamples) {
    SCOPED_TRACE(sample.file);
    const int64_t image = Load(std::string("tga/") + sample.file);
    ASSERT_NE(image, 0);
    EXPECT_EQ(Record(image)->format, kImageFormatTga);
    EXPECT_EQ(Record(image)->depth, sample.depth);
    const Picture reference = ReferencePng(ReadBytes(TestData(std::string("tga/") + sample.reference)));
    ASSERT_GT(reference.width, 0);
    EXPECT_LE(LargestDifference(PixelsOf(image), reference, sample.alpha), sample.tolerance);
  }
}

TEST_F(TgaCodec, ColourMappedAndGreyFilesAreNotTaken) {
  for (const char* name : {"ftrvxmtrx-tga/ucm8.tga", "ftrvxmtrx-tga/ccm8.tga", "ftrvxmtrx-tga/ubw8.tga",
                           "ftrvxmtrx-tga/cbw8.tga", "ftrvxmtrx-tga/rgb24_top_left_colormap.tga",
                           "ftrvxmtrx-tga/monochrome8_bottom_left.tga", "image-rs/cmap_offset.tga",
                           "image-rs/b5-cmap.tga"}) {
    EXPECT_EQ(Load(std::string("tga/") + name), 0) << name;
  }
  EXPECT_EQ(ImageCount(), 0);
}

TEST_F(TgaCodec, SourceDepthIsTheFilesBitsPerPixel) {
  LoadWithDepths("tga/ftrvxmtrx-tga/utc16.tga", 24, 16);
  LoadWithDepths("tga/ftrvxmtrx-tga/utc24.tga", 24, 24);
  LoadWithDepths("tga/ftrvxmtrx-tga/utc32.tga", 32, 32);
}

// A 3 × 2 TGA of the given type and descriptor; pixels numbered 1..6 in blue, file order.
std::vector<uint8_t> SmallTga(uint8_t type, uint8_t descriptor, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> file = {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 24, descriptor};
  file.insert(file.end(), data.begin(), data.end());
  return file;
}

std::vector<uint8_t> NumberedPixels() {
  std::vector<uint8_t> data;
  for (uint8_t i = 1; i <= 6; ++i) data.insert(data.end(), {i, 0, 0});
  return data;
}

TEST_F(TgaCodec, TopLeftAndBottomLeftOriginsShowTheSamePicture) {
  std::vector<uint8_t> flipped = NumberedPixels();
  std::rotate(flipped.begin(), flipped.begin() + 9, flipped.end());  // the other row first
  const int64_t top = LoadBytes(SmallTga(2, 0x20, NumberedPixels()));
  const int64_t bottom = LoadBytes(SmallTga(2, 0x00, flipped));
  ASSERT_NE(top, 0);
  ASSERT_NE(bottom, 0);
  EXPECT_EQ(PixelsOf(top).At(0, 0)[0], 1);
  EXPECT_EQ(LargestDifference(PixelsOf(top), PixelsOf(bottom)), 0);
  // The same with run-length packets of literal pixels.
  std::vector<uint8_t> packets = {5};
  const std::vector<uint8_t> numbered = NumberedPixels();
  packets.insert(packets.end(), numbered.begin(), numbered.end());
  const int64_t runTop = LoadBytes(SmallTga(10, 0x20, packets));
  ASSERT_NE(runTop, 0);
  EXPECT_EQ(LargestDifference(PixelsOf(runTop), PixelsOf(top)), 0);
}

TEST_F(TgaCodec, RightToLeftRowsAreMirrored) {
  const int64_t normal = LoadBytes(SmallTga(2, 0x20, NumberedPixels()));
  const int64_t mirrored = LoadBytes(SmallTga(2, 0x30, NumberedPixels()));
  ASSERT_NE(normal, 0);
  ASSERT_NE(mirrored, 0);
  EXPECT_EQ(PixelsOf(mirrored).At(0, 0)[0], 3);
  EXPECT_EQ(PixelsOf(mirrored).At(2, 1)[0], 4);
}

TEST_F(TgaCodec, ARunPastTheLastPixelWritesNothingBeyondThePicture) {
  // A 3 × 2 picture whose only packet repeats one pixel 128 times.
  const int64_t image = LoadBytes(SmallTga(10, 0x20, {255, 9, 8, 7}));
  ASSERT_NE(image, 0);
  const Picture picture = PixelsOf(image);
  for (int64_t y = 0; y < 2; ++y) {
    for (int64_t x = 0; x < 3; ++x) EXPECT_EQ(Bgr(picture, x, y), (std::vector<int>{9, 8, 7}));
  }
  // A literal packet that runs past the end of the data is dropped whole: the picture stays black.
  const int64_t cut = LoadBytes(SmallTga(10, 0x20, {5, 1, 2, 3, 4, 5, 6}));
  ASSERT_NE(cut, 0);
  EXPECT_EQ(Bgr(PixelsOf(cut), 0, 0), (std::vector<int>{0, 0, 0}));
}

TEST_F(TgaCodec, SixteenBitPixelsAreFiveFiveFive) {
  // Blue 31, green 1, red 16 (the top bit, an attribute, is ignored).
  const uint16_t pixel = 0x8000 | (16 << 10) | (1 << 5) | 31;
  std::vector<uint8_t> file = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 16, 0x20};
  file.insert(file.end(), {uint8_t(pixel), uint8_t(pixel >> 8)});
  const int64_t image = LoadBytes(file);
  ASSERT_NE(image, 0);
  EXPECT_EQ(Bgr(PixelsOf(image), 0, 0), (std::vector<int>{31 << 3, 1 << 3, 16 << 3}));
}

}  // namespace
}  // namespace codec_test
