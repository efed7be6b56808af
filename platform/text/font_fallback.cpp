// Font fallback: the face a character is drawn from when the selected face has no glyph for
// it. fontconfig sorts the installed faces by closeness to the selected one; the first face of
// that list that really has the character (as its own character map says) is taken at the same
// pixel size and style. The list is made once per face, the answer kept per instance and character.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <map>

#include "text_shape.h"

namespace platform {
namespace {

struct Candidate {
  FaceChoice face;                  // its file and style, nothing synthesised yet
  bool italic = false;
  FcCharSet* characters = nullptr;  // shared with fontconfig, kept for the process
};

// A character this many times absent is not looked up again until the cache is cleared.
constexpr size_t kFallbackCacheLimit = 65536;

std::map<std::string, std::vector<Candidate>>* g_candidates;

int FcInteger(FcPattern* pattern, const char* object, int fallback) {
  int value = 0;
  return FcPatternGetInteger(pattern, object, 0, &value) == FcResultMatch ? value : fallback;
}

// fontconfig's fallback list for a face: the faces closest to its family and style first.
std::vector<Candidate> SortedCandidates(FT_Face face, bool bold, bool italic) {
  std::vector<Candidate> list;
  FcInit();
  FcPattern* pattern = FcPatternCreate();
  if (face->family_name != nullptr) {
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face->family_name));
  }
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcFontSet* set = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
  FcPatternDestroy(pattern);
  for (int i = 0; set != nullptr && i < set->nfont; ++i) {
    FcPattern* font = set->fonts[i];
    FcChar8* file = nullptr;
    FcCharSet* characters = nullptr;
    FcBool scalable = FcFalse;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch ||
        FcPatternGetCharSet(font, FC_CHARSET, 0, &characters) != FcResultMatch ||
        (FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) == FcResultMatch && !scalable) || !FontFormatUsable(font)) {
      continue;
    }
    Candidate candidate;
    candidate.face.file = reinterpret_cast<const char*>(file);
    candidate.face.index = FcInteger(font, FC_INDEX, 0) & 0xFFFF;
    candidate.face.weight = FcWeightToOpenType(FcInteger(font, FC_WEIGHT, FC_WEIGHT_REGULAR));
    candidate.face.fixedPitch = FcInteger(font, FC_SPACING, FC_PROPORTIONAL) >= FC_MONO;
    candidate.italic = FcInteger(font, FC_SLANT, FC_SLANT_ROMAN) != FC_SLANT_ROMAN;
    candidate.characters = FcCharSetCopy(characters);
    list.push_back(std::move(candidate));
  }
  if (set != nullptr) FcFontSetDestroy(set);
  return list;
}

const std::vector<Candidate>& CandidatesFor(const FontInstance& instance) {
  const bool bold = instance.metrics.tmWeight >= FW_SEMIBOLD;
  const bool italic = instance.metrics.tmItalic != 0;
  const std::string key = std::string(instance.face->family_name ? instance.face->family_name : "") + '\n' +
                          (bold ? 'b' : 'r') + (italic ? 'i' : 'u');
  if (g_candidates == nullptr) g_candidates = new std::map<std::string, std::vector<Candidate>>;
  auto it = g_candidates->find(key);
  if (it == g_candidates->end()) it = g_candidates->emplace(key, SortedCandidates(instance.face, bold, italic)).first;
  return it->second;
}

// The instance of a candidate face at the size and style of `instance`, made once per face.
FontInstance* CandidateInstance(FontInstance& instance, const Candidate& candidate, FT_Face face) {
  ShapingState& state = ShapingOf(instance);
  const auto key = std::make_pair(candidate.face.file, candidate.face.index);
  if (auto it = state.fallbackFaces.find(key); it != state.fallbackFaces.end()) return it->second.get();
  LOGFONTW logFont{};
  logFont.lfWeight = instance.metrics.tmWeight;
  logFont.lfItalic = instance.metrics.tmItalic;
  logFont.lfCharSet = instance.metrics.tmCharSet;
  FaceChoice choice = candidate.face;
  // The borrowed glyphs take the style the selected face shows, made up where the face lacks it.
  choice.syntheticBold = instance.metrics.tmWeight >= FW_SEMIBOLD && candidate.face.weight < FW_SEMIBOLD;
  choice.syntheticItalic = instance.metrics.tmItalic != 0 && !candidate.italic;
  std::shared_ptr<FontInstance> made =
      FontInstanceMake(logFont, choice, face, instance.ppem, instance.mono, instance.escapement);
  state.fallbackFaces[key] = made;
  return made.get();
}

}  // namespace

FontInstance* FallbackInstance(FontInstance& instance, uint32_t codePoint) {
  ShapingState& state = ShapingOf(instance);
  if (auto it = state.fallbackFor.find(codePoint); it != state.fallbackFor.end()) return it->second;
  FontInstance* found = nullptr;
  for (const Candidate& candidate : CandidatesFor(instance)) {
    if (!FcCharSetHasChar(candidate.characters, codePoint)) continue;
    // Decided from the face itself: fontconfig's character set may be wider than its cmap.
    FT_Face face = FaceOpen(candidate.face.file, candidate.face.index);
    if (face == nullptr || face == instance.face || FT_Get_Char_Index(face, codePoint) == 0) continue;
    found = CandidateInstance(instance, candidate, face);
    if (found != nullptr) break;
  }
  if (state.fallbackFor.size() >= kFallbackCacheLimit) state.fallbackFor.clear();
  state.fallbackFor[codePoint] = found;
  return found;
}

}  // namespace platform
