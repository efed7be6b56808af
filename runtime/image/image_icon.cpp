// Icons as images: choosing and making the icon that .ico file data describes, and turning an
// icon into a 32-bit bitmap with alpha for drawing. The .ico reader checks every count, offset
// and size against the data's length before it reads.
#include <cstring>

#include "image.h"
#include "kernel.h"

namespace {

constexpr size_t kIconDirectorySize = 6;
constexpr size_t kIconEntrySize = 16;
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Dword(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint32_t BigEndianDword(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// Sets the alpha of each section pixel from the mask selected into `dc`: opaque where the mask
// is black. The section is bottom-up, the mask is read by picture position.
void AlphaFromMask(HDC dc, uint8_t* pixels, LONG width, LONG height) {
  for (LONG y = 0; y < height; ++y) {
    uint8_t* row = pixels + static_cast<size_t>(height - 1 - y) * width * 4;
    for (LONG x = 0; x < width; ++x) row[4 * x + 3] = GetPixel(dc, x, y) == 0 ? 255 : 0;
  }
}

}  // namespace

HBITMAP ImageIconToSection(HICON icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return nullptr;
  if (ImageHasAlpha(info.hbmColor)) {
    DeleteObject(info.hbmMask);
    return info.hbmColor;
  }
  HBITMAP section = nullptr;
  BITMAP colour{};
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc != nullptr && GetObjectW(info.hbmColor, sizeof colour, &colour) == sizeof colour)
    section = ImageNewSection(colour.bmWidth, colour.bmHeight, 32);
  DIBSECTION description{};
  HGDIOBJ old = section ? SelectObject(dc, section) : nullptr;
  bool done = old != nullptr && GetObjectW(section, sizeof description, &description) == sizeof description &&
              DrawIconEx(dc, 0, 0, icon, 0, 0, 0, nullptr, DI_IMAGE);
  // The mask takes the section's place in the DC; the section is then written directly.
  if (done) done = SelectObject(dc, info.hbmMask) != nullptr;
  if (done) AlphaFromMask(dc, static_cast<uint8_t*>(description.dsBm.bmBits), colour.bmWidth, colour.bmHeight);
  if (old != nullptr) SelectObject(dc, old);
  if (dc != nullptr) DeleteDC(dc);
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
  if (!done && section != nullptr) {
    DeleteObject(section);
    section = nullptr;
  }
  return section;
}

HICON ImageIconFromData(const void* data, int64_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (bytes == nullptr || size < static_cast<int64_t>(kIconDirectorySize)) return nullptr;
  if (Word(bytes) != 0 || Word(bytes + 2) != 1) return nullptr;
  const int count = Word(bytes + 4);
  if (count == 0 || static_cast<int64_t>(kIconDirectorySize + kIconEntrySize * count) > size) return nullptr;
  // Among the entries of the first entry's size, the one with the most bits per pixel.
  const uint8_t* first = bytes + kIconDirectorySize;
  const uint8_t* chosen = first;
  for (int i = 1; i < count; ++i) {
    const uint8_t* entry = first + kIconEntrySize * i;
    if (entry[0] == first[0] && entry[1] == first[1] && Word(entry + 6) > Word(chosen + 6)) chosen = entry;
  }
  const uint32_t imageSize = Dword(chosen + 8), imageOffset = Dword(chosen + 12);
  if (imageSize < sizeof(BITMAPINFOHEADER) || int64_t{imageOffset} + imageSize > size) return nullptr;
  const uint8_t* image = bytes + imageOffset;
  BITMAPINFOHEADER header;
  std::memcpy(&header, image, sizeof header);
  int width = header.biWidth, height = header.biHeight / 2;
  if (std::memcmp(image, kPngSignature, sizeof kPngSignature) == 0) {
    // A PNG image has no BITMAPINFOHEADER: its size is in the IHDR chunk that follows the
    // signature (length, type, then width and height, big-endian).
    width = static_cast<int>(BigEndianDword(image + 16));
    height = static_cast<int>(BigEndianDword(image + 20));
  }
  auto* block = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, imageSize));
  if (block == nullptr) return nullptr;
  std::memcpy(block, image, imageSize);
  HICON icon = CreateIconFromResourceEx(block, imageSize, TRUE, 0x30000, width, height, 0);
  if (icon == nullptr && header.biBitCount != 16) icon = CreateIconFromResource(block, imageSize, TRUE, 0x30000);
  GlobalFree(block);
  return icon;
}
