// The colour reducer: learns a palette of up to 256 entries with a self-organising network of
// neurons over blue, green, red and alpha (a colour space with gamma 1.8, so that dark shades get
// their share of entries), then maps every pixel to its nearest entry, or diffuses each pixel's
// error onto its neighbours, and packs the indices most significant bits first.
#include "colour_reducer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "heap.h"

struct PaletteQuantizer {
  int64_t width;
  int64_t height;
  int64_t depth;
  int64_t rowBytes;
  RGBQUAD palette[256];
  uint8_t* indices;  // rowBytes × height
};

namespace {

constexpr double kGamma = 1.8;
constexpr int kCycles = 100;          // learning-rate and radius steps over the samples
constexpr int kRadiusDecrease = 30;   // the radius shrinks by 1/30 each step
constexpr double kBeta = 1.0 / 1024;  // how fast the neurons' win frequencies adapt
constexpr int64_t kPrimes[] = {499, 491, 487, 503};

struct Pixel {
  int channel[4];  // blue, green, red, alpha
};

Pixel ReadPixel(const uint8_t* row, int64_t x, int64_t bits) {
  const uint8_t* p = row + x * (bits / 8);
  return Pixel{{p[0], p[1], p[2], bits == 32 ? p[3] : 255}};
}

// Colour channels learn in a gamma-1.8 space; alpha stays linear.
struct GammaTables {
  double toNetwork[256];
  GammaTables() {
    for (int i = 0; i < 256; ++i) toNetwork[i] = 255.0 * std::pow(i / 255.0, 1.0 / kGamma);
  }
};
const GammaTables& Gamma() {
  static const GammaTables tables;
  return tables;
}
uint8_t FromNetwork(double value) {
  const double clamped = std::clamp(value, 0.0, 255.0);
  return static_cast<uint8_t>(std::lround(255.0 * std::pow(clamped / 255.0, kGamma)));
}

// The network: one neuron per palette entry, each pulled towards the sampled pixels it wins,
// with its neighbours pulled along less and less as learning goes on. A bias against neurons
// that win too often keeps every neuron in use.
class Network {
 public:
  explicit Network(int size) : size_(size) {
    for (int i = 0; i < size_; ++i) {
      const double grey = 255.0 * i / size_;  // start along the grey axis
      neuron_[i][0] = neuron_[i][1] = neuron_[i][2] = grey;
      neuron_[i][3] = 255.0;
      frequency_[i] = 1.0 / size_;
      bias_[i] = 0.0;
    }
  }

  void Learn(const uint8_t* pixels, int64_t width, int64_t height, int64_t bits, int64_t stride) {
    const int64_t count = width * height;
    const int64_t sampleFactor = std::min<int64_t>(10, 1 + count / 262144);
    const int64_t samples = std::max<int64_t>(1, count / sampleFactor);
    const int64_t delta = std::max<int64_t>(1, samples / kCycles);
    const double alphaDecrease = 30.0 + (sampleFactor - 1) / 3.0;
    // Stepping by a prime that does not divide the pixel count visits the picture evenly.
    int64_t step = 1;
    if (count >= kPrimes[3]) {
      for (int64_t prime : kPrimes) {
        if (count % prime != 0) {
          step = prime;
          break;
        }
      }
    }
    double alpha = 1.0;
    double radius = size_ / 8.0;
    int rad = radius <= 1.0 ? 0 : static_cast<int>(radius);
    int64_t position = 0;
    const GammaTables& gamma = Gamma();
    for (int64_t i = 0; i < samples; ++i) {
      const Pixel pixel = ReadPixel(pixels + (position / width) * stride, position % width, bits);
      const double target[4] = {gamma.toNetwork[pixel.channel[0]], gamma.toNetwork[pixel.channel[1]],
                                gamma.toNetwork[pixel.channel[2]], static_cast<double>(pixel.channel[3])};
      const int winner = Contest(target);
      Move(winner, alpha, target);
      if (rad > 0) MoveNeighbours(winner, rad, alpha, target);
      position = (position + step) % count;
      if ((i + 1) % delta == 0) {
        alpha -= alpha / alphaDecrease;
        radius -= radius / kRadiusDecrease;
        rad = radius <= 1.0 ? 0 : static_cast<int>(radius);
      }
    }
  }

  void Palette(RGBQUAD* palette) const {
    for (int i = 0; i < size_; ++i) {
      palette[i].rgbBlue = FromNetwork(neuron_[i][0]);
      palette[i].rgbGreen = FromNetwork(neuron_[i][1]);
      palette[i].rgbRed = FromNetwork(neuron_[i][2]);
      palette[i].rgbReserved = static_cast<BYTE>(std::lround(std::clamp(neuron_[i][3], 0.0, 255.0)));
    }
  }

 private:
  // The neuron that wins the pixel once its bias is counted; updates the win frequencies.
  int Contest(const double* target) {
    double bestDistance = 1e30, bestBiased = 1e30;
    int best = 0, bestBiasedIndex = 0;
    for (int i = 0; i < size_; ++i) {
      double distance = 0;
      for (int c = 0; c < 4; ++c) distance += std::fabs(neuron_[i][c] - target[c]);
      if (distance < bestDistance) {
        bestDistance = distance;
        best = i;
      }
      const double biased = distance - bias_[i];
      if (biased < bestBiased) {
        bestBiased = biased;
        bestBiasedIndex = i;
      }
      const double share = frequency_[i] * kBeta;
      frequency_[i] -= share;
      bias_[i] += share * 1024.0;
    }
    frequency_[best] += kBeta;
    bias_[best] -= 1.0;
    return bestBiasedIndex;
  }

  void Move(int index, double alpha, const double* target) {
    for (int c = 0; c < 4; ++c) neuron_[index][c] -= alpha * (neuron_[index][c] - target[c]);
  }

  void MoveNeighbours(int index, int rad, double alpha, const double* target) {
    const int low = std::max(index - rad, -1), high = std::min(index + rad, size_);
    for (int j = index + 1, k = index - 1, d = 1; j < high || k > low; ++j, --k, ++d) {
      const double pull = alpha * (1.0 - static_cast<double>(d * d) / (rad * rad));
      if (j < high) Move(j, pull, target);
      if (k > low) Move(k, pull, target);
    }
  }

  int size_;
  double neuron_[256][4];
  double frequency_[256];
  double bias_[256];
};

// Nearest palette entry by squared distance over the four channels. Entries are searched
// outward from the pixel's green value in green order, stopping once green alone is farther
// than the best match.
class NearestEntry {
 public:
  NearestEntry(const RGBQUAD* palette, int size) : palette_(palette), size_(size) {
    for (int i = 0; i < size_; ++i) order_[i] = i;
    std::sort(order_, order_ + size_, [&](int a, int b) { return palette_[a].rgbGreen < palette_[b].rgbGreen; });
    for (int i = 0; i < size_; ++i) green_[i] = palette_[order_[i]].rgbGreen;
    std::fill(cacheIndex_, cacheIndex_ + (1 << kCacheBits), int16_t{-1});
  }

  int Find(const int* channel) {
    const uint32_t key = static_cast<uint32_t>(channel[0] | (channel[1] << 8) | (channel[2] << 16)) |
                         (static_cast<uint32_t>(channel[3]) << 24);
    const uint32_t slot = (key * 2654435761u) >> (32 - kCacheBits);
    if (cacheKey_[slot] == key && cacheIndex_[slot] >= 0) return cacheIndex_[slot];
    const int start = static_cast<int>(std::lower_bound(green_, green_ + size_, channel[1]) - green_);
    int best = -1;
    int64_t bestDistance = INT64_MAX;
    auto consider = [&](int position) {
      const int dg = green_[position] - channel[1];
      if (int64_t{dg} * dg >= bestDistance) return false;
      const RGBQUAD& entry = palette_[order_[position]];
      const int db = entry.rgbBlue - channel[0], dr = entry.rgbRed - channel[2], da = entry.rgbReserved - channel[3];
      const int64_t distance = int64_t{db} * db + int64_t{dg} * dg + int64_t{dr} * dr + int64_t{da} * da;
      if (distance < bestDistance || (distance == bestDistance && order_[position] < best)) {
        bestDistance = distance;
        best = order_[position];
      }
      return true;
    };
    bool up = true, down = true;
    for (int d = 0; up || down; ++d) {
      if (up) up = start + d < size_ && consider(start + d);
      if (down) down = start - 1 - d >= 0 && consider(start - 1 - d);
    }
    cacheKey_[slot] = key;
    cacheIndex_[slot] = static_cast<int16_t>(best);
    return best;
  }

 private:
  static constexpr int kCacheBits = 14;
  const RGBQUAD* palette_;
  int size_;
  int order_[256];
  int green_[256];
  uint32_t cacheKey_[1 << kCacheBits];
  int16_t cacheIndex_[1 << kCacheBits];  // -1: the slot holds nothing yet
};

void PutIndex(uint8_t* row, int64_t x, int64_t depth, int index) {
  const int64_t bit = x * depth;
  const int shift = static_cast<int>(8 - depth - bit % 8);
  row[bit / 8] = static_cast<uint8_t>(row[bit / 8] | (index << shift));
}

int Luminance(const Pixel& pixel) {
  return 0.2126 * pixel.channel[2] + 0.7152 * pixel.channel[1] + 0.0722 * pixel.channel[0] > 160 ? 1 : 0;
}

void MapNearest(PaletteQuantizer* reducer, const uint8_t* pixels, int64_t bits, int64_t stride, NearestEntry& nearest) {
  for (int64_t y = 0; y < reducer->height; ++y) {
    uint8_t* out = reducer->indices + y * reducer->rowBytes;
    for (int64_t x = 0; x < reducer->width; ++x) {
      const Pixel pixel = ReadPixel(pixels + y * stride, x, bits);
      PutIndex(out, x, reducer->depth, nearest.Find(pixel.channel));
    }
  }
}

// Floyd-Steinberg diffusion: each pixel's remaining error goes 7/16 to the right, 3/16, 5/16 and
// 1/16 to the row below. Two rows of accumulated error (in sixteenths) are kept.
bool MapDiffused(PaletteQuantizer* reducer, const uint8_t* pixels, int64_t bits, int64_t stride, NearestEntry& nearest) {
  const int64_t cells = (reducer->width + 2) * 4;
  auto* errors = static_cast<int*>(MainHeapAlloc(static_cast<size_t>(cells * 2) * sizeof(int)));
  if (errors == nullptr) return false;
  int* current = errors + 4;  // one spare pixel on each side
  int* next = errors + cells + 4;
  for (int64_t y = 0; y < reducer->height; ++y) {
    uint8_t* out = reducer->indices + y * reducer->rowBytes;
    for (int64_t x = 0; x < reducer->width; ++x) {
      const Pixel pixel = ReadPixel(pixels + y * stride, x, bits);
      int wanted[4];
      for (int c = 0; c < 4; ++c) wanted[c] = std::clamp(pixel.channel[c] + current[x * 4 + c] / 16, 0, 255);
      const int index = nearest.Find(wanted);
      PutIndex(out, x, reducer->depth, index);
      const RGBQUAD& entry = reducer->palette[index];
      const int got[4] = {entry.rgbBlue, entry.rgbGreen, entry.rgbRed, entry.rgbReserved};
      for (int c = 0; c < 4; ++c) {
        const int error = wanted[c] - got[c];
        current[(x + 1) * 4 + c] += error * 7;
        next[(x - 1) * 4 + c] += error * 3;
        next[x * 4 + c] += error * 5;
        next[(x + 1) * 4 + c] += error;
      }
    }
    std::swap(current, next);
    std::memset(next - 4, 0, static_cast<size_t>(cells) * sizeof(int));
  }
  MainHeapFree(errors);
  return true;
}

}  // namespace

PaletteQuantizer* PaletteQuantizerNew(const uint8_t* pixels, int64_t width, int64_t height, int64_t bits,
                                      int64_t stride, int64_t depth, int64_t options) {
  // Indices are packed whole into bytes: 8, 4, 2 or 1 a byte.
  const bool packable = depth == 1 || depth == 2 || depth == 4 || depth == 8;
  if (pixels == nullptr || width < 1 || height < 1 || (bits != 24 && bits != 32) || !packable ||
      width > INT32_MAX / 4 || height > INT32_MAX || stride < width * (bits / 8))
    return nullptr;
  auto* reducer = static_cast<PaletteQuantizer*>(MainHeapAlloc(sizeof(PaletteQuantizer)));
  if (reducer == nullptr) return nullptr;
  reducer->width = width;
  reducer->height = height;
  reducer->depth = depth;
  reducer->rowBytes = (width * depth + 7) / 8;
  reducer->indices = static_cast<uint8_t*>(MainHeapAlloc(static_cast<size_t>(reducer->rowBytes * height)));
  if (reducer->indices == nullptr) {
    MainHeapFree(reducer);
    return nullptr;
  }
  if (depth == 1) {
    reducer->palette[1] = RGBQUAD{255, 255, 255, 255};
    reducer->palette[0] = RGBQUAD{0, 0, 0, 255};
    for (int64_t y = 0; y < height; ++y) {
      for (int64_t x = 0; x < width; ++x)
        PutIndex(reducer->indices + y * reducer->rowBytes, x, 1, Luminance(ReadPixel(pixels + y * stride, x, bits)));
    }
    return reducer;
  }
  const int size = 1 << depth;
  auto* network = static_cast<Network*>(MainHeapAlloc(sizeof(Network)));
  auto* nearest = static_cast<NearestEntry*>(MainHeapAlloc(sizeof(NearestEntry)));
  bool done = network != nullptr && nearest != nullptr;
  if (done) {
    new (network) Network(size);
    network->Learn(pixels, width, height, bits, stride);
    network->Palette(reducer->palette);
    new (nearest) NearestEntry(reducer->palette, size);
    if (options & kReducerDiffuse) done = MapDiffused(reducer, pixels, bits, stride, *nearest);
    else MapNearest(reducer, pixels, bits, stride, *nearest);
  }
  MainHeapFree(network);
  MainHeapFree(nearest);
  if (!done) {
    PaletteQuantizerFree(reducer);
    return nullptr;
  }
  return reducer;
}

const RGBQUAD* PaletteQuantizerPalette(const PaletteQuantizer* reducer) { return reducer->palette; }

int64_t PaletteQuantizerRowBytes(const PaletteQuantizer* reducer) { return reducer->rowBytes; }

const uint8_t* PaletteQuantizerRow(const PaletteQuantizer* reducer, int64_t row) {
  return reducer->indices + row * reducer->rowBytes;
}

void PaletteQuantizerFree(PaletteQuantizer* reducer) {
  if (reducer == nullptr) return;
  MainHeapFree(reducer->indices);
  MainHeapFree(reducer);
}
