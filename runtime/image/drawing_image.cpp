// Drawing images into the context and grabbing them out of it: icons, device bitmaps and
// sections of other depths or sizes are converted first, then a 24- or 32-bit section is
// combined row by row with the target as the mode says; a grab copies a rectangle of the area
// into a new image.
#include <algorithm>
#include <cstring>

#include "constants.h"
#include "drawing.h"
#include "drawing_internal.h"
#include "image.h"

namespace {

// The pixels of a 24- or 32-bit section.
struct Section {
  uint8_t* bits;
  int64_t width;
  int64_t height;
  int64_t stride;
  int bytes;  // 3 or 4
  bool bottomUp;

  uint8_t* Row(int64_t y) const { return bits + (bottomUp ? height - 1 - y : y) * stride; }
};

bool SectionOf(HGDIOBJ bitmap, Section* out) {
  DIBSECTION description{};
  if (GetObjectW(bitmap, sizeof description, &description) != static_cast<int>(sizeof description)) return false;
  if (description.dsBm.bmBits == nullptr) return false;
  const WORD bits = description.dsBm.bmBitsPixel;
  *out = Section{static_cast<uint8_t*>(description.dsBm.bmBits), description.dsBm.bmWidth, description.dsBm.bmHeight,
                 description.dsBm.bmWidthBytes, bits / 8, description.dsBmih.biHeight > 0};
  return true;
}

bool Drawable(const Section& section) { return section.bytes == 3 || section.bytes == 4; }

// How one row of source pixels combines with the target. `alpha` is the caller's constant
// alpha 0 ... 255.
using RowRoutine = void (*)(DrawingContext* context, uint8_t* target, const uint8_t* source, int32_t count,
                            int32_t x, int32_t y, int32_t alpha);

// The coverage of a source pixel: its own alpha scaled by the constant alpha, or the constant
// alpha for pixels without one.
template <int SB>
int32_t Coverage(const uint8_t* s, int32_t alpha) {
  if constexpr (SB == 4) return alpha < 255 ? DrawingDiv255(s[3] * alpha) : s[3];
  return alpha;
}

template <int SB, int TB>
void CustomRow(DrawingContext* context, uint8_t* t, const uint8_t* s, int32_t count, int32_t x, int32_t y,
               int32_t alpha) {
  for (int32_t i = 0; i < count; ++i, t += TB, s += SB) {
    const uint32_t source = s[2] | uint32_t{s[1]} << 8 | uint32_t{s[0]} << 16 |
                            static_cast<uint32_t>(Coverage<SB>(s, alpha)) << 24;
    const uint32_t targetAlpha = TB == 4 ? t[3] : 255u;
    const uint32_t target = t[2] | uint32_t{t[1]} << 8 | uint32_t{t[0]} << 16 | targetAlpha << 24;
    const uint32_t result = context->customFilter(x + i, y, source, target);
    t[0] = static_cast<uint8_t>(result >> 16);
    t[1] = static_cast<uint8_t>(result >> 8);
    t[2] = static_cast<uint8_t>(result);
    if constexpr (TB == 4) t[3] = static_cast<uint8_t>(result >> 24);
  }
}

template <int SB, int TB>
void XorRow(DrawingContext*, uint8_t* t, const uint8_t* s, int32_t count, int32_t, int32_t, int32_t) {
  for (int32_t i = 0; i < count; ++i, t += TB, s += SB) {
    t[0] ^= s[0];
    t[1] ^= s[1];
    t[2] ^= s[2];
  }
}

// B, G, R copied; the alpha byte of a 4-byte target untouched.
template <int SB, int TB>
void CopyRow(DrawingContext*, uint8_t* t, const uint8_t* s, int32_t count, int32_t, int32_t, int32_t) {
  if constexpr (SB == TB && SB == 3) {
    std::memmove(t, s, static_cast<size_t>(count) * 3);  // a picture may be drawn onto itself
  } else {
    for (int32_t i = 0; i < count; ++i, t += TB, s += SB) {
      t[0] = s[0];
      t[1] = s[1];
      t[2] = s[2];
    }
  }
}

// 4-byte targets: B, G, R and the coverage as alpha.
template <int SB>
void CopyAllRow(DrawingContext*, uint8_t* t, const uint8_t* s, int32_t count, int32_t, int32_t, int32_t alpha) {
  for (int32_t i = 0; i < count; ++i, t += 4, s += SB) {
    t[0] = s[0];
    t[1] = s[1];
    t[2] = s[2];
    t[3] = static_cast<uint8_t>(Coverage<SB>(s, alpha));
  }
}

template <int SB>
void AlphaOnlyRow(DrawingContext*, uint8_t* t, const uint8_t* s, int32_t count, int32_t, int32_t, int32_t alpha) {
  for (int32_t i = 0; i < count; ++i, t += 4, s += SB) t[3] = static_cast<uint8_t>(Coverage<SB>(s, alpha));
}

// Source over a 4-byte target weighted by the target's alpha; `kUpdateAlpha` makes the target
// alpha the union of both coverages, else it is kept.
template <int SB, bool kUpdateAlpha>
void OverRow(DrawingContext*, uint8_t* t, const uint8_t* s, int32_t count, int32_t, int32_t, int32_t alpha) {
  for (int32_t i = 0; i < count; ++i, t += 4, s += SB) {
    const int32_t a = Coverage<SB>(s, alpha);
    if (a == 0) continue;
    const int32_t ta = t[3];
    if (ta == 0) {
      t[0] = s[0];
      t[1] = s[1];
      t[2] = s[2];
    } else {
      const int32_t weight = ta * (255 - a);
      const int32_t denominator = a * 255 + weight;
      t[0] = static_cast<uint8_t>((s[0] * a * 255 + t[0] * weight) / denominator);
      t[1] = static_cast<uint8_t>((s[1] * a * 255 + t[1] * weight) / denominator);
      t[2] = static_cast<uint8_t>((s[2] * a * 255 + t[2] * weight) / denominator);
    }
    if constexpr (kUpdateAlpha) t[3] = static_cast<uint8_t>(DrawingDiv255(a * 255 + (255 - a) * ta));
  }
}

// Source over a 3-byte target.
template <int SB>
void Blend3Row(DrawingContext*, uint8_t* t, const uint8_t* s, int32_t count, int32_t, int32_t, int32_t alpha) {
  for (int32_t i = 0; i < count; ++i, t += 3, s += SB) {
    const int32_t a = Coverage<SB>(s, alpha), inverse = 255 - a;
    t[0] = static_cast<uint8_t>(DrawingDiv255(s[0] * a + t[0] * inverse));
    t[1] = static_cast<uint8_t>(DrawingDiv255(s[1] * a + t[1] * inverse));
    t[2] = static_cast<uint8_t>(DrawingDiv255(s[2] * a + t[2] * inverse));
  }
}

// The row routine for 4-byte targets, null when nothing is to be drawn.
template <int SB>
RowRoutine For4Bytes(uint32_t mode, int32_t alpha, bool alphaWanted) {
  if (mode & DrawModeCustom) return CustomRow<SB, 4>;
  if (mode & DrawModeXor) return XorRow<SB, 4>;
  if (mode & DrawModeAllChannels) return CopyAllRow<SB>;
  if (mode & DrawModeAlphaChannel) return AlphaOnlyRow<SB>;
  if (mode & DrawModeAlphaBlend) return OverRow<SB, true>;
  if (mode & DrawModeAlphaClip) return OverRow<SB, false>;
  if constexpr (SB == 4) {
    return alphaWanted ? OverRow<4, true> : CopyRow<4, 4>;
  } else {
    if (alpha == 255) return CopyRow<3, 4>;
    return alpha == 0 ? nullptr : OverRow<3, true>;
  }
}

template <int SB>
RowRoutine For3Bytes(uint32_t mode, int32_t alpha, bool alphaWanted) {
  if (mode & DrawModeCustom) return CustomRow<SB, 3>;
  if (mode & DrawModeXor) return XorRow<SB, 3>;
  if (mode & DrawModeAlphaChannel) return nullptr;
  if ((mode & (DrawModeAlphaBlend | DrawModeAlphaClip)) || alphaWanted) {
    if constexpr (SB == 4) {
      return Blend3Row<4>;
    } else {
      if (alpha == 255) return CopyRow<3, 3>;
      return alpha == 0 ? nullptr : Blend3Row<3>;
    }
  }
  return CopyRow<SB, 3>;
}

void DrawSection(DrawingContext* context, const Section& source, int64_t x, int64_t y, int32_t alpha,
                 bool alphaWanted) {
  const bool target4 = context->bytesPerPixel == 4;
  RowRoutine row = source.bytes == 4 ? (target4 ? For4Bytes<4>(context->mode, alpha, alphaWanted)
                                                : For3Bytes<4>(context->mode, alpha, alphaWanted))
                                     : (target4 ? For4Bytes<3>(context->mode, alpha, alphaWanted)
                                                : For3Bytes<3>(context->mode, alpha, alphaWanted));
  if (row == nullptr) return;
  const int64_t left = std::max<int64_t>(x, 0), right = std::min<int64_t>(x + source.width, context->clipWidth);
  const int64_t top = std::max<int64_t>(y, 0), bottom = std::min<int64_t>(y + source.height, context->clipHeight);
  if (right <= left) return;
  const auto count = static_cast<int32_t>(right - left);
  for (int64_t ay = top; ay < bottom; ++ay) {
    const uint8_t* from = source.Row(ay - y) + (left - x) * source.bytes;
    uint8_t* to = DrawingRow(context, ay) + left * context->bytesPerPixel;
    row(context, to, from, count, static_cast<int32_t>(left), static_cast<int32_t>(ay), alpha);
  }
}

// Width and height -1 draw the picture at its own size.
void DrawImage(DrawingContext* context, HGDIOBJ handle, int64_t x, int64_t y, int64_t width, int64_t height,
               int32_t alpha, bool alphaWanted) {
  if (handle == nullptr) return;
  HBITMAP converted = nullptr;
  if (GetObjectType(handle) != OBJ_BITMAP) {
    // Anything else is taken for an icon; what is not one converts to nothing.
    converted = ImageIconToSection(static_cast<HICON>(handle));
    alphaWanted = true;
  } else {
    Section section{};
    if (!SectionOf(handle, &section)) {
      converted = ImageToSection(static_cast<HBITMAP>(handle));
    } else if ((width != -1 && width != section.width) || (height != -1 && height != section.height) ||
               !Drawable(section)) {
      converted = ImageConvertForDrawing(static_cast<HBITMAP>(handle), width, height);
    } else {
      DrawSection(context, section, x, y, alpha, alphaWanted);
      return;
    }
  }
  if (converted == nullptr) return;
  Section section{};
  // A conversion at a size that still differs would only be converted again: draw what came.
  if (SectionOf(converted, &section) && Drawable(section)) {
    if (width == -1 || (width == section.width && (height == -1 || height == section.height)))
      DrawSection(context, section, x, y, alpha, alphaWanted);
    else
      DrawImage(context, converted, x, y, width, height, alpha, alphaWanted);
  }
  DeleteObject(converted);
}

HGDIOBJ AsHandle(int64_t handle) { return reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(handle)); }

}  // namespace

void DrawingImageEntry(DrawingContext* context, int64_t handle, int64_t x, int64_t y) {
  DrawImage(context, AsHandle(handle), x, y, -1, -1, 255, false);
}

void DrawingImageSizedEntry(DrawingContext* context, int64_t handle, int64_t x, int64_t y, int64_t width,
                            int64_t height) {
  DrawImage(context, AsHandle(handle), x, y, width, height, 255, false);
}

void DrawingImageAlphaEntry(DrawingContext* context, int64_t handle, int64_t x, int64_t y, int64_t alpha) {
  DrawImage(context, AsHandle(handle), x, y, -1, -1, static_cast<int32_t>(std::clamp<int64_t>(alpha, 0, 255)), true);
}

int64_t DrawingGrabImageEntry(DrawingContext* context, int64_t image, int64_t x, int64_t y, int64_t width,
                              int64_t height) {
  const int bytes = context->bytesPerPixel;
  HBITMAP bitmap = ImageNewSection(width, height, bytes * 8);
  Section grab{};
  if (bitmap == nullptr) return 0;
  if (!SectionOf(bitmap, &grab) || grab.bytes != bytes) {
    DeleteObject(bitmap);
    return 0;
  }
  // Only the overlap with the area is copied; the rest stays as the new section came: black.
  const int64_t left = std::max<int64_t>(x, 0), right = std::min<int64_t>(x + width, context->clipWidth);
  const int64_t top = std::max<int64_t>(y, 0), bottom = std::min<int64_t>(y + height, context->clipHeight);
  if (right > left) {
    for (int64_t ay = top; ay < bottom; ++ay)
      std::memcpy(grab.Row(ay - y) + (left - x) * bytes, DrawingRow(context, ay) + left * bytes,
                  static_cast<size_t>((right - left) * bytes));
  }
  ImageObject* record = ImageObjectNew(image);
  if (record == nullptr) {
    DeleteObject(bitmap);
    return 0;
  }
  record->handle = bitmap;
  record->width = static_cast<int16_t>(width);
  record->height = static_cast<int16_t>(height);
  record->depth = static_cast<uint8_t>(bytes * 8);
  record->sourceDepth = 0;
  record->format = 0;
  return image == CV_Any ? ImageObjectId(image, record) : static_cast<int64_t>(reinterpret_cast<uintptr_t>(bitmap));
}

// ---- program operations ----

void DrawImageAt(int64_t handle, int64_t x, int64_t y) {
  if (DrawingContext* context = DrawingCurrent())
    context->ops.drawImage(context, handle, DrawingShiftX(context, x), DrawingShiftY(context, y));
}

void DrawImageSized(int64_t handle, int64_t x, int64_t y, int64_t width, int64_t height) {
  if (DrawingContext* context = DrawingCurrent())
    context->ops.drawImageSized(context, handle, DrawingShiftX(context, x), DrawingShiftY(context, y),
                                DrawingLimit(width), DrawingLimit(height));
}

void DrawImageAlpha(int64_t handle, int64_t x, int64_t y, int64_t alpha) {
  if (DrawingContext* context = DrawingCurrent())
    context->ops.drawImageAlpha(context, handle, DrawingShiftX(context, x), DrawingShiftY(context, y), alpha);
}

int64_t DrawingGrabImage(int64_t image, int64_t x, int64_t y, int64_t width, int64_t height) {
  DrawingContext* context = DrawingCurrent();
  if (context == nullptr) return 0;
  return context->ops.grabImage(context, image, DrawingShiftX(context, x), DrawingShiftY(context, y),
                                DrawingLimit(width), DrawingLimit(height));
}
