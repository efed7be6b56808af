// Image lists: every picture is held as a 32-bit premultiplied top-down DIB section of the
// list's size, made from the caller's bitmap by nearest-pixel scaling, and drawn with AlphaBlend.
#include "image_list.h"

#include <algorithm>
#include <vector>

struct ImageListRecord {
  int cx, cy;
  std::vector<HBITMAP> pictures;
};

namespace {

// A copy of a DIB section at the list's size; null when the bitmap has no pixels we can read.
HBITMAP Copy(const ImageListRecord& list, HBITMAP image) {
  DIBSECTION source{};
  if (image == nullptr || GetObjectW(image, sizeof source, &source) != static_cast<int>(sizeof source)) return nullptr;
  int bits = source.dsBm.bmBitsPixel;
  if (source.dsBm.bmBits == nullptr || (bits != 24 && bits != 32) || source.dsBm.bmWidth <= 0 || source.dsBm.bmHeight <= 0) {
    return nullptr;
  }
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), list.cx, -list.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* pixels = nullptr;
  HBITMAP copy = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (copy == nullptr) return nullptr;
  bool bottomUp = source.dsBmih.biHeight > 0;
  int width = source.dsBm.bmWidth, height = source.dsBm.bmHeight;
  auto* out = static_cast<uint8_t*>(pixels);
  for (int y = 0; y < list.cy; ++y) {
    int sy = static_cast<int>(static_cast<int64_t>(y) * height / list.cy);
    const auto* row = static_cast<const uint8_t*>(source.dsBm.bmBits) +
                      static_cast<ptrdiff_t>(bottomUp ? height - 1 - sy : sy) * source.dsBm.bmWidthBytes;
    for (int x = 0; x < list.cx; ++x) {
      const uint8_t* from = row + static_cast<ptrdiff_t>(static_cast<int64_t>(x) * width / list.cx) * (bits / 8);
      uint8_t* to = out + (static_cast<size_t>(y) * list.cx + x) * 4;
      // Image objects keep straight alpha; AlphaBlend wants it premultiplied.
      int alpha = bits == 32 ? from[3] : 255;
      for (int c = 0; c < 3; ++c) to[c] = static_cast<uint8_t>(from[c] * alpha / 255);
      to[3] = static_cast<uint8_t>(alpha);
    }
  }
  return copy;
}

bool Valid(HIMAGELIST list, int index) {
  return list != nullptr && index >= 0 && index < static_cast<int>(list->pictures.size());
}

}  // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT, int, int) {
  if (cx <= 0 || cy <= 0 || cx > 4096 || cy > 4096) return nullptr;
  return new ImageListRecord{cx, cy, {}};
}

BOOL ImageList_Destroy(HIMAGELIST list) {
  if (list == nullptr) return FALSE;
  ImageList_Remove(list, -1);
  delete list;
  return TRUE;
}

int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP) {
  if (list == nullptr) return -1;
  HBITMAP copy = Copy(*list, image);
  if (copy == nullptr) return -1;
  list->pictures.push_back(copy);
  return static_cast<int>(list->pictures.size()) - 1;
}

BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP) {
  if (!Valid(list, index)) return FALSE;
  HBITMAP copy = Copy(*list, image);
  if (copy == nullptr) return FALSE;
  DeleteObject(list->pictures[static_cast<size_t>(index)]);
  list->pictures[static_cast<size_t>(index)] = copy;
  return TRUE;
}

BOOL ImageList_Remove(HIMAGELIST list, int index) {
  if (list == nullptr) return FALSE;
  if (index == -1) {
    for (HBITMAP picture : list->pictures) DeleteObject(picture);
    list->pictures.clear();
    return TRUE;
  }
  if (!Valid(list, index)) return FALSE;
  DeleteObject(list->pictures[static_cast<size_t>(index)]);
  list->pictures.erase(list->pictures.begin() + index);
  return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST list) { return list ? static_cast<int>(list->pictures.size()) : 0; }

BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy) {
  if (list == nullptr || cx == nullptr || cy == nullptr) return FALSE;
  *cx = list->cx;
  *cy = list->cy;
  return TRUE;
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT) {
  if (!Valid(list, index) || dc == nullptr) return FALSE;
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, list->pictures[static_cast<size_t>(index)]);
  BOOL done = AlphaBlend(dc, x, y, list->cx, list->cy, source, 0, 0, list->cx, list->cy,
                         BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
  SelectObject(source, old);
  DeleteDC(source);
  return done;
}
