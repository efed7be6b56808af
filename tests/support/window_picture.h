// Saves a top-level window's backing bitmap as a PNG file, for a person to look at what the
// tests drew. Needs the image codecs started (CodecInit, PngEncoderInit).
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "corvid.h"
#include "input.h"

inline bool SaveWindowPicture(HWND window, const char16_t* file) {
  platform::PumpMessages();
  DIBSECTION section{};
  if (GetObjectW(platform::WindowBacking(window), sizeof section, &section) != static_cast<int>(sizeof section)) return false;
  // The backing's fourth byte is no alpha: the picture is saved as 24-bit rows.
  int width = section.dsBm.bmWidth, height = section.dsBm.bmHeight;
  std::vector<uint8_t> rows(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    const auto* from = static_cast<const uint8_t*>(section.dsBm.bmBits) + static_cast<ptrdiff_t>(y) * section.dsBm.bmWidthBytes;
    for (int x = 0; x < width; ++x) std::copy_n(from + x * 4, 3, &rows[(static_cast<size_t>(y) * width + x) * 3]);
  }
  return ImageEncode(file, rows.data(), kImageFormatPng, width, height, width * 3, 24, 0, 7, -1) != 0;
}
