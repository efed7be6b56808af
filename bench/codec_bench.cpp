// Costs of saving and loading pictures against the bare libraries beneath the codecs:
//  - ImageSave of a 1920x1080 (and a 640x480) 24-bit image as PNG against a bare libpng encode
//    of the same pixels with the same settings (no row filters, zlib level 9, B, G, R rows
//    written bottom row last), both to a file;
//  - ImageLoadFromBuffer of a 1920x1080 JPEG against a bare libjpeg decode of the same data
//    (integer DCT, three bytes a pixel) into one buffer.
// The ratios (ours / bare) are printed after the table.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "corvid.h"
#include "ratio_reporter.h"

namespace {

std::string g_dir;

// A picture with the texture of a photograph: smooth shading, edges and a little grain.
std::vector<uint8_t> Photo(int width, int height, int64_t stride) {
  std::vector<uint8_t> pixels(static_cast<size_t>(stride * height));
  uint32_t seed = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      seed = seed * 1664525 + 1013904223;
      const int grain = static_cast<int>(seed >> 29);
      uint8_t* p = &pixels[static_cast<size_t>(y * stride + x * 3)];
      p[0] = static_cast<uint8_t>(128 + 100 * std::sin(x / 97.0) + grain);
      p[1] = static_cast<uint8_t>((x * y / 17 % 200) + grain);
      p[2] = static_cast<uint8_t>(((x / 64 + y / 64) % 2 ? 200 : 40) + grain);
    }
  }
  return pixels;
}

// The runtime as the program starts it, with every codec registered.
struct Runtime {
  Runtime() { ProgramStart(); }
  ~Runtime() {
    ProgramEnd();
    StringHeapShutdown();
    MainHeapDestroy();
  }
};

// An image object holding the photo, as a grab of the canvas would.
int64_t PhotoImage(int width, int height) {
  ImageObject* record = ImageObjectNew(CV_Any);
  HBITMAP section = ImageNewSection(width, height, 24);
  DIBSECTION description{};
  GetObjectW(section, sizeof description, &description);
  const std::vector<uint8_t> pixels = Photo(width, height, ImageRowStride(width, 24));
  std::copy(pixels.begin(), pixels.end(), static_cast<uint8_t*>(description.dsBm.bmBits));
  record->handle = section;
  record->width = static_cast<int16_t>(width);
  record->height = static_cast<int16_t>(height);
  record->depth = 24;
  return ImageObjectId(CV_Any, record);
}

void OursPngSave(benchmark::State& state) {
  Runtime runtime;
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const int64_t image = PhotoImage(width, height);
  const std::u16string file = platform::Utf8ToUtf16((g_dir + "/ours.png").c_str());
  for (auto _ : state) {
    if (ImageSave(image, file.c_str(), kImageFormatPng) != 1) state.SkipWithError("save failed");
  }
}

void BarePngSave(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const int64_t stride = (width * 3 + 3) / 4 * 4;
  const std::vector<uint8_t> pixels = Photo(width, height, stride);
  const std::string file = g_dir + "/bare.png";
  for (auto _ : state) {
    FILE* out = std::fopen(file.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, out);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_bgr(png);
    png_write_info(png, info);
    for (int i = 0; i < height; ++i) png_write_row(png, &pixels[static_cast<size_t>((height - 1 - i) * stride)]);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(out);
  }
}

// The photo as a JPEG of quality 90, made once.
const std::vector<uint8_t>& PhotoJpeg() {
  static const std::vector<uint8_t> file = [] {
    const int width = 1920, height = 1080;
    const std::vector<uint8_t> pixels = Photo(width, height, width * 3);
    jpeg_compress_struct encoder{};
    jpeg_error_mgr errors{};
    encoder.err = jpeg_std_error(&errors);
    jpeg_create_compress(&encoder);
    unsigned char* data = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&encoder, &data, &size);
    encoder.image_width = width;
    encoder.image_height = height;
    encoder.input_components = 3;
    encoder.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&encoder);
    jpeg_set_quality(&encoder, 90, TRUE);
    jpeg_start_compress(&encoder, TRUE);
    while (encoder.next_scanline < encoder.image_height) {
      JSAMPROW row = const_cast<uint8_t*>(&pixels[encoder.next_scanline * width * 3]);
      jpeg_write_scanlines(&encoder, &row, 1);
    }
    jpeg_finish_compress(&encoder);
    jpeg_destroy_compress(&encoder);
    std::vector<uint8_t> copy(data, data + size);
    std::free(data);
    return copy;
  }();
  return file;
}

void OursJpegLoad(benchmark::State& state) {
  Runtime runtime;
  const std::vector<uint8_t>& file = PhotoJpeg();
  for (auto _ : state) {
    const int64_t image = ImageLoadFromBuffer(CV_Any, file.data(), static_cast<int64_t>(file.size()));
    if (image == 0) state.SkipWithError("load failed");
    ImageFree(image);
  }
}

void BareJpegLoad(benchmark::State& state) {
  const std::vector<uint8_t>& file = PhotoJpeg();
  std::vector<uint8_t> pixels(1920 * 1080 * 3);
  for (auto _ : state) {
    jpeg_decompress_struct decoder{};
    jpeg_error_mgr errors{};
    decoder.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&decoder);
    jpeg_mem_src(&decoder, file.data(), file.size());
    jpeg_read_header(&decoder, TRUE);
    decoder.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&decoder);
    while (decoder.output_scanline < decoder.output_height) {
      JSAMPROW row = &pixels[decoder.output_scanline * decoder.output_width * 3];
      jpeg_read_scanlines(&decoder, &row, 1);
    }
    jpeg_finish_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    benchmark::DoNotOptimize(pixels.data());
  }
}

BENCHMARK(OursPngSave)->Args({1920, 1080})->Args({640, 480})->Unit(benchmark::kMillisecond);
BENCHMARK(BarePngSave)->Args({1920, 1080})->Args({640, 480})->Unit(benchmark::kMillisecond);
BENCHMARK(OursJpegLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BareJpegLoad)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  char pattern[] = "/tmp/codec-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  g_dir = pattern;
  RunWithRatios(argc, argv,
                {{"OursPngSave/1920/1080", "BarePngSave/1920/1080"},
                 {"OursPngSave/640/480", "BarePngSave/640/480"},
                 {"OursJpegLoad", "BareJpegLoad"}});
  std::error_code ignored;
  std::filesystem::remove_all(g_dir, ignored);
  return 0;
}
