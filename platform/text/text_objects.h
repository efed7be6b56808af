// The object model behind the font handles, shared by the text sources: installed faces found
// through fontconfig, font objects (HFONT) holding their LOGFONTW, and font instances (a face at
// one pixel size with its synthesised styles, metrics, advances and glyph cache). FreeType is
// not thread-safe, so all of this is used under the one text lock.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "gdi_objects.h"
#include "text.h"

typedef struct FT_FaceRec_* FT_Face;
typedef struct FT_SizeRec_* FT_Size;

namespace platform {

std::mutex& TextLock();

// One face of an installed font file, as fontconfig lists it.
struct InstalledFace {
  std::string file;
  int index = 0;
  std::u16string gdiFamily;               // the family name Windows shows (name table, ID 1)
  std::vector<std::u16string> families;   // every family name fontconfig knows it by
  std::u16string fullName;                // e.g. "Liberation Sans Bold"
  std::u16string style;                   // e.g. "Bold"
  int weight = FW_NORMAL;                 // 100 ... 900
  bool italic = false;
  bool fixedPitch = false;
};

// Every scalable face installed, in fontconfig's order; built once.
const std::vector<InstalledFace>& InstalledFaces();
// The FreeType face of a file (opened once, kept for the process); null when it cannot be read.
FT_Face FaceOpen(const std::string& file, int index);

// What a LOGFONTW comes down to: a face and the styles it lacks and must be synthesised.
struct FaceChoice {
  std::string file;
  int index = 0;
  int weight = FW_NORMAL;
  bool syntheticBold = false;
  bool syntheticItalic = false;
  bool fixedPitch = false;
};
// Matches the face name (exact family, then full name, then fontconfig's substitution, which
// maps Arial to Liberation Sans and unknown names to the default face of the pitch and family).
bool FaceMatch(const LOGFONTW& logFont, FaceChoice* choice);

// A glyph as rasterised: coverage 0..255, `left`/`top` from the pen position (top upwards).
struct GlyphImage {
  int left = 0;
  int top = 0;
  int width = 0;
  int rows = 0;
  std::vector<uint8_t> coverage;
};

struct FontInstance {
  ~FontInstance();
  FT_Face face = nullptr;
  FT_Size size = nullptr;
  int ppem = 0;
  int unitsPerEm = 0;
  bool syntheticBold = false;
  bool syntheticItalic = false;
  bool mono = false;
  int boldExtra = 0;        // pixels the synthesised bold adds to every advance
  int escapement = 0;       // tenths of a degree, counter-clockwise
  TEXTMETRICW metrics{};
  int underlineOffset = 0;  // pixels below the baseline, and thickness
  int underlineSize = 1;
  int strikeOffset = 0;     // pixels above the baseline, and thickness
  int strikeSize = 1;
  std::vector<int32_t> advances;                        // per glyph index; -1 = not read yet
  std::unordered_map<uint32_t, GlyphImage> glyphs;      // the glyph cache
  size_t cachedBytes = 0;
};

// The glyph index of a code point (0, the missing glyph, when the face has none).
uint32_t GlyphIndex(FontInstance& instance, uint32_t codePoint);
// A glyph's advance in pixels, synthesised bold included.
int GlyphAdvance(FontInstance& instance, uint32_t glyph);
// A glyph's image, from the cache or rasterised now. Glyphs too large for the cache are
// rasterised into `scratch` and returned from there.
const GlyphImage* GlyphRender(FontInstance& instance, uint32_t glyph, GlyphImage* scratch);

struct GdiFont : GdiObject {
  GdiFont() : GdiObject(OBJ_FONT) {}
  bool Selectable() const override { return true; }
  int Describe(int size, void* buffer) const override;
  LOGFONTW logFont{};
  std::shared_ptr<FontInstance> instance;  // resolved at first use, under the text lock
};

// The font selected into a DC (the stock system font when none is).
std::shared_ptr<GdiFont> DcFont(const GdiDc& dc);
// The instance of a font, made at first use; null when no face can be had. Text lock held.
FontInstance* FontResolve(GdiFont& font);
// Metrics of a face at a pixel size, shared by the instances and the enumeration.
void FaceMetrics(FT_Face face, int ppem, TEXTMETRICW* metrics);

}  // namespace platform
