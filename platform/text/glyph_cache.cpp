// Glyphs of a font instance: code points to glyph indices, advances in whole pixels (as GDI
// places glyphs) and glyph images rasterised by FreeType once and then served from the
// instance's cache. Synthesised bold and italic and the rotation of an escapement are applied
// to the outline before it is rasterised.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_OUTLINE_H
#include FT_SIZES_H

#include <atomic>
#include <cmath>
#include <cstring>

#include "text_objects.h"

namespace platform {
namespace {

// A glyph image larger than this is drawn from a scratch image and not kept.
constexpr size_t kMaxCachedGlyphBytes = size_t{4} << 20;
// What one instance's cache may hold in all; glyphs beyond it are rasterised each time.
constexpr size_t kCacheBudgetBytes = size_t{32} << 20;
// The slant of synthesised italics: about 12 degrees, tan 12° in 16.16.
constexpr FT_Fixed kItalicShear = 0x0366A;

std::atomic<int64_t> g_rasterCount{0};

bool Rasterise(FontInstance& instance, uint32_t glyph, GlyphImage* image) {
  FT_Face face = instance.face;
  FT_Activate_Size(instance.size);
  FT_Int32 flags = FT_LOAD_NO_BITMAP | (instance.mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
  // Hints are made for upright, unslanted outlines; applied before a shear or a turn they
  // would displace stems.
  if (instance.escapement != 0 || instance.syntheticItalic) flags |= FT_LOAD_NO_HINTING;
  if (FT_Load_Glyph(face, glyph, flags) != 0) return false;
  FT_GlyphSlot slot = face->glyph;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (instance.syntheticBold) FT_Outline_EmboldenXY(&slot->outline, instance.boldExtra * 64, 0);
    if (instance.syntheticItalic) {
      FT_Matrix shear{0x10000, kItalicShear, 0, 0x10000};
      FT_Outline_Transform(&slot->outline, &shear);
    }
    if (instance.escapement != 0) {
      const double angle = instance.escapement * M_PI / 1800.0;
      const auto c = static_cast<FT_Fixed>(std::lround(std::cos(angle) * 65536.0));
      const auto s = static_cast<FT_Fixed>(std::lround(std::sin(angle) * 65536.0));
      FT_Matrix turn{c, -s, s, c};
      FT_Outline_Transform(&slot->outline, &turn);
    }
  }
  if (FT_Render_Glyph(slot, instance.mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return false;
  ++g_rasterCount;
  const FT_Bitmap& bitmap = slot->bitmap;
  image->left = slot->bitmap_left;
  image->top = slot->bitmap_top;
  image->width = static_cast<int>(bitmap.width);
  image->rows = static_cast<int>(bitmap.rows);
  image->coverage.assign(static_cast<size_t>(image->width) * static_cast<size_t>(image->rows), 0);
  for (int y = 0; y < image->rows; ++y) {
    const unsigned char* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
    uint8_t* out = image->coverage.data() + static_cast<size_t>(y) * static_cast<size_t>(image->width);
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
      for (int x = 0; x < image->width; ++x) out[x] = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
    } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
      std::memcpy(out, row, static_cast<size_t>(image->width));
    }
  }
  return true;
}

}  // namespace

uint32_t GlyphIndex(FontInstance& instance, uint32_t codePoint) {
  return FT_Get_Char_Index(instance.face, codePoint);
}

int GlyphAdvance(FontInstance& instance, uint32_t glyph) {
  if (glyph >= instance.advances.size()) return 0;
  int32_t& advance = instance.advances[glyph];
  if (advance < 0) {
    FT_Fixed units = 0;
    if (FT_Get_Advance(instance.face, glyph, FT_LOAD_NO_SCALE, &units) != 0) units = 0;
    advance = static_cast<int32_t>(std::llround(static_cast<double>(units) * instance.ppem / instance.unitsPerEm));
  }
  return advance > 0 ? advance + instance.boldExtra : advance;
}

const GlyphImage* GlyphRender(FontInstance& instance, uint32_t glyph, GlyphImage* scratch) {
  if (auto it = instance.glyphs.find(glyph); it != instance.glyphs.end()) return &it->second;
  GlyphImage image;
  if (!Rasterise(instance, glyph, &image)) return nullptr;
  const size_t bytes = image.coverage.size() + sizeof(GlyphImage);
  if (bytes <= kMaxCachedGlyphBytes && instance.cachedBytes + bytes <= kCacheBudgetBytes) {
    instance.cachedBytes += bytes;
    return &(instance.glyphs[glyph] = std::move(image));
  }
  *scratch = std::move(image);
  return scratch;
}

}  // namespace platform

namespace platform::testing {

int64_t GlyphRasterCount() { return platform::g_rasterCount.load(); }

}  // namespace platform::testing
