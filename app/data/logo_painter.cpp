// Paints Stampwork's logo and writes it as a 128 x 128 RGBA PNG: a postage stamp with a
// perforated edge, a frame inside, and a stack of three numbered labels on it. Run by the build;
// the picture is drawn here from shapes, four by four samples per pixel for smooth edges.
//
//   logo_painter <output.png>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSize = 128;
constexpr int kSamples = 4;

struct Colour {
  double r, g, b, a;
};

// What lies at a point of the picture (in pixels, 0..128), painted back to front.
Colour At(double x, double y) {
  Colour out{0, 0, 0, 0};
  auto over = [&](Colour c) {
    out.r = c.r * c.a + out.r * (1 - c.a);
    out.g = c.g * c.a + out.g * (1 - c.a);
    out.b = c.b * c.a + out.b * (1 - c.a);
    out.a = c.a + out.a * (1 - c.a);
  };
  // The stamp: a square with half-circle bites along its edges.
  const double left = 10, top = 10, right = 118, bottom = 118, bite = 4.2, step = 12;
  bool inside = x >= left && x < right && y >= top && y < bottom;
  for (double along = left + step / 2; along < right; along += step) {
    for (double edge : {top, bottom}) inside = inside && std::hypot(x - along, y - edge) > bite;
    for (double edge : {left, right}) inside = inside && std::hypot(x - edge, y - along) > bite;
  }
  if (!inside) return out;
  over({0.98, 0.95, 0.88, 1});
  // A frame inside the perforation.
  bool frame = x >= 20 && x < 108 && y >= 20 && y < 108 && !(x >= 23 && x < 105 && y >= 23 && y < 105);
  if (frame) over({0.72, 0.16, 0.14, 1});
  // Three labels, each a little lower and to the right, the front one with a number's bars.
  for (int i = 0; i < 3; ++i) {
    double lx = 32 + 8 * i, ly = 34 + 14 * i;
    bool label = x >= lx && x < lx + 52 && y >= ly && y < ly + 34;
    if (!label) continue;
    bool border = x < lx + 2 || x >= lx + 50 || y < ly + 2 || y >= ly + 32;
    double shade = 0.55 + 0.2 * i;
    over(border ? Colour{0.12, 0.23, 0.45, 1} : Colour{shade * 0.55 + 0.4, shade * 0.7 + 0.3, 1.0, 1});
  }
  // "1 2 3" as bars on the front label.
  for (int digit = 0; digit < 3; ++digit) {
    double bx = 56 + 12 * digit, by = 72;
    for (int bar = 0; bar <= digit; ++bar) {
      if (x >= bx + 3 * bar && x < bx + 3 * bar + 2 && y >= by && y < by + 16) over({0.12, 0.23, 0.45, 1});
    }
  }
  return out;
}

std::vector<uint8_t> Paint() {
  std::vector<uint8_t> rgba(static_cast<size_t>(kSize) * kSize * 4);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          Colour c = At(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples);
          r += c.r * c.a;
          g += c.g * c.a;
          b += c.b * c.a;
          a += c.a;
        }
      }
      uint8_t* p = &rgba[(static_cast<size_t>(y) * kSize + x) * 4];
      // Straight alpha: the colour is the covered samples' average.
      p[0] = a > 0 ? static_cast<uint8_t>(std::lround(255 * r / a)) : 0;
      p[1] = a > 0 ? static_cast<uint8_t>(std::lround(255 * g / a)) : 0;
      p[2] = a > 0 ? static_cast<uint8_t>(std::lround(255 * b / a)) : 0;
      p[3] = static_cast<uint8_t>(std::lround(255 * a / (kSamples * kSamples)));
    }
  }
  return rgba;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: logo_painter <output.png>\n");
    return 2;
  }
  std::vector<uint8_t> rgba = Paint();
  FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    std::remove(argv[1]);
    return 1;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, kSize, kSize, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < kSize; ++y) png_write_row(png, &rgba[static_cast<size_t>(y) * kSize * 4]);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0 ? 0 : 1;
}
