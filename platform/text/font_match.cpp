// Installed faces and face matching: the table of scalable faces fontconfig lists (with the
// family names Windows would show for them), the FreeType faces opened from their files, and
// the choice of a face for a LOGFONTW as the Windows font mapper makes it: the family first,
// then a full face name, then a substitute (Arial by its metric twin, unknown names by the
// default face of the requested pitch and family).
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
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
                                          FC_SPACING, static_cast<char*>(nullptr));
  FcFontSet* set = FcFontList(nullptr, pattern, objects);
  for (int i = 0; set != nullptr && i < set->nfont; ++i) {
    FcPattern* font = set->fonts[i];
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
    face.fixedPitch = FcInt(font, FC_SPACING, FC_PROPORTIONAL) >= FC_MONO;
    if (FT_Face ft = FaceOpen(face.file, face.index)) {
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
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return false;
  FcChar8* file = nullptr;
  bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
  if (found) {
    choice->file = reinterpret_cast<const char*>(file);
    choice->index = FcInt(match, FC_INDEX, 0) & 0xFFFF;
    choice->weight = WeightFromFc(FcInt(match, FC_WEIGHT, FC_WEIGHT_REGULAR));
    *faceItalic = FcInt(match, FC_SLANT, FC_SLANT_ROMAN) != FC_SLANT_ROMAN;
    choice->fixedPitch = FcInt(match, FC_SPACING, FC_PROPORTIONAL) >= FC_MONO;
  }
  FcPatternDestroy(match);
  return found;
}

}  // namespace

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
  if (face != nullptr && !FT_IS_SCALABLE(face)) {
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
