// The in-process halves of bench/series_bench.sh, each timing itself (seconds on stdout):
//   picture W H OUT.png          makes a photo-like background (smooth shading, edges, grain)
//   create PICTURE SETTINGS      the desktop program's Create (the pipelined series), headless
//   floor PICTURE SETTINGS DIR   the same frames drawn first (untimed), then encoded one after
//                                the other by bare libpng with the encoder's settings (RGB,
//                                no filters, level 9) into DIR: the single-core floor
#include <png.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app_state.h"
#include "dialogs.h"
#include "kernel.h"
#include "testing.h"
#include "label.h"
#include "series.h"
#include "series_create.h"
#include "settings.h"
#include "stampwork.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

int MakePicture(int width, int height, const char* out) {
  StampworkRuntimeStart();
  const int64_t stride = ImageRowStride(width, 24);
  std::vector<uint8_t> rows(static_cast<size_t>(stride * height));
  uint32_t noise = 7;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      noise = noise * 1103515245 + 12345;
      const int speck = static_cast<int>((noise >> 28) & 3);
      uint8_t* p = &rows[static_cast<size_t>(y * stride + x * 3)];
      const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
      p[0] = static_cast<uint8_t>(60 + 120 * v + speck);
      p[1] = static_cast<uint8_t>(90 + 80 * std::cos(6 * u) + speck);
      p[2] = static_cast<uint8_t>((u + v > 1 ? 180 : 70) + 30 * std::sin(9 * v) + speck);
    }
  }
  const int64_t ok = ImageEncode(platform::Utf8ToUtf16(out).c_str(), rows.data(), kImageFormatPng, width, height, stride,
                                 24, 0, 7, -1);
  StampworkRuntimeEnd();
  return ok ? 0 : 1;
}

int Create(const char* picture, const char* settings) {
  platform::testing::DialogAnswer answer;
  answer.paths = {platform::Utf8ToUtf16(picture)};
  platform::testing::DialogsQueueFileAnswer(answer);
  StampworkStart();
  SettingsLoad(platform::Utf8ToUtf16(settings).c_str());
  const auto start = Clock::now();
  SeriesCreate();
  std::printf("%.4f\n", Since(start));
  StampworkRuntimeEnd();
  return 0;
}

// One frame's rows, top row first.
struct Frame {
  std::vector<uint8_t> rows;
  std::string file;
};

bool EncodeBare(const Frame& frame, int width, int height) {
  std::FILE* out = std::fopen(frame.file.c_str(), "wb");
  if (out == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(out);
    return false;
  }
  png_init_io(png, out);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_bgr(png);
  png_write_info(png, info);
  const size_t stride = static_cast<size_t>(width) * 3;
  for (int y = 0; y < height; ++y) png_write_row(png, frame.rows.data() + y * stride);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(out) == 0;
}

int Floor(const char* picture, const char* settings, const char* folder) {
  StampworkRuntimeStart();
  int result = 1;
  if (BackgroundLoadFile(platform::Utf8ToUtf16(picture).c_str()) && SettingsRead(platform::Utf8ToUtf16(settings).c_str())) {
    RangeFrames frames(g_app, SeriesBaseName(g_app.BackFile.get(), platform::Utf8ToUtf16(folder)), g_app.RangeStart,
                       g_app.RangeStop, true);
    const int64_t font = LabelFontLoad(g_app);
    const int64_t target = ImageLoad(CV_Any, g_app.BackFile.get());
    const int width = static_cast<int>(g_app.BackWidth), height = static_cast<int>(g_app.BackHeight);
    std::vector<Frame> drawn;
    RString label;
    std::string file;
    while (frames.Next(label, file) && LabelRender(ImageOutput(target), g_app, label.c_str(), FontHandle(font))) {
      DIBSECTION section{};
      GetObjectW(reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(ImageHandle(target))), sizeof section, &section);
      Frame frame{std::vector<uint8_t>(static_cast<size_t>(width) * height * 3), file};
      for (int y = 0; y < height; ++y) {
        const int row = section.dsBmih.biHeight > 0 ? height - 1 - y : y;
        std::memcpy(frame.rows.data() + static_cast<size_t>(y) * width * 3,
                    static_cast<const uint8_t*>(section.dsBm.bmBits) + static_cast<size_t>(row) * section.dsBm.bmWidthBytes,
                    static_cast<size_t>(width) * 3);
      }
      drawn.push_back(std::move(frame));
    }
    const auto start = Clock::now();
    result = 0;
    for (const Frame& frame : drawn) result |= EncodeBare(frame, width, height) ? 0 : 1;
    std::printf("%.4f\n", Since(start));
  }
  StampworkRuntimeEnd();
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "picture" && argc == 5) return MakePicture(std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
  if (mode == "create" && argc == 4) return Create(argv[2], argv[3]);
  if (mode == "floor" && argc == 5) return Floor(argv[2], argv[3], argv[4]);
  std::fprintf(stderr, "usage: series_bench_helper picture W H OUT.png | create PICTURE SETTINGS | floor PICTURE SETTINGS DIR\n");
  return 2;
}
