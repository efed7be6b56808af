// Installed faces and face matching: the table of scalable faces fontconfig lists (with the
// family names Windows would show for them), the FreeType faces opened from their files, and
// the choice of a face for a LOGFONTW as the Windows font mapper makes it: the family first,
// then a full face name, then a name of the font list (Arial by its metric twin), the dialog
// font by its measured stand-in, then fontconfig's substitute (unknown names get the default
// face of the requested pitch and family).
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H

#include <algorithm>
#include <map>

#include "charcase.h"
#include "kernel.h"
#include "text_objects.h"

namespace platform {
namespace {

// Deliberately never destroyed: fonts may still be used from static destructors.
FT_Library g_library;
std::map<std::pair<std::string, int>, FT_Face>* g_faces;
std::vector<InstalledFace>* g_installed;
std::map<std::u16string, FaceChoice>* g_matches;
constexpr size_t kMatchCacheLimit = 512;

std::u16string Fold(std::u16string text) {
  if (!text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::u16string FcText(FcPattern* pattern, const char* object, int n = 0) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(pattern, object, n, &value) != FcResultMatch || value == nullptr) return {};
  return Utf8ToUtf16(reinterpret_cast<const char*>(value));
}

int FcInt(FcPattern* pattern, const char* object, int fallback) {
  int value = 0;
  return FcPatternGetInteger(pattern, object, 0, &value) == FcResultMatch ? value : fallback;
}

// Name table entry `nameId` in English (Windows platform first, then Macintosh).
std::u16string SfntName(FT_Face face, FT_UShort nameId) {
  std::u16string mac;
  const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
  std::u16string windowsOther;
  for (FT_UInt i = 0; i < count; ++i) {
    FT_SfntName name;
    if (FT_Get_Sfnt_Name(face, i, &name) != 0 || name.name_id != nameId) continue;
    if (name.platform_id == TT_PLATFORM_MICROSOFT) {
      std::u16string text;
      for (FT_UInt k = 0; k + 1 < name.string_len; k += 2) {
        text.push_back(static_cast<char16_t>((name.string[k] << 8) | name.string[k + 1]));
      }
      if (name.language_id == TT_MS_LANGID_ENGLISH_UNITED_STATES) return text;
      if (windowsOther.empty()) windowsOther = text;
    } else if (name.platform_id == TT_PLATFORM_MACINTOSH && name.encoding_id == TT_MAC_ID_ROMAN && mac.empty()) {
      for (FT_UInt k = 0; k < name.string_len; ++k) mac.push_back(static_cast<char16_t>(name.string[k]));
    }
  }
  return windowsOther.empty() ? mac : windowsOther;
}

// Whether every character of a face has one advance. fontconfig's spacing says so for most
// monospaced fonts, but not for all (a font with a few double-width or empty glyphs goes
// without it), so without that word the font decides: FreeType's fixed-width flag from the
// font's own tables, or one advance across letters as different as "i", "W" and "m".
bool FixedPitch(FcPattern* pattern, FT_Face face) {
  if (FcInt(pattern, FC_SPACING, FC_PROPORTIONAL) >= FC_MONO) return true;
  if (face == nullptr) return false;
  if (FT_IS_FIXED_WIDTH(face)) return true;
  FT_Fixed first = 0;
  int measured = 0;
  for (FT_ULong character : {'i', 'W', 'm', 'l', '.', '0'}) {
    FT_UInt glyph = FT_Get_Char_Index(face, character);
    FT_Fixed advance = 0;
    if (glyph == 0 || FT_Get_Advance(face, glyph, FT_LOAD_NO_SCALE, &advance) != 0) continue;
    if (measured++ == 0) first = advance;
    else if (advance != first) return false;
  }
  return measured >= 3;
}

void EnsureLibrary() {
  if (g_library == nullptr) FT_Init_FreeType(&g_library);
  if (g_faces == nullptr) g_faces = new std::map<std::pair<std::string, int>, FT_Face>;
}

int WeightFromFc(int fcWeight) {
  int weight = FcWeightToOpenType(fcWeight);
  return weight <= 0 ? FW_NORMAL : weight;
}

std::vector<InstalledFace>* ListInstalled() {
  auto* faces = new std::vector<InstalledFace>;
  FcInit();
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, FC_FAMILY, FC_FULLNAME, FC_STYLE, FC_WEIGHT, FC_SLANT,
                                          FC_SPACING, FC_FONTFORMAT, static_cast<char*>(nullptr));
  FcFontSet* set = FcFontList(nullptr, pattern, objects);
  for (int i = 0; set != nullptr && i < set->nfont; ++i) {
    FcPattern* font = set->fonts[i];
    if (!FontFormatUsable(font)) continue;
    InstalledFace face;
    FcChar8* file = nullptr;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
    face.file = reinterpret_cast<const char*>(file);
    face.index = FcInt(font, FC_INDEX, 0);
    if (face.index > 0xFFFF) continue;  // named instances of variable fonts: their base face is listed
    for (int n = 0;; ++n) {
      std::u16string family = FcText(font, FC_FAMILY, n);
      if (family.empty()) break;
      face.families.push_back(family);
    }
    if (face.families.empty()) continue;
    face.fullName = FcText(font, FC_FULLNAME);
    face.style = FcText(font, FC_STYLE);
    face.weight = WeightFromFc(FcInt(font, FC_WEIGHT, FC_WEIGHT_REGULAR));
    face.italic = FcInt(font, FC_SLANT, FC_SLANT_ROMAN) != FC_SLANT_ROMAN;
    FT_Face ft = FaceOpen(face.file, face.index);
    face.fixedPitch = FixedPitch(font, ft);
    if (ft != nullptr) {
      face.gdiFamily = SfntName(ft, TT_NAME_ID_FONT_FAMILY);
      if (face.fullName.empty()) face.fullName = SfntName(ft, TT_NAME_ID_FULL_NAME);
      if (face.style.empty()) face.style = SfntName(ft, TT_NAME_ID_FONT_SUBFAMILY);
    }
    if (face.gdiFamily.empty()) face.gdiFamily = face.families.back();
    if (face.fullName.empty()) face.fullName = face.gdiFamily;
    faces->push_back(std::move(face));
  }
  if (set) FcFontSetDestroy(set);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  std::sort(faces->begin(), faces->end(), [](const InstalledFace& a, const InstalledFace& b) {
    if (a.gdiFamily != b.gdiFamily) return a.gdiFamily < b.gdiFamily;
    if (a.italic != b.italic) return !a.italic;
    if (a.weight != b.weight) return std::abs(a.weight - FW_NORMAL) < std::abs(b.weight - FW_NORMAL);
    return a.file < b.file;
  });
  return faces;
}

// The generic family fontconfig falls back to for a name it does not know, from the pitch and
// family bits of the LOGFONTW, as the Windows mapper falls back on them.
const char* GenericFamily(BYTE pitchAndFamily) {
  const int family = pitchAndFamily & 0xF0;
  if ((pitchAndFamily & 0x03) == FIXED_PITCH || family == FF_MODERN) return "monospace";
  if (family == FF_ROMAN) return "serif";
  return "sans-serif";
}

// Names of Windows system faces that no font here carries, and the generic family each stands for.
const char* SystemFaceSubstitute(const std::u16string& folded) {
  static const struct {
    const char16_t* name;
    const char* generic;
  } kTable[] = {
      {u"system", "sans-serif"},       {u"ms shell dlg", "sans-serif"}, {u"ms shell dlg 2", "sans-serif"},
      {u"ms sans serif", "sans-serif"}, {u"microsoft sans serif", "sans-serif"}, {u"tahoma", "sans-serif"},
      {u"segoe ui", "sans-serif"},     {u"fixedsys", "monospace"},      {u"terminal", "monospace"},
      {u"courier", "monospace"},       {u"ms serif", "serif"},
  };
  for (const auto& entry : kTable) {
    if (folded == entry.name) return entry.generic;
  }
  return nullptr;
}

// A face of the font list by the name it is listed under: a family (the Windows names among
// them) gives its face nearest the weight and slant, a face name that face.
const InstalledFace* ListedFace(const std::u16string& folded, int weight, bool italic) {
  if (const FaceFamily* family = FaceFamilyNamed(folded)) {
    const InstalledFace* best = nullptr;
    int bestScore = 0;
    for (const NamedFace& named : family->faces) {
      const int score = (named.face->italic != italic ? 10000 : 0) + std::abs(named.face->weight - weight);
      if (best == nullptr || score < bestScore) {
        best = named.face;
        bestScore = score;
      }
    }
    return best;
  }
  const NamedFace* named = NamedFaceFind(folded, nullptr);
  return named != nullptr ? named->face : nullptr;
}

bool FontconfigMatch(const std::u16string& name, const std::u16string& folded, int weight, bool italic,
                     BYTE pitchAndFamily, FaceChoice* choice, bool* faceItalic) {
  FcPattern* pattern = FcPatternCreate();
  const char* substitute = SystemFaceSubstitute(folded);
  if (!name.empty() && substitute == nullptr) {
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(Utf16ToUtf8(name.c_str()).c_str()));
  }
  FcPatternAddString(pattern, FC_FAMILY,
                     reinterpret_cast<const FcChar8*>(substitute ? substitute : GenericFamily(pitchAndFamily)));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  // The closest face the text code can draw with.
  FcResult result = FcResultNoMatch;
  FcFontSet* sorted = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  FcPattern* match = nullptr;
  for (int i = 0; sorted != nullptr && i < sorted->nfont && match == nullptr; ++i) {
    if (FontFormatUsable(sorted->fonts[i])) match = FcFontRenderPrepare(nullptr, pattern, sorted->fonts[i]);
  }
  if (sorted != nullptr) FcFontSetDestroy(sorted);
  FcPatternDestroy(pattern);
  if (match == nullptr) return false;
  FcChar8* file = nullptr;
  bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
  if (found) {
    choice->file = reinterpret_cast<const char*>(file);
    choice->index = FcInt(match, FC_INDEX, 0) & 0xFFFF;
    choice->weight = WeightFromFc(FcInt(match, FC_WEIGHT, FC_WEIGHT_REGULAR));
    *faceItalic = FcInt(match, FC_SLANT, FC_SLANT_ROMAN) != FC_SLANT_ROMAN;
    choice->fixedPitch = FixedPitch(match, FaceOpen(choice->file, choice->index));
  }
  FcPatternDestroy(match);
  return found;
}

}  // namespace

bool FontFormatUsable(FcPattern* font) {
  FcChar8* format = nullptr;
  if (FcPatternGetString(font, FC_FONTFORMAT, 0, &format) != FcResultMatch) return false;
  const std::string name = reinterpret_cast<const char*>(format);
  return name == "TrueType" || name == "CFF";
}

std::mutex& TextLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}

FT_Face FaceOpen(const std::string& file, int index) {
  EnsureLibrary();
  if (g_library == nullptr) return nullptr;
  auto key = std::make_pair(file, index);
  auto it = g_faces->find(key);
  if (it != g_faces->end()) return it->second;
  FT_Face face = nullptr;
  if (FT_New_Face(g_library, file.c_str(), index, &face) != 0) face = nullptr;
  if (face != nullptr && (!FT_IS_SCALABLE(face) || !FT_IS_SFNT(face))) {
    FT_Done_Face(face);
    face = nullptr;
  }
  if (face != nullptr) FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  (*g_faces)[key] = face;
  return face;
}

const std::vector<InstalledFace>& InstalledFaces() {
  if (g_installed == nullptr) g_installed = ListInstalled();
  return *g_installed;
}

std::string FontconfigFile(const std::u16string& name) {
  FaceChoice choice;
  bool italic = false;
  return FontconfigMatch(name, Fold(name), FW_NORMAL, false, 0, &choice, &italic) ? choice.file : std::string();
}

bool FaceMatch(const LOGFONTW& logFont, FaceChoice* choice) {
  std::u16string name;
  for (int i = 0; i < LF_FACESIZE && logFont.lfFaceName[i] != 0; ++i) name.push_back(logFont.lfFaceName[i]);
  const std::u16string folded = Fold(name);
  const int weight = logFont.lfWeight <= 0 ? FW_NORMAL : std::min<LONG>(logFont.lfWeight, 1000);
  const bool italic = logFont.lfItalic != 0;

  std::u16string key = folded;
  key.push_back(u'\0');
  key.push_back(static_cast<char16_t>(weight));
  key.push_back(italic ? u'i' : u'r');
  key.push_back(static_cast<char16_t>(logFont.lfPitchAndFamily));
  if (g_matches == nullptr) g_matches = new std::map<std::u16string, FaceChoice>;
  if (auto it = g_matches->find(key); it != g_matches->end()) {
    *choice = it->second;
    return true;
  }

  const InstalledFace* best = nullptr;
  if (!folded.empty()) {
    int bestScore = 0;
    for (const InstalledFace& face : InstalledFaces()) {
      bool named = Fold(face.gdiFamily) == folded;
      for (const auto& family : face.families) named = named || Fold(family) == folded;
      if (!named) continue;
      const int score = (face.italic != italic ? 10000 : 0) + std::abs(face.weight - weight);
      if (best == nullptr || score < bestScore) {
        best = &face;
        bestScore = score;
      }
    }
    if (best == nullptr) {
      for (const InstalledFace& face : InstalledFaces()) {
        if (Fold(face.fullName) == folded) {
          best = &face;
          break;
        }
      }
    }
  }
  if (best == nullptr) best = ListedFace(folded, weight, italic);
  // The dialog font is drawn with the face whose widths its layouts were made for.
  if (best == nullptr && IsDialogFaceName(folded)) best = DialogFace();
  FaceChoice result;
  bool faceItalic = false;
  if (best != nullptr) {
    result.file = best->file;
    result.index = best->index;
    result.weight = best->weight;
    result.fixedPitch = best->fixedPitch;
    faceItalic = best->italic;
  } else {
    if (!FontconfigMatch(name, folded, weight, italic, logFont.lfPitchAndFamily, &result, &faceItalic)) return false;
  }
  // Windows makes bold and italic up when the chosen face lacks them.
  result.syntheticBold = weight >= FW_SEMIBOLD && result.weight < FW_SEMIBOLD;
  result.syntheticItalic = italic && !faceItalic;
  result.family = FaceFamilyNameOf(result.file, result.index);
  if (const FaceFamily* family = FaceFamilyNamed(folded); family != nullptr && family->alias) result.family = family->name;
  if (g_matches->size() >= kMatchCacheLimit) g_matches->clear();
  (*g_matches)[key] = result;
  *choice = result;
  return true;
}

}  // namespace platform

#if defined(__SANITIZE_ADDRESS__)
// fontconfig loses a few blocks while it reads its configuration files, once per process;
// leak checks of our own code are told to look past them.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
