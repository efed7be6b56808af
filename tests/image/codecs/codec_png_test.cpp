// The PNG codec against the PNG suite (every good file compared with libpng's simplified reader,
// every corrupt one refused) and the files it writes, taken apart chunk by chunk and inflated.
#include <zlib.h>

#include <filesystem>
#include <map>

#include "codec_fixture.h"

namespace codec_test {
namespace {

using PngCodec = CodecTest;

std::vector<std::string> SuiteFiles(bool corrupt) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(TestData("pngsuite"))) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".png" || name == "PngSuite.png") continue;
    if ((name[0] == 'x') == corrupt) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The chunks of a PNG file by type (several IDAT chunks are joined).
std::map<std::string, std::vector<uint8_t>> Chunks(const std::vector<uint8_t>& file) {
  std::map<std::string, std::vector<uint8_t>> chunks;
  size_t at = 8;
  while (at + 12 <= file.size()) {
    const size_t length = (size_t{file[at]} << 24) | (file[at + 1] << 16) | (file[at + 2] << 8) | file[at + 3];
    const std::string type(file.begin() + static_cast<ptrdiff_t>(at + 4), file.begin() + static_cast<ptrdiff_t>(at + 8));
    auto& data = chunks[type];
    data.insert(data.end(), file.begin() + static_cast<ptrdiff_t>(at + 8),
                file.begin() + static_cast<ptrdiff_t>(at + 8 + length));
    at += 12 + length;
  }
  return chunks;
}

uint32_t BigEndian(const uint8_t* p) { return (uint32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

std::vector<uint8_t> Inflate(const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out(1 << 20);
  uLongf size = out.size();
  EXPECT_EQ(uncompress(out.data(), &size, data.data(), data.size()), Z_OK);
  out.resize(size);
  return out;
}

TEST_F(PngCodec, EveryGoodSuiteFileLoadsWithTheSizeDepthAndPixelsLibpngGives) {
  const auto names = SuiteFiles(false);
  EXPECT_EQ(names.size(), 160u);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> file = ReadBytes(TestData("pngsuite/" + name));
    const int colourType = file[25], bitDepth = file[24];
    const bool transparency = Chunks(file).count("tRNS") > 0;
    const int64_t image = LoadBytes(file);
    ASSERT_NE(image, 0);
    const ImageObject* record = Record(image);
    EXPECT_EQ(record->format, kImageFormatPng);
    EXPECT_EQ(record->depth, (colourType & 4) || transparency ? 32 : 24);
    EXPECT_EQ(record->sourceDepth, colourType == 2 ? 24 : colourType == 6 ? 32 : bitDepth);
    // libpng's simplified reader gets interlaced 16-bit files wrong (its own non-interlaced twin
    // reads right); such files are compared with the reading of their twin.
    const bool interlaced16 = file[28] == 1 && bitDepth == 16;
    const Picture reference =
        ReferencePng(interlaced16 ? ReadBytes(TestData("pngsuite/basn" + name.substr(4))) : file);
    EXPECT_EQ(ImageGetWidth(image), reference.width);
    EXPECT_EQ(ImageGetHeight(image), reference.height);
    // 16-bit samples are cut to their high byte; the simplified reader rounds them.
    EXPECT_LE(LargestDifference(PixelsOf(image), reference), bitDepth == 16 ? 1 : 0);
    ImageFree(image);
  }
}

TEST_F(PngCodec, EveryCorruptSuiteFileIsRefusedAndLeavesNoImage) {
  const auto names = SuiteFiles(true);
  EXPECT_EQ(names.size(), 14u);
  for (const std::string& name : names) {
    EXPECT_EQ(Load("pngsuite/" + name, 2), 0) << name;
  }
  EXPECT_EQ(ImageCount(), 0);
}

TEST_F(PngCodec, InterlacedFilesLoadLikeTheirNonInterlacedTwins) {
  int pairs = 0;
  for (const std::string& name : SuiteFiles(false)) {
    if (name.rfind("basi", 0) != 0) continue;
    const int64_t interlaced = Load("pngsuite/" + name);
    const int64_t plain = Load("pngsuite/basn" + name.substr(4));
    ASSERT_NE(interlaced, 0);
    ASSERT_NE(plain, 0);
    EXPECT_EQ(LargestDifference(PixelsOf(interlaced), PixelsOf(plain)), 0) << name;
    ++pairs;
  }
  EXPECT_EQ(pairs, 15);
}

TEST_F(PngCodec, SixteenBitFilesLoadAsEightBitSectionsWithTheirSourceDepth) {
  LoadWithDepths("pngsuite/basn2c16.png", 24, 24);
  LoadWithDepths("pngsuite/basn0g16.png", 24, 16);
  LoadWithDepths("pngsuite/basn4a16.png", 32, 16);
}

TEST_F(PngCodec, PaletteFilesAreThirtyTwoBitOnlyWithTransparency) {
  LoadWithDepths("pngsuite/basn3p08.png", 24, 8);
  const int64_t transparent = LoadWithDepths("pngsuite/tbbn3p08.png", 32, 8);
  ASSERT_NE(transparent, 0);
  const Picture pixels = PixelsOf(transparent);
  bool clear = false;
  for (size_t i = 3; i < pixels.bgra.size(); i += 4) clear |= pixels.bgra[i] == 0;
  EXPECT_TRUE(clear);
}

TEST_F(PngCodec, ShortDataIsNotPng) {
  const std::vector<uint8_t> png = ReadBytes(TestData("pngsuite/basn2c08.png"));
  EXPECT_EQ(LoadBytes(std::vector<uint8_t>(png.begin(), png.begin() + 7)), 0);
  EXPECT_EQ(LoadBytes(std::vector<uint8_t>(png.begin(), png.begin() + 60)), 0);
  EXPECT_EQ(LoadBytes(std::vector<uint8_t>(png.begin(), png.end() - 20)), 0);
  EXPECT_EQ(ImageCount(), 0);
}

// A picture with a different colour in every pixel, so that rows and channels cannot be mixed up.
int64_t Gradient(int64_t width, int64_t height, int64_t bits) {
  return MakeImage(width, height, bits, [bits](int64_t x, int64_t y, uint8_t* p) {
    p[0] = static_cast<uint8_t>(x * 7);
    p[1] = static_cast<uint8_t>(y * 11);
    p[2] = static_cast<uint8_t>(x + y * 3);
    if (bits == 32) p[3] = static_cast<uint8_t>(255 - x * 5);
  });
}

TEST_F(PngCodec, SavedRgbFileHasNoFiltersLevelNineAndTheTopRowFirst) {
  const int64_t image = Gradient(21, 9, 24);
  const std::string out = TempPath("rgb.png");
  ASSERT_EQ(ImageSave(image, Wide(out).c_str(), kImageFormatPng), 1);
  const auto chunks = Chunks(ReadBytes(out));
  const std::vector<uint8_t>& header = chunks.at("IHDR");
  EXPECT_EQ(BigEndian(&header[0]), 21u);
  EXPECT_EQ(BigEndian(&header[4]), 9u);
  EXPECT_EQ(header[8], 8);   // bit depth
  EXPECT_EQ(header[9], 2);   // RGB
  EXPECT_EQ(header[12], 0);  // not interlaced
  const std::vector<uint8_t>& idat = chunks.at("IDAT");
  EXPECT_EQ(idat[0] & 0x0F, 8);   // deflate
  EXPECT_EQ(idat[1] >> 6, 3);     // the strongest compression level
  const std::vector<uint8_t> rows = Inflate(idat);
  ASSERT_EQ(rows.size(), 9u * (1 + 21 * 3));
  const Picture source = PixelsOf(image);
  for (int64_t y = 0; y < 9; ++y) {
    const uint8_t* row = &rows[static_cast<size_t>(y * (1 + 21 * 3))];
    EXPECT_EQ(row[0], 0) << "filter of row " << y;
    for (int64_t x = 0; x < 21; ++x) {
      const uint8_t* p = source.At(x, y);
      ASSERT_EQ((std::vector<int>{row[1 + 3 * x], row[2 + 3 * x], row[3 + 3 * x]}), (std::vector<int>{p[2], p[1], p[0]}))
          << x << "," << y;
    }
  }
}

TEST_F(PngCodec, SavedImagesComeBackWithTheSamePixels) {
  for (int64_t bits : {24, 32}) {
    const int64_t image = Gradient(33, 17, bits);
    const std::string out = TempPath("round.png");
    ASSERT_EQ(ImageSave(image, Wide(out).c_str(), kImageFormatPng, 7, bits), 1);
    EXPECT_EQ(Chunks(ReadBytes(out)).at("IHDR")[9], bits == 24 ? 2 : 6);
    const int64_t back = ImageLoad(CV_Any, Wide(out).c_str());
    ASSERT_NE(back, 0);
    EXPECT_EQ(Record(back)->depth, bits);
    EXPECT_EQ(LargestDifference(PixelsOf(back), PixelsOf(image)), 0) << bits;
  }
}

TEST_F(PngCodec, EncodingIntoMemoryGivesTheFileInABlock) {
  const int64_t image = Gradient(40, 30, 32);
  DIBSECTION section{};
  GetObjectW(reinterpret_cast<HGDIOBJ>(ImageHandle(image)), sizeof section, &section);
  const int64_t block = ImageEncode(nullptr, section.dsBm.bmBits, kImageFormatPng, 40, 30, 160, 32, 2, 7, -1);
  ASSERT_NE(block, 0);
  const auto* bytes = reinterpret_cast<const uint8_t*>(block);
  const std::vector<uint8_t> file(bytes, bytes + HeapSize(MainHeap(), 0, bytes));
  MainHeapFree(reinterpret_cast<void*>(block));
  EXPECT_EQ(file.back(), 0x82) << "ends with the IEND chunk's CRC";
  const int64_t back = LoadBytes(file);
  ASSERT_NE(back, 0);
  EXPECT_EQ(LargestDifference(PixelsOf(back), PixelsOf(image)), 0);
}

TEST_F(PngCodec, PaletteDepthsWritePackedIndicesAndTheirPalette) {
  const int64_t image = Gradient(19, 5, 24);
  for (int depth : {1, 2, 4, 8}) {
    SCOPED_TRACE(depth);
    const std::string out = TempPath("palette.png");
    ASSERT_EQ(ImageSave(image, Wide(out).c_str(), kImageFormatPng, 7, depth), 1);
    const auto chunks = Chunks(ReadBytes(out));
    EXPECT_EQ(chunks.at("IHDR")[8], depth);
    EXPECT_EQ(chunks.at("IHDR")[9], 3);
    EXPECT_EQ(chunks.at("PLTE").size(), 3u << depth);
    EXPECT_EQ(chunks.count("tRNS"), 0u);
    const std::vector<uint8_t> rows = Inflate(chunks.at("IDAT"));
    const size_t rowBytes = (19 * depth + 7) / 8;
    ASSERT_EQ(rows.size(), 5 * (1 + rowBytes));
    for (size_t y = 0; y < 5; ++y) EXPECT_EQ(rows[y * (1 + rowBytes)], 0);
    if (depth == 1) {
      EXPECT_EQ(chunks.at("PLTE"), (std::vector<uint8_t>{0, 0, 0, 255, 255, 255}));
    }
  }
}

TEST_F(PngCodec, DepthOneRowsFollowTheLuminanceRuleTopRowFirst) {
  // Top row white, bottom row black, with a dark-red and a light-green pixel in between.
  const int64_t image = MakeImage(9, 3, 24, [](int64_t x, int64_t y, uint8_t* p) {
    const uint8_t level = y == 0 ? 255 : 0;
    p[0] = p[1] = p[2] = level;
    if (y == 1) {
      p[2] = x == 0 ? 255 : 0;  // pure red: 0.2126 × 255 is dark
      p[1] = x == 1 ? 255 : 0;  // pure green: 0.7152 × 255 is light
    }
  });
  const std::string out = TempPath("mono.png");
  ASSERT_EQ(ImageSave(image, Wide(out).c_str(), kImageFormatPng, 7, 1), 1);
  const std::vector<uint8_t> rows = Inflate(Chunks(ReadBytes(out)).at("IDAT"));
  ASSERT_EQ(rows.size(), 3u * 3u);
  EXPECT_EQ((std::vector<int>{rows[1], rows[2]}), (std::vector<int>{0xFF, 0x80}));
  EXPECT_EQ((std::vector<int>{rows[4], rows[5]}), (std::vector<int>{0x40, 0x00}));
  EXPECT_EQ((std::vector<int>{rows[7], rows[8]}), (std::vector<int>{0x00, 0x00}));
}

TEST_F(PngCodec, AFailedWriteLeavesNoFileBehind) {
  const int64_t image = Gradient(8, 8, 24);
  const std::string out = TempPath("broken.png");
  // Palette files cannot have 3 bits per pixel: the write fails after the file exists.
  EXPECT_EQ(ImageSave(image, Wide(out).c_str(), kImageFormatPng, 7, 3), 0);
  EXPECT_FALSE(std::filesystem::exists(out));
  DIBSECTION section{};
  GetObjectW(reinterpret_cast<HGDIOBJ>(ImageHandle(image)), sizeof section, &section);
  EXPECT_EQ(ImageEncode(nullptr, section.dsBm.bmBits, kImageFormatPng, 8, 8, 24, 24, 2, 7, 5), 0);
}

}  // namespace
}  // namespace codec_test
