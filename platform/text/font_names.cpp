// The names people know for the installed faces: each family under its family name with its
// other styles as "Family Bold", "Family Italic" ..., the common Windows names (Arial, Times
// New Roman, Courier New, Arial Narrow) as families of their own wherever an installed face has
// their widths, and the face that stands in for the dialog font, chosen by measuring widths.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <algorithm>
#include <cmath>

#include "charcase.h"
#include "text_objects.h"

namespace platform {
namespace {

// The characters whose advances tell faces apart, and their advances in thousandths of the em in
// the faces the Windows names stand for. Faces made to replace those keep every advance.
constexpr char16_t kSample[] = u" aeimnorstAHMOW0";
constexpr size_t kSampleSize = sizeof(kSample) / sizeof(kSample[0]) - 1;
using SampleWidths = int[kSampleSize];
constexpr SampleWidths kSansWidths = {278, 556, 556, 222, 833, 556, 556, 333, 500, 278, 667, 722, 833, 778, 944, 556};
constexpr SampleWidths kNarrowWidths = {228, 456, 456, 182, 683, 456, 456, 273, 410, 228, 547, 592, 683, 638, 774, 456};
constexpr SampleWidths kSerifWidths = {250, 444, 444, 278, 778, 500, 500, 333, 389, 278, 722, 722, 889, 722, 944, 500};
constexpr SampleWidths kMonoWidths = {600, 600, 600, 600, 600, 600, 600, 600, 600, 600, 600, 600, 600, 600, 600, 600};
// How far (thousandths of the em) an advance may be off and still count as the same width.
constexpr double kSameWidth = 2.0;

struct WindowsName {
  const char16_t* name;
  const SampleWidths* widths;
};
const WindowsName kWindowsNames[] = {
    {u"Arial", &kSansWidths},
    {u"Arial Narrow", &kNarrowWidths},
    {u"Times New Roman", &kSerifWidths},
    {u"Courier New", &kMonoWidths},
};

// The names under which dialogs ask for their font; the layouts made with them expect the
// widths of the sans-serif face above.
const char16_t* const kDialogNames[] = {u"ms shell dlg", u"ms shell dlg 2", u"ms sans serif",
                                        u"microsoft sans serif", u"tahoma", u"segoe ui"};

std::vector<FaceFamily>* g_families;
const InstalledFace* g_dialogFace;

std::u16string Fold(std::u16string text) {
  if (!text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// The sample's advances in thousandths of the em; false when the face lacks one of its glyphs.
bool SampleAdvances(const InstalledFace& installed, double (&out)[kSampleSize]) {
  FT_Face face = FaceOpen(installed.file, installed.index);
  if (face == nullptr || face->units_per_EM == 0) return false;
  for (size_t i = 0; i < kSampleSize; ++i) {
    FT_UInt glyph = FT_Get_Char_Index(face, kSample[i]);
    FT_Fixed advance = 0;
    if (glyph == 0 || FT_Get_Advance(face, glyph, FT_LOAD_NO_SCALE, &advance) != 0) return false;
    out[i] = static_cast<double>(advance) * 1000.0 / face->units_per_EM;
  }
  return true;
}

// The mean distance of a face's sample advances from `widths`, relative to them; negative when
// the face cannot be measured.
double WidthDistance(const InstalledFace& face, const SampleWidths& widths, bool* same) {
  double advances[kSampleSize];
  *same = false;
  if (!SampleAdvances(face, advances)) return -1;
  double total = 0;
  bool all = true;
  for (size_t i = 0; i < kSampleSize; ++i) {
    total += std::abs(advances[i] - widths[i]) / widths[i];
    all = all && std::abs(advances[i] - widths[i]) <= kSameWidth;
  }
  *same = all;
  return total / kSampleSize;
}

// The words that tell a face from its family's main face: its weight and its slant.
std::u16string StyleWords(const InstalledFace& face) {
  std::u16string words;
  if (face.weight <= 150) words = u"Thin";
  else if (face.weight <= 250) words = u"ExtraLight";
  else if (face.weight <= 350) words = u"Light";
  else if (face.weight <= 450) words = u"";
  else if (face.weight <= 550) words = u"Medium";
  else if (face.weight <= 650) words = u"SemiBold";
  else if (face.weight <= 750) words = u"Bold";
  else if (face.weight <= 850) words = u"ExtraBold";
  else words = u"Black";
  if (face.italic) {
    const bool oblique = Fold(face.style).find(u"oblique") != std::u16string::npos;
    words += words.empty() ? u"" : u" ";
    words += oblique ? u"Oblique" : u"Italic";
  }
  return words;
}

// A family's faces under their names: the main face (listed first in the installed order:
// upright, nearest the regular weight) under the family name, the others with their style.
FaceFamily FamilyOf(const std::u16string& name, const std::vector<const InstalledFace*>& faces, bool alias) {
  FaceFamily family;
  family.name = name;
  family.alias = alias;
  std::vector<std::u16string> taken;
  for (const InstalledFace* face : faces) {
    std::u16string faceName = name;
    if (!family.faces.empty()) {
      const std::u16string words = StyleWords(*face);
      if (!words.empty()) faceName += u" " + words;
      // Two faces of one weight and slant (widths, optical sizes) keep the style they carry.
      if (std::find(taken.begin(), taken.end(), Fold(faceName)) != taken.end() && !face->style.empty()) {
        faceName = name + u" " + face->style;
      }
    }
    if (std::find(taken.begin(), taken.end(), Fold(faceName)) != taken.end()) continue;
    taken.push_back(Fold(faceName));
    family.faces.push_back(NamedFace{faceName, face});
  }
  return family;
}

std::vector<FaceFamily>* BuildFamilies() {
  auto* families = new std::vector<FaceFamily>;
  std::vector<std::pair<std::u16string, std::vector<const InstalledFace*>>> groups;
  for (const InstalledFace& face : InstalledFaces()) {
    if (groups.empty() || groups.back().first != face.gdiFamily) groups.push_back({face.gdiFamily, {}});
    groups.back().second.push_back(&face);
  }
  for (const auto& [name, faces] : groups) families->push_back(FamilyOf(name, faces, false));

  // A Windows name becomes a family of its own when an installed family has its widths: the one
  // fontconfig substitutes for it when that one has them, else the first that has.
  for (const WindowsName& windows : kWindowsNames) {
    const std::u16string folded = Fold(windows.name);
    bool installed = false;
    for (const auto& [name, faces] : groups) installed = installed || Fold(name) == folded;
    if (installed) continue;
    const std::string preferred = FontconfigFile(windows.name);
    const std::vector<const InstalledFace*>* backing = nullptr;
    for (const auto& [name, faces] : groups) {
      bool same = false;
      if (faces.front()->italic || WidthDistance(*faces.front(), *windows.widths, &same) < 0 || !same) continue;
      const bool isPreferred = std::any_of(faces.begin(), faces.end(),
                                           [&](const InstalledFace* face) { return face->file == preferred; });
      if (backing == nullptr || isPreferred) backing = &faces;
      if (isPreferred) break;
    }
    if (backing != nullptr) families->push_back(FamilyOf(windows.name, *backing, true));
  }
  return families;
}

// The installed upright, proportional face of regular weight whose widths come nearest to those
// the dialog layouts were made with.
const InstalledFace* ChooseDialogFace() {
  // The face Arial is drawn with, when it has those widths: faces of the same widths can still
  // differ by a pixel at dialog sizes (their outlines are hinted differently), and the dialog
  // layouts were made beside Arial.
  LOGFONTW arial{};
  std::copy_n(u"Arial", 6, arial.lfFaceName);
  arial.lfWeight = FW_NORMAL;
  FaceChoice choice;
  if (FaceMatch(arial, &choice)) {
    for (const InstalledFace& face : InstalledFaces()) {
      bool same = false;
      if (face.file == choice.file && face.index == choice.index && WidthDistance(face, kSansWidths, &same) >= 0 && same) {
        return &face;
      }
    }
  }
  const InstalledFace* best = nullptr;
  double bestDistance = 0;
  for (const FaceFamily& family : FaceFamilies()) {
    if (family.alias) continue;
    const InstalledFace* face = family.faces.front().face;
    if (face->italic || face->fixedPitch || std::abs(face->weight - FW_NORMAL) > 100) continue;
    bool same = false;
    const double distance = WidthDistance(*face, kSansWidths, &same);
    if (distance < 0) continue;
    if (best == nullptr || distance < bestDistance) {
      best = face;
      bestDistance = distance;
    }
  }
  return best;
}

// The family whose name is `folded`, or, for a name cut at a LOGFONTW's length, the one family
// whose name begins with it.
template <typename Named>
const Named* FindNamed(const std::vector<const Named*>& candidates, const std::u16string& folded) {
  const Named* prefixed = nullptr;
  int prefixCount = 0;
  for (const Named* candidate : candidates) {
    const std::u16string name = Fold(candidate->name);
    if (name == folded) return candidate;
    if (folded.size() == LF_FACESIZE - 1 && name.compare(0, folded.size(), folded) == 0) {
      prefixed = candidate;
      ++prefixCount;
    }
  }
  return prefixCount == 1 ? prefixed : nullptr;
}

}  // namespace

const std::vector<FaceFamily>& FaceFamilies() {
  if (g_families == nullptr) g_families = BuildFamilies();
  return *g_families;
}

const FaceFamily* FaceFamilyNamed(const std::u16string& folded) {
  if (folded.empty()) return nullptr;
  std::vector<const FaceFamily*> candidates;
  for (const FaceFamily& family : FaceFamilies()) candidates.push_back(&family);
  return FindNamed(candidates, folded);
}

const NamedFace* NamedFaceFind(const std::u16string& folded, const FaceFamily** family) {
  if (folded.empty()) return nullptr;
  std::vector<const NamedFace*> candidates;
  std::vector<const FaceFamily*> owners;
  for (const FaceFamily& each : FaceFamilies()) {
    for (const NamedFace& face : each.faces) {
      candidates.push_back(&face);
      owners.push_back(&each);
    }
  }
  const NamedFace* found = FindNamed(candidates, folded);
  if (found != nullptr && family != nullptr) {
    *family = owners[static_cast<size_t>(std::find(candidates.begin(), candidates.end(), found) - candidates.begin())];
  }
  return found;
}

std::u16string FaceFamilyNameOf(const std::string& file, int index) {
  for (const FaceFamily& family : FaceFamilies()) {
    if (family.alias) continue;
    for (const NamedFace& face : family.faces) {
      if (face.face->file == file && face.face->index == index) return family.name;
    }
  }
  return {};
}

bool IsDialogFaceName(const std::u16string& folded) {
  return std::find(std::begin(kDialogNames), std::end(kDialogNames), folded) != std::end(kDialogNames);
}

const InstalledFace* DialogFace() {
  if (g_dialogFace == nullptr) g_dialogFace = ChooseDialogFace();
  return g_dialogFace;
}

}  // namespace platform
