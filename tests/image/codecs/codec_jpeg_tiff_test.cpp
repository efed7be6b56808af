// The JPEG and TIFF decoders against their corpora (sizes, depths and pixels against libjpeg's
// own exact output, reference pictures and libtiff's own reading), the icon samples, broken and
// truncated files, and silence: no library message reaches the terminal while pictures load.
#include <cstdio>

#include <jpeglib.h>
#include <tiffio.h>

#include <filesystem>
#include <sstream>

#include "codec_fixture.h"

namespace codec_test {
namespace {

using JpegCodec = CodecTest;
using TiffCodec = CodecTest;
using IconImages = CodecTest;

std::vector<std::string> FilesIn(const std::string& folder, const std::vector<std::string>& extensions) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(TestData(folder))) {
    for (const std::string& extension : extensions) {
      if (entry.path().extension() == extension) names.push_back(folder + "/" + entry.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A binary PPM (P6, 8-bit) as B, G, R, A.
Picture ReadPpm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maximum = 0;
  Picture picture;
  in >> magic >> picture.width >> picture.height >> maximum;
  in.get();
  for (int64_t i = 0; i < picture.width * picture.height; ++i) {
    char rgb[3];
    in.read(rgb, 3);
    picture.bgra.insert(picture.bgra.end(), {uint8_t(rgb[2]), uint8_t(rgb[1]), uint8_t(rgb[0]), 255});
  }
  return picture;
}

TEST_F(JpegCodec, IntegerDctOutputMatchesLibjpegsOwnDecoding) {
  const int64_t image = Load("jpeg/libjpeg-turbo/testorig.jpg");
  ASSERT_NE(image, 0);
  EXPECT_EQ(Record(image)->format, kImageFormatJpeg);
  EXPECT_EQ(Record(image)->depth, 24);
  EXPECT_EQ(Record(image)->sourceDepth, 24);
  // The reference was made without smooth chroma upsampling, which this decoder keeps on: the
  // colour differs a little at chroma edges, never by much and hardly on average.
  const Picture ours = PixelsOf(image), reference = ReadPpm(TestData("jpeg/libjpeg-turbo/testimgint.ppm"));
  EXPECT_LE(LargestDifference(ours, reference), 40);
  int64_t total = 0;
  for (size_t i = 0; i < ours.bgra.size(); ++i) total += std::abs(ours.bgra[i] - reference.bgra[i]);
  EXPECT_LT(static_cast<double>(total) / static_cast<double>(ours.bgra.size()), 2.0);
}

// A colour JPEG decoded with libjpeg alone, with the settings the decoder uses (integer DCT,
// RGB output), as B, G, R, A; empty when libjpeg refuses it.
Picture BareLibjpeg(const std::vector<uint8_t>& file) {
  Picture picture;
  jpeg_decompress_struct decoder{};
  jpeg_error_mgr errors{};
  decoder.err = jpeg_std_error(&errors);
  errors.error_exit = [](j_common_ptr) { throw 1; };
  errors.emit_message = [](j_common_ptr, int) {};
  jpeg_create_decompress(&decoder);
  try {
    jpeg_mem_src(&decoder, file.data(), file.size());
    jpeg_read_header(&decoder, TRUE);
    if (decoder.jpeg_color_space == JCS_CMYK || decoder.jpeg_color_space == JCS_YCCK) throw 2;
    decoder.dct_method = JDCT_ISLOW;
    decoder.out_color_space = JCS_RGB;
    jpeg_start_decompress(&decoder);
    picture.width = decoder.output_width;
    picture.height = decoder.output_height;
    std::vector<uint8_t> row(decoder.output_width * 3);
    while (decoder.output_scanline < decoder.output_height) {
      JSAMPROW rows[1] = {row.data()};
      jpeg_read_scanlines(&decoder, rows, 1);
      for (size_t x = 0; x < decoder.output_width; ++x)
        picture.bgra.insert(picture.bgra.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x], 255});
    }
    jpeg_finish_decompress(&decoder);
  } catch (int) {
    picture = Picture{};
  }
  jpeg_destroy_decompress(&decoder);
  return picture;
}

TEST_F(JpegCodec, PixelsAreExactlyWhatLibjpegDecodes) {
  int compared = 0;
  for (const char* folder : {"jpeg/jpeg-decoder", "jpeg/libjpeg-turbo", "jpeg/pillow"}) {
    for (const std::string& name : FilesIn(folder, {".jpg"})) {
      const std::vector<uint8_t> file = ReadBytes(TestData(name));
      const Picture reference = BareLibjpeg(file);
      if (reference.width == 0 || name.find("truncated") != std::string::npos) continue;
      const int64_t image = LoadBytes(file);
      ASSERT_NE(image, 0) << name;
      EXPECT_EQ(LargestDifference(PixelsOf(image), reference), 0) << name;
      ImageFree(image);
      ++compared;
    }
  }
  EXPECT_GE(compared, 18);
}

TEST_F(JpegCodec, SamplesMatchTheirReferencePictures) {
  for (const std::string& name : FilesIn("jpeg/jpeg-decoder", {".jpg"})) {
    SCOPED_TRACE(name);
    const int64_t image = Load(name);
    ASSERT_NE(image, 0);
    const Picture reference = ReferencePng(ReadBytes(TestData(name.substr(0, name.size() - 4) + ".png")));
    ASSERT_GT(reference.width, 0);
    // Another decoder's rounding of the same coefficients.
    EXPECT_LE(LargestDifference(PixelsOf(image), reference, false), 16);
  }
}

TEST_F(JpegCodec, GreyAndCmykFilesLoadAsTwentyFourBitImages) {
  const int64_t grey = LoadWithDepths("jpeg/jpeg-decoder/jpg-gray.jpg", 24, 24);
  ASSERT_NE(grey, 0);
  const Picture picture = PixelsOf(grey);
  for (size_t i = 0; i < picture.bgra.size(); i += 4) {
    ASSERT_EQ(picture.bgra[i], picture.bgra[i + 1]);
    ASSERT_EQ(picture.bgra[i], picture.bgra[i + 2]);
  }
  LoadWithDepths("jpeg/jpeg-decoder/jpg-cmyk-1.jpg", 24, 32);
  // The CMYK sample shows the same picture as its RGB twin.
  const int64_t cmyk = LoadWithDepths("jpeg/pillow/pil_sample_cmyk.jpg", 24, 32);
  const int64_t rgb = Load("jpeg/pillow/pil_sample_rgb.jpg");
  ASSERT_NE(cmyk, 0);
  ASSERT_NE(rgb, 0);
  const Picture a = PixelsOf(cmyk), b = PixelsOf(rgb);
  ASSERT_EQ(a.width, b.width);
  int64_t total = 0;
  for (size_t i = 0; i < a.bgra.size(); ++i) total += std::abs(a.bgra[i] - b.bgra[i]);
  EXPECT_LT(total / static_cast<int64_t>(a.bgra.size()), 12) << "average difference per channel";
}

TEST_F(JpegCodec, EveryCorpusFileLoadsExceptTwelveBitSamples) {
  for (const char* folder : {"jpeg/jpeg-decoder", "jpeg/libjpeg-turbo", "jpeg/pillow"}) {
    for (const std::string& name : FilesIn(folder, {".jpg"})) {
      const int64_t image = Load(name);
      // This libjpeg is built for 8-bit samples: a 12-bit file is refused.
      if (name.find("monkey12") != std::string::npos) {
        EXPECT_EQ(image, 0) << name;
        continue;
      }
      EXPECT_NE(image, 0) << name;
      if (image != 0) {
        EXPECT_EQ(Record(image)->format, kImageFormatJpeg);
      }
    }
  }
  EXPECT_EQ(ImageCount(), 22);
}

TEST_F(JpegCodec, BrokenDataAfterTheStartMarkerLeavesNoImage) {
  EXPECT_EQ(LoadBytes({0xFF, 0xD8}), 0);
  EXPECT_EQ(LoadBytes({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 2, 3, 4, 5}), 0);
  std::vector<uint8_t> file = ReadBytes(TestData("jpeg/libjpeg-turbo/testorig.jpg"));
  file.resize(200);  // inside the tables
  EXPECT_EQ(LoadBytes(file), 0);
  EXPECT_EQ(ImageCount(), 0);
}

TEST_F(JpegCodec, SequentialFileCutShortKeepsItsRowsUpToTheCut) {
  const std::vector<uint8_t> whole = ReadBytes(TestData("jpeg/libjpeg-turbo/testorig.jpg"));
  const Picture full = PixelsOf(LoadBytes(whole));
  const int64_t image = LoadBytes(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(whole.size() / 2)));
  ASSERT_NE(image, 0);
  const Picture cut = PixelsOf(image);
  ASSERT_EQ(cut.width, full.width);
  ASSERT_EQ(cut.height, full.height);
  EXPECT_TRUE(std::equal(cut.bgra.begin(), cut.bgra.begin() + cut.width * 4 * 8, full.bgra.begin()))
      << "the top rows are whole";
  const uint8_t* last = cut.At(0, cut.height - 1);
  EXPECT_EQ((std::vector<int>{last[0], last[1], last[2]}), (std::vector<int>{0, 0, 0})) << "the bottom row stays black";
  // A progressive file is read whole before its rows: what it has is shown.
  EXPECT_NE(Load("jpeg/pillow/truncated_jpeg.jpg"), 0);
}

// ---- TIFF ----

struct TiffFacts {
  uint32_t width = 0, height = 0;
  uint16_t compression = 0, bits = 0, samples = 0;
};

// What libtiff itself says of a file.
TiffFacts Facts(const std::string& path) {
  TiffFacts facts;
  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  if (tiff == nullptr) return facts;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &facts.width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &facts.height);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &facts.compression);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &facts.bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &facts.samples);
  TIFFClose(tiff);
  return facts;
}

TEST_F(TiffCodec, EveryCorpusFileLoadsAtItsSizeExceptOldStyleJpeg) {
  int oldJpeg = 0;
  for (const char* folder : {"tiff/libtiff", "tiff/pillow"}) {
    for (const std::string& name : FilesIn(folder, {".tif", ".tiff"})) {
      SCOPED_TRACE(name);
      const TiffFacts facts = Facts(TestData(name));
      ASSERT_GT(facts.width, 0u);
      const int64_t image = Load(name);
      if (facts.compression == 6) {
        // Not taken by the TIFF decoder, and no later decoder knows the data either.
        EXPECT_EQ(image, 0);
        ++oldJpeg;
        continue;
      }
      ASSERT_NE(image, 0);
      EXPECT_EQ(Record(image)->format, kImageFormatTiff);
      EXPECT_EQ(Record(image)->depth, 32);
      EXPECT_EQ(Record(image)->sourceDepth, facts.samples * facts.bits);
      EXPECT_EQ(ImageGetWidth(image), facts.width);
      EXPECT_EQ(ImageGetHeight(image), facts.height);
    }
  }
  EXPECT_EQ(oldJpeg, 3);
}

TEST_F(TiffCodec, PixelsAreLibtiffsRgbaTopRowFirst) {
  const std::string path = TestData("tiff/pillow/hopper_lzw.tif");
  const int64_t image = Load("tiff/pillow/hopper_lzw.tif");
  ASSERT_NE(image, 0);
  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  ASSERT_NE(tiff, nullptr);
  const Picture picture = PixelsOf(image);
  std::vector<uint32_t> raster(static_cast<size_t>(picture.width * picture.height));
  ASSERT_TRUE(TIFFReadRGBAImageOriented(tiff, uint32_t(picture.width), uint32_t(picture.height), raster.data(),
                                        ORIENTATION_TOPLEFT, 0));
  TIFFClose(tiff);
  for (int64_t y = 0; y < picture.height; ++y) {
    for (int64_t x = 0; x < picture.width; ++x) {
      const uint32_t p = raster[static_cast<size_t>(y * picture.width + x)];
      const uint8_t* q = picture.At(x, y);
      ASSERT_EQ((std::vector<uint32_t>{q[0], q[1], q[2], q[3]}),
                (std::vector<uint32_t>{TIFFGetB(p), TIFFGetG(p), TIFFGetR(p), TIFFGetA(p)}))
          << x << "," << y;
    }
  }
}

TEST_F(TiffCodec, AlphaChannelComesThrough) {
  const int64_t image = Load("tiff/libtiff/minisblack-2c-8b-alpha.tiff");
  ASSERT_NE(image, 0);
  const Picture picture = PixelsOf(image);
  bool translucent = false;
  for (size_t i = 3; i < picture.bgra.size(); i += 4) translucent |= picture.bgra[i] < 255;
  EXPECT_TRUE(translucent);
}

TEST_F(TiffCodec, FileCutInsideItsStripsIsBlackAtItsDeclaredSize) {
  // The directory of this file comes before its strips.
  std::vector<uint8_t> file = ReadBytes(TestData("tiff/pillow/tiff_16bit_RGB.tiff"));
  ASSERT_EQ(file[4], 8);
  file.resize(file.size() / 2);
  const int64_t image = LoadBytes(file);
  ASSERT_NE(image, 0);
  const TiffFacts facts = Facts(TestData("tiff/pillow/tiff_16bit_RGB.tiff"));
  EXPECT_EQ(ImageGetWidth(image), facts.width);
  EXPECT_EQ(ImageGetHeight(image), facts.height);
  const Picture picture = PixelsOf(image);
  EXPECT_EQ(*std::max_element(picture.bgra.begin(), picture.bgra.end()), 0);
}

// A 500 × 500 TIFF whose samples per pixel say 65 535, so that one strip would take 16 GB.
const uint8_t kGreedyTiff[] = {
    0x49, 0x49, 0x2A, 0x00, 0x08, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0xF4, 0x01, 0x00, 0x00, 0x01, 0x01,
    0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0xF4, 0x01, 0x00, 0x00, 0x02, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x03, 0x01,
    0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x06, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x11, 0x01,
    0x04, 0x00, 0x20, 0x00, 0x00, 0x00, 0x4E, 0x01, 0x00, 0x00, 0x15, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xE9, 0xFE,
    0xF8, 0x00, 0x01, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x17, 0x01, 0x04, 0x00, 0x20, 0x00, 0x3B, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x1C, 0x01,
    0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x3D, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x53, 0x01,
    0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x0E, 0x83, 0x0C, 0x00, 0x03, 0x00, 0x00, 0x00, 0xCE, 0x01, 0x00, 0x00, 0x82, 0x84,
    0x0C, 0x00, 0x06, 0x00, 0x00, 0x00, 0xE6, 0x01, 0x00, 0x00, 0x23, 0xAF, 0x87, 0x03, 0xF4, 0x01, 0x00, 0x00, 0x02, 0x01, 0x03, 0x00, 0x01, 0x00,
    0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x03, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x06, 0x01, 0x03, 0x00, 0x01, 0x00,
    0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x11, 0x01, 0x04, 0x00, 0x20, 0x00, 0x00, 0x00, 0x4E, 0x01, 0x00, 0x00, 0x15, 0x01, 0x03, 0x00, 0x01, 0x00,
    0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x16, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x17, 0x01, 0x04, 0x00, 0x20, 0x00,
    0x3B, 0x00, 0xCE, 0x00, 0x00, 0x00, 0x1C, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x75, 0x78, 0x74, 0x68, 0x65, 0x6D, 0x65,
    0x2E, 0x64, 0x6C, 0x6C, 0x00, 0x00, 0x53, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x0E, 0x83, 0x0C, 0x00, 0x03, 0x00,
    0x00, 0x00, 0xCE, 0x01, 0x00, 0x00, 0x82, 0x84, 0x0C, 0x00, 0x06, 0x00, 0x00, 0x00, 0xE6, 0x01, 0x00, 0x00, 0xAF, 0x87, 0x03, 0x00, 0x20, 0x00,
    0x00, 0x00, 0x16, 0x02, 0x00, 0x00, 0xB1, 0x87, 0x02, 0x00, 0x1C, 0x00, 0x00, 0x00, 0x56, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x52, 0x01,
    0x00, 0x00, 0x9A, 0x01, 0x00, 0x00, 0x57, 0x01, 0x00, 0x00, 0x32, 0x01, 0x00, 0x00, 0x87, 0x01, 0x40, 0x00, 0x00, 0x00, 0x01, 0x00, 0x08, 0x00,
    0x01, 0x00, 0x00, 0x00, 0x2E, 0x1E, 0x00, 0x00, 0x13, 0x0B, 0x00, 0x00, 0x13, 0x0B, 0x00, 0x00, 0xFC, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0xCC, 0x00, 0xFF, 0x55, 0xFF, 0x00, 0xFF, 0x80, 0x00, 0xFF, 0x00, 0x01, 0x00, 0x00, 0x88, 0x01, 0x00, 0x00, 0x5A, 0x01, 0x00, 0x00, 0x5E, 0x01,
    0x00, 0x00, 0xBB, 0x01, 0x00, 0x00, 0x70, 0x01, 0x00, 0x00, 0x67, 0x01, 0x00, 0x00, 0xB8, 0x01, 0x00, 0x00, 0x71, 0x01, 0x00, 0x00, 0x72, 0x01,
    0x00, 0x00, 0xDF, 0x01, 0x00, 0x00, 0x86, 0x01, 0x80, 0x33, 0x00, 0xFF, 0x80, 0x66, 0x00, 0xFF, 0x80, 0x99, 0x00, 0xFF, 0x80, 0x00, 0x00, 0x79,
    0x01, 0x00, 0x00, 0x00, 0xFF, 0xD5, 0x33, 0x00, 0xFF, 0xD5, 0x66, 0x00, 0xFF, 0x00, 0xFF, 0xD5, 0x00,
};

TEST_F(TiffCodec, AStripTooLargeToHoldLeavesThePictureBlack) {
  const int64_t image = LoadBytes(std::vector<uint8_t>(kGreedyTiff, kGreedyTiff + sizeof kGreedyTiff));
  ASSERT_NE(image, 0);
  EXPECT_EQ(ImageGetWidth(image), 500);
  const Picture picture = PixelsOf(image);
  EXPECT_EQ(*std::max_element(picture.bgra.begin(), picture.bgra.end()), 0);
}

TEST_F(TiffCodec, OldStyleJpegFallsThroughToTheNextDecoder) {
  // Data that is both an old-style-JPEG TIFF and, read from its first bytes, a TGA header.
  std::vector<uint8_t> file = ReadBytes(TestData("tiff/libtiff/ojpeg_single_strip_no_rowsperstrip.tiff"));
  ASSERT_EQ(LoadBytes(file), 0);
  // "II" is 0x49 0x49: never a TGA colour-map type, so nothing takes it.
  EXPECT_EQ(ImageCount(), 0);
}

// ---- silence ----

TEST_F(CodecTest, NoLibraryMessageReachesTheTerminal) {
  testing::internal::CaptureStderr();
  for (const char* folder : {"pngsuite", "jpeg/jpeg-decoder", "jpeg/libjpeg-turbo", "jpeg/pillow",
                                    "tiff/libtiff", "tiff/pillow", "bmpsuite/b", "bmpsuite/q"}) {
    for (const std::string& name : FilesIn(folder, {".png", ".jpg", ".tif", ".tiff", ".bmp"})) {
      const std::vector<uint8_t> whole = ReadBytes(TestData(name));
      ImageFree(LoadBytes(whole));
      ImageFree(LoadBytes(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(whole.size() / 3))));
    }
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// ---- icons ----

TEST_F(IconImages, SamplesLoadAtTheSizeOfTheChosenEntry) {
  const struct {
    const char* file;
    int size;
  } samples[] = {
      {"ico/image-rs/bmp-24bpp-mask.ico", 32},
      {"ico/image-rs/bmp-32bpp-alpha.ico", 32},
      {"ico/image-rs/multiple_entries_with_different_bit_depth.ico", 32},  // the 32-bit 32 × 32 entry
      {"ico/image-rs/png-32bpp-alpha.ico", 32},
      {"ico/image-rs/smile.ico", 32},
      {"ico/image-rs/two-entry-order-test.ico", 48},
      {"ico/pillow/pillow.ico", 256},  // a PNG entry whose size bytes say 0
  };
  for (const auto& sample : samples) {
    SCOPED_TRACE(sample.file);
    const int64_t image = Load(sample.file);
    ASSERT_NE(image, 0);
    EXPECT_EQ(Record(image)->format, kImageFormatIcon);
    EXPECT_EQ(ImageGetWidth(image), sample.size);
    EXPECT_EQ(ImageGetHeight(image), sample.size);
    EXPECT_EQ(Record(image)->depth, 32);  // an icon's colour bitmap is a screen-depth bitmap
    EXPECT_EQ(Record(image)->sourceDepth, 32);
  }
}

}  // namespace
}  // namespace codec_test
