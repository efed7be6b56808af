// The smooth scaler: separable resampling of 4-channel pixels with the Mitchell-Netravali
// filter, one pass per axis through a byte intermediate. Each pass builds its weight table once;
// the inner loops only multiply and add.
#include "image_scale.h"

#include <cmath>
#include <cstring>

#include "heap.h"
#include "image.h"
#include "kernel.h"

namespace {

constexpr double kB = 1.0 / 3.0;
constexpr double kC = 1.0 / 3.0;
// Sides beyond this are refused: the tables and buffers would not be worth trying.
constexpr int64_t kMaxSide = int64_t{1} << 24;

void* Allocate(int64_t bytes) { return HeapAlloc(MainHeap(), 0, static_cast<size_t>(bytes)); }
void Release(void* block) {
  if (block) HeapFree(MainHeap(), 0, block);
}

// Rows of `inputs` pixels become rows of table.count pixels.
void ScaleRows(const uint8_t* source, int64_t inputs, int64_t rows, uint8_t* target, const ImageScaleTable& table) {
  for (int64_t y = 0; y < rows; ++y) {
    const uint8_t* in = source + y * inputs * 4;
    uint8_t* out = target + y * table.count * 4;
    for (int64_t i = 0; i < table.count; ++i) {
      const double* w = table.weights + i * table.taps;
      const uint8_t* p = in + table.first[i] * 4;
      double sum[4] = {0, 0, 0, 0};
      for (int64_t k = 0; k < table.used[i]; ++k, p += 4) {
        sum[0] += w[k] * p[0];
        sum[1] += w[k] * p[1];
        sum[2] += w[k] * p[2];
        sum[3] += w[k] * p[3];
      }
      for (int c = 0; c < 4; ++c) out[i * 4 + c] = ImageScaleToByte(sum[c]);
    }
  }
}

// Columns of `inputs` pixels (rows of `width` pixels) become columns of table.count pixels.
bool ScaleColumns(const uint8_t* source, int64_t width, uint8_t* target, const ImageScaleTable& table) {
  const int64_t rowBytes = width * 4;
  auto* sums = static_cast<double*>(Allocate(rowBytes * static_cast<int64_t>(sizeof(double))));
  if (sums == nullptr) return false;
  for (int64_t i = 0; i < table.count; ++i) {
    std::memset(sums, 0, static_cast<size_t>(rowBytes) * sizeof(double));
    const double* w = table.weights + i * table.taps;
    for (int64_t k = 0; k < table.used[i]; ++k) {
      const uint8_t* in = source + (table.first[i] + k) * rowBytes;
      const double weight = w[k];
      for (int64_t j = 0; j < rowBytes; ++j) sums[j] += weight * in[j];
    }
    uint8_t* out = target + i * rowBytes;
    for (int64_t j = 0; j < rowBytes; ++j) out[j] = ImageScaleToByte(sums[j]);
  }
  Release(sums);
  return true;
}

}  // namespace

double ImageScaleKernel(double x) {
  if (x < 1) return ((12 - 9 * kB - 6 * kC) * x * x * x + (-18 + 12 * kB + 6 * kC) * x * x + (6 - 2 * kB)) / 6;
  if (x < 2)
    return ((-kB - 6 * kC) * x * x * x + (6 * kB + 30 * kC) * x * x + (-12 * kB - 48 * kC) * x + (8 * kB + 24 * kC)) / 6;
  return 0;
}

uint8_t ImageScaleToByte(double sum) {
  const double value = sum + 0.5;
  if (!(value > 0)) return 0;  // also catches NaN
  if (value >= 256) return 255;
  return static_cast<uint8_t>(static_cast<int>(value));
}

bool ImageScaleTableBuild(ImageScaleTable* table, int64_t count, int64_t inputs) {
  const double scale = static_cast<double>(count) / static_cast<double>(inputs);
  double support = 2, stretch = 1;
  if (scale < 1) {
    support = 2 / scale;
    stretch = scale;
  }
  // An output never reads more inputs than there are, so the table needs no wider rows.
  const int64_t mostTaps = 2 * static_cast<int64_t>(std::ceil(support)) + 1;
  table->count = count;
  table->taps = std::min(mostTaps, inputs);
  table->first = static_cast<int64_t*>(Allocate(count * 8));
  table->used = static_cast<int64_t*>(Allocate(count * 8));
  table->weights = static_cast<double*>(Allocate(count * table->taps * 8));
  if (!table->first || !table->used || !table->weights) {
    ImageScaleTableFree(table);
    return false;
  }
  for (int64_t i = 0; i < count; ++i) {
    const double centre = (static_cast<double>(i) + 0.5) / scale - 0.5;
    int64_t first = std::max<int64_t>(0, static_cast<int64_t>(std::floor(centre - support)));
    const int64_t last = std::min<int64_t>(inputs - 1, static_cast<int64_t>(std::ceil(centre + support)));
    if (last - first + 1 > mostTaps) ++first;
    double* w = table->weights + i * table->taps;
    double sum = 0;
    const int64_t used = std::max<int64_t>(0, last - first + 1);
    for (int64_t k = 0; k < used; ++k) {
      w[k] = ImageScaleKernel(std::fabs(centre - static_cast<double>(first + k)) * stretch) * stretch;
      sum += w[k];
    }
    if (sum > 0 && sum != 1) {
      for (int64_t k = 0; k < used; ++k) w[k] /= sum;
    }
    table->first[i] = first;
    table->used[i] = used;
  }
  return true;
}

void ImageScaleTableFree(ImageScaleTable* table) {
  Release(table->first);
  Release(table->used);
  Release(table->weights);
  table->first = table->used = nullptr;
  table->weights = nullptr;
}

int64_t ImageScaleSmooth(const void* source, int64_t sourceWidth, int64_t sourceHeight, void* target,
                         int64_t targetWidth, int64_t targetHeight, int64_t bits) {
  if (source == nullptr || target == nullptr || bits != 32) return 0;
  for (int64_t side : {sourceWidth, sourceHeight, targetWidth, targetHeight}) {
    if (side < 1 || side > kMaxSide) return 0;
  }
  auto* intermediate = static_cast<uint8_t*>(Allocate(targetWidth * sourceHeight * 4));
  if (intermediate == nullptr) return 0;
  const auto* in = static_cast<const uint8_t*>(source);
  auto* out = static_cast<uint8_t*>(target);
  ImageScaleTable columns{}, rows{};
  bool done = ImageScaleTableBuild(&columns, targetWidth, sourceWidth) && ImageScaleTableBuild(&rows, targetHeight, sourceHeight);
  if (done && targetHeight * sourceWidth < targetWidth * sourceHeight) {
    // The smaller intermediate comes from scaling the heights first.
    done = ScaleColumns(in, sourceWidth, intermediate, rows);
    if (done) ScaleRows(intermediate, sourceWidth, targetHeight, out, columns);
  } else if (done) {
    ScaleRows(in, sourceWidth, sourceHeight, intermediate, columns);
    done = ScaleColumns(intermediate, targetWidth, out, rows);
  }
  ImageScaleTableFree(&columns);
  ImageScaleTableFree(&rows);
  Release(intermediate);
  return done ? 1 : 0;
}
