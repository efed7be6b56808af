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
typedef struct _FcPattern FcPattern;

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
// Whether a font fontconfig names is one the text code draws with: a TrueType or OpenType file,
// as Windows' text functions know them. Type 1 and bitmap fonts (installed beside desktops'
// own) lack the tables the metrics come from, and would draw nothing.
bool FontFormatUsable(FcPattern* font);

// A face under the name people know it by ("Liberation Sans Bold").
struct NamedFace {
  std::u16string name;
  const InstalledFace* face = nullptr;
};
// A family as the font list shows it: its main face first, named like the family. An alias
// family is a common Windows name standing on an installed family with the same widths.
struct FaceFamily {
  std::u16string name;
  std::vector<NamedFace> faces;
  bool alias = false;
};
// Every family, installed ones in their sorted order, then the Windows names; built once.
const std::vector<FaceFamily>& FaceFamilies();
// The family or face of a case-folded name (a name cut at LF_FACESIZE - 1 characters finds the
// one entry it begins); null when there is none. `family` receives the face's family.
const FaceFamily* FaceFamilyNamed(const std::u16string& folded);
const NamedFace* NamedFaceFind(const std::u16string& folded, const FaceFamily** family);
// The name of the installed family a face file belongs to (empty when it is not listed).
std::u16string FaceFamilyNameOf(const std::string& file, int index);
// Whether a case-folded name is one dialogs ask for their font by, and the face that stands in
// for it: the installed face whose widths come nearest to those dialog layouts are made for.
bool IsDialogFaceName(const std::u16string& folded);
const InstalledFace* DialogFace();

// What a LOGFONTW comes down to: a face and the styles it lacks and must be synthesised.
struct FaceChoice {
  std::string file;
  int index = 0;
  int weight = FW_NORMAL;
  bool syntheticBold = false;
  bool syntheticItalic = false;
  bool fixedPitch = false;
  std::u16string family;  // the name of the family it is listed under, as GetTextFaceW reports
};
// Matches the face name (exact family, then full name, then fontconfig's substitution, which
// maps Arial to Liberation Sans and unknown names to the default face of the pitch and family).
bool FaceMatch(const LOGFONTW& logFont, FaceChoice* choice);
// The file of the face fontconfig substitutes for a family name (its metric aliases among its
// rules); empty when it offers none.
std::string FontconfigFile(const std::u16string& name);

// A glyph as rasterised: coverage 0..255, `left`/`top` from the pen position (top upwards).
struct GlyphImage {
  int left = 0;
  int top = 0;
  int width = 0;
  int rows = 0;
  std::vector<uint8_t> coverage;
};

// What shaping keeps per instance (the shaper's font, fallback faces, shaped lines); made at
// first use by the shaping code, which alone knows its shape.
struct ShapingState;

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
  std::shared_ptr<ShapingState> shaping;
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
  std::u16string family;                   // the listed family the face came from, with it
};

// A new instance of a face at a pixel size, not shared with any font (fallback faces are owned
// by the instance that falls back on them). Null when FreeType cannot size the face.
std::shared_ptr<FontInstance> FontInstanceMake(const LOGFONTW& logFont, const FaceChoice& choice, FT_Face face,
                                               int ppem, bool mono, int escapement);

// The font selected into a DC (the stock system font when none is).
std::shared_ptr<GdiFont> DcFont(const GdiDc& dc);
// The instance of a font, made at first use; null when no face can be had. Text lock held.
FontInstance* FontResolve(GdiFont& font);
// Metrics of a face at a pixel size, shared by the instances and the enumeration.
void FaceMetrics(FT_Face face, int ppem, TEXTMETRICW* metrics);

}  // namespace platform
