// The smooth scaler's pieces, visible to the image library and its tests: the filter kernel,
// the per-pass weight table and the conversion of a weighted sum to a channel byte.
#pragma once

#include <cstdint>

// Weights for `count` outputs from `inputs` inputs: output i reads inputs first[i] ...
// first[i] + used[i] - 1 with weights[i * taps ...]. Built once per pass.
struct ImageScaleTable {
  int64_t count;
  int64_t taps;  // weights per output in the table (the most taps any output may have)
  int64_t* first;
  int64_t* used;
  double* weights;
};

// The Mitchell-Netravali cubic with B = C = 1/3, for x >= 0.
double ImageScaleKernel(double x);
// Fills the table from the main heap; false when memory ran out (nothing is left allocated).
bool ImageScaleTableBuild(ImageScaleTable* table, int64_t count, int64_t inputs);
void ImageScaleTableFree(ImageScaleTable* table);
// The integer part of sum + 0.5, clamped to 0 ... 255.
uint8_t ImageScaleToByte(double sum);
