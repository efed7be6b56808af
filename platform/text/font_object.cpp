// Font objects: CreateFontW and CreateFontIndirectW, the stock fonts, GetObjectW of a font,
// and the instance a font is realised as at first use: its face, its size in pixels per em
// (a negative height asks for the em, a positive one for the cell, as on Windows) and its
// metrics, read from the OS/2 and hhea tables as GetTextMetricsW reports them.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <map>

#include "backend.h"
#include "kernel.h"
#include "text_objects.h"

namespace platform {
namespace {

// The largest em the rasteriser is asked for: a glyph at this size still fits in memory.
constexpr int kMaxPixelsPerEm = 8192;
// The cell height a font of height 0 gets (the Windows default of 12 points at 96 dots per inch).
constexpr LONG kDefaultCellHeight = 16;
// Instances kept alive after their last font is deleted, so that a font made again at the same
// size finds its glyphs still cached.
constexpr size_t kRecentInstances = 8;

std::map<std::string, std::weak_ptr<FontInstance>>* g_instances;
std::deque<std::shared_ptr<FontInstance>>* g_recent;

LONG Scale(int64_t units, int ppem, int unitsPerEm) {
  return static_cast<LONG>(std::llround(static_cast<double>(units) * ppem / unitsPerEm));
}

// Ascent and descent of the cell in font units: the OS/2 Windows metrics, as Windows uses them.
void CellUnits(FT_Face face, int64_t* ascent, int64_t* descent) {
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  *ascent = *descent = 0;
  if (os2 != nullptr && os2->version != 0xFFFF) {
    *ascent = os2->usWinAscent;
    *descent = os2->usWinDescent;
  }
  if (*ascent + *descent <= 0 && hhea != nullptr) {
    *ascent = hhea->Ascender;
    *descent = -hhea->Descender;
  }
  if (*ascent + *descent <= 0) {
    *ascent = face->ascender;
    *descent = -face->descender;
  }
  if (*ascent + *descent <= 0) {
    *ascent = face->units_per_EM;
    *descent = 0;
  }
}

int UnitsPerEm(FT_Face face) { return face->units_per_EM > 0 ? face->units_per_EM : 2048; }

int PixelsPerEm(FT_Face face, LONG height) {
  int64_t ppem;
  if (height < 0) {
    ppem = -static_cast<int64_t>(height);
  } else {
    int64_t ascent, descent;
    CellUnits(face, &ascent, &descent);
    const int64_t cell = height == 0 ? kDefaultCellHeight : height;
    ppem = std::llround(static_cast<double>(cell) * UnitsPerEm(face) / static_cast<double>(ascent + descent));
  }
  return static_cast<int>(std::clamp<int64_t>(ppem, 1, kMaxPixelsPerEm));
}

// Windows' family bits from the face's PANOSE classification and pitch.
BYTE FamilyBits(FT_Face face, bool fixedPitch) {
  if (fixedPitch) return FF_MODERN;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 == nullptr || os2->version == 0xFFFF) return FF_DONTCARE;
  if (os2->panose[0] == 3) return FF_SCRIPT;
  if (os2->panose[0] == 4) return FF_DECORATIVE;
  if (os2->panose[0] == 2) return os2->panose[1] >= 11 && os2->panose[1] <= 13 ? FF_SWISS : FF_ROMAN;
  return FF_DONTCARE;
}

std::string InstanceKey(const FaceChoice& choice, int ppem, bool mono, int escapement) {
  return choice.file + '\n' + std::to_string(choice.index) + '\n' + std::to_string(ppem) + '\n' +
         std::to_string(choice.syntheticBold) + std::to_string(choice.syntheticItalic) + std::to_string(mono) + '\n' +
         std::to_string(escapement);
}

std::shared_ptr<FontInstance> InstanceMake(const LOGFONTW& logFont, const FaceChoice& choice, FT_Face face, int ppem,
                                           bool mono, int escapement) {
  auto instance = std::make_shared<FontInstance>();
  if (FT_New_Size(face, &instance->size) != 0) return nullptr;
  instance->face = face;
  FT_Activate_Size(instance->size);
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(ppem)) != 0) return nullptr;
  instance->ppem = ppem;
  instance->unitsPerEm = UnitsPerEm(face);
  instance->syntheticBold = choice.syntheticBold;
  instance->syntheticItalic = choice.syntheticItalic;
  instance->mono = mono;
  instance->escapement = escapement;
  // Emboldening widens every glyph by about a 32nd of the em, at least one pixel.
  instance->boldExtra = choice.syntheticBold ? std::max(1, ppem / 32) : 0;
  instance->advances.assign(static_cast<size_t>(std::max<FT_Long>(face->num_glyphs, 1)), -1);

  TEXTMETRICW& tm = instance->metrics;
  FaceMetrics(face, ppem, &tm);
  tm.tmAveCharWidth += instance->boldExtra;
  tm.tmMaxCharWidth += instance->boldExtra;
  tm.tmWeight = choice.syntheticBold ? std::max<LONG>(logFont.lfWeight, FW_BOLD) : choice.weight;
  tm.tmItalic = logFont.lfItalic ? 255 : 0;
  tm.tmUnderlined = logFont.lfUnderline ? 255 : 0;
  tm.tmStruckOut = logFont.lfStrikeOut ? 255 : 0;
  tm.tmCharSet = logFont.lfCharSet == DEFAULT_CHARSET ? ANSI_CHARSET : logFont.lfCharSet;
  tm.tmPitchAndFamily = static_cast<BYTE>(TMPF_VECTOR | TMPF_TRUETYPE | (choice.fixedPitch ? 0 : TMPF_FIXED_PITCH) |
                                          FamilyBits(face, choice.fixedPitch));

  const int units = instance->unitsPerEm;
  instance->underlineOffset = std::max<LONG>(1, Scale(-face->underline_position, ppem, units));
  instance->underlineSize = std::max<LONG>(1, Scale(face->underline_thickness, ppem, units));
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 != nullptr && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
    instance->strikeOffset = Scale(os2->yStrikeoutPosition, ppem, units);
    instance->strikeSize = std::max<LONG>(1, Scale(os2->yStrikeoutSize, ppem, units));
  } else {
    instance->strikeOffset = tm.tmAscent / 3;
    instance->strikeSize = instance->underlineSize;
  }
  return instance;
}

std::shared_ptr<GdiFont> FontMake(const LOGFONTW& logFont) {
  auto font = std::make_shared<GdiFont>();
  font->logFont = logFont;
  // Face names are cut to what LOGFONTW holds, always terminated.
  font->logFont.lfFaceName[LF_FACESIZE - 1] = 0;
  return font;
}

void StockFont(int index, const char16_t* face, LONG height, LONG weight, BYTE pitchAndFamily) {
  LOGFONTW logFont{};
  logFont.lfHeight = height;
  logFont.lfWeight = weight;
  logFont.lfCharSet = ANSI_CHARSET;
  logFont.lfPitchAndFamily = pitchAndFamily;
  for (int i = 0; face[i] != 0 && i < LF_FACESIZE - 1; ++i) logFont.lfFaceName[i] = face[i];
  GdiStockObjectInstall(index, FontMake(logFont));
}

}  // namespace

FontInstance::~FontInstance() {
  if (size != nullptr) FT_Done_Size(size);
}

int GdiFont::Describe(int size, void* buffer) const {
  if (buffer == nullptr) return sizeof(LOGFONTW);
  const int bytes = std::min<int>(size, sizeof(LOGFONTW));
  std::memcpy(buffer, &logFont, static_cast<size_t>(bytes));
  return bytes;
}

void FaceMetrics(FT_Face face, int ppem, TEXTMETRICW* metrics) {
  TEXTMETRICW& tm = *metrics;
  tm = TEXTMETRICW{};
  const int units = UnitsPerEm(face);
  int64_t ascent, descent;
  CellUnits(face, &ascent, &descent);
  tm.tmAscent = Scale(ascent, ppem, units);
  tm.tmDescent = Scale(descent, ppem, units);
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - ppem);
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  const bool hasOs2 = os2 != nullptr && os2->version != 0xFFFF;
  if (hhea != nullptr) {
    // The line gap beyond what the Windows cell already covers of the typographic line.
    const int64_t gap = hhea->Line_Gap - ((ascent + descent) - (hhea->Ascender - hhea->Descender));
    tm.tmExternalLeading = std::max<LONG>(0, Scale(gap, ppem, units));
    tm.tmMaxCharWidth = Scale(hhea->advance_Width_Max, ppem, units);
  }
  if (hasOs2 && os2->xAvgCharWidth > 0) {
    tm.tmAveCharWidth = Scale(os2->xAvgCharWidth, ppem, units);
  } else {
    tm.tmAveCharWidth = std::max<LONG>(1, tm.tmMaxCharWidth / 2);
  }
  tm.tmWeight = FW_NORMAL;
  tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = platform::Screen().dpi;
  tm.tmFirstChar = hasOs2 ? static_cast<WCHAR>(std::max<int>(os2->usFirstCharIndex, 0x20) - 1) : 0x1F;
  tm.tmLastChar = hasOs2 ? static_cast<WCHAR>(os2->usLastCharIndex) : 0xFFFC;
  tm.tmDefaultChar = 0x1F;
  tm.tmBreakChar = 0x20;
  tm.tmPitchAndFamily = TMPF_VECTOR | TMPF_TRUETYPE;
}

FontInstance* FontResolve(GdiFont& font) {
  if (font.instance) return font.instance.get();
  FaceChoice choice;
  if (!FaceMatch(font.logFont, &choice)) return nullptr;
  FT_Face face = FaceOpen(choice.file, choice.index);
  if (face == nullptr) return nullptr;
  const int ppem = PixelsPerEm(face, font.logFont.lfHeight);
  const bool mono = font.logFont.lfQuality == NONANTIALIASED_QUALITY;
  const int escapement = ((font.logFont.lfEscapement % 3600) + 3600) % 3600;
  const std::string key = InstanceKey(choice, ppem, mono, escapement);
  if (g_instances == nullptr) g_instances = new std::map<std::string, std::weak_ptr<FontInstance>>;
  if (g_recent == nullptr) g_recent = new std::deque<std::shared_ptr<FontInstance>>;
  std::shared_ptr<FontInstance> instance;
  if (auto it = g_instances->find(key); it != g_instances->end()) instance = it->second.lock();
  if (!instance) {
    instance = InstanceMake(font.logFont, choice, face, ppem, mono, escapement);
    if (!instance) return nullptr;
    (*g_instances)[key] = instance;
    g_recent->push_front(instance);
    if (g_recent->size() > kRecentInstances) g_recent->pop_back();
    // Forget the keys of instances that are gone, so that the map stays as small as what lives.
    for (auto it = g_instances->begin(); it != g_instances->end();) {
      it = it->second.expired() ? g_instances->erase(it) : std::next(it);
    }
  }
  font.instance = instance;
  return instance.get();
}

std::shared_ptr<GdiFont> DcFont(const GdiDc& dc) {
  if (auto font = std::dynamic_pointer_cast<GdiFont>(dc.selected[OBJ_FONT])) return font;
  return GdiHandleAs<GdiFont>(GetStockObject(SYSTEM_FONT));
}

void FontStockObjectsMake() {
  // The faces Windows uses for its stock fonts; they are matched to installed faces like any
  // other name when first used.
  StockFont(OEM_FIXED_FONT, u"Terminal", 12, FW_NORMAL, FIXED_PITCH | FF_MODERN);
  StockFont(ANSI_FIXED_FONT, u"Courier", 13, FW_NORMAL, FIXED_PITCH | FF_MODERN);
  StockFont(ANSI_VAR_FONT, u"MS Sans Serif", 13, FW_NORMAL, VARIABLE_PITCH | FF_SWISS);
  StockFont(SYSTEM_FONT, u"System", 16, FW_BOLD, VARIABLE_PITCH | FF_SWISS);
  StockFont(DEVICE_DEFAULT_FONT, u"System", 16, FW_BOLD, VARIABLE_PITCH | FF_SWISS);
  StockFont(SYSTEM_FIXED_FONT, u"Fixedsys", 15, FW_NORMAL, FIXED_PITCH | FF_MODERN);
  StockFont(DEFAULT_GUI_FONT, u"MS Shell Dlg", -11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS);
}

}  // namespace platform

using namespace platform;

HFONT CreateFontIndirectW(const LOGFONTW* logFont) {
  if (logFont == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return static_cast<HFONT>(GdiHandleNew(FontMake(*logFont)));
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCWSTR faceName) {
  LOGFONTW logFont{};
  logFont.lfHeight = height;
  logFont.lfWidth = width;
  logFont.lfEscapement = escapement;
  logFont.lfOrientation = orientation;
  logFont.lfWeight = weight;
  logFont.lfItalic = static_cast<BYTE>(italic);
  logFont.lfUnderline = static_cast<BYTE>(underline);
  logFont.lfStrikeOut = static_cast<BYTE>(strikeOut);
  logFont.lfCharSet = static_cast<BYTE>(charSet);
  logFont.lfOutPrecision = static_cast<BYTE>(outPrecision);
  logFont.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  logFont.lfQuality = static_cast<BYTE>(quality);
  logFont.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  for (int i = 0; faceName != nullptr && i < LF_FACESIZE - 1 && faceName[i] != 0; ++i) {
    logFont.lfFaceName[i] = faceName[i];
  }
  return CreateFontIndirectW(&logFont);
}

BOOL GetTextMetricsW(HDC dcHandle, TEXTMETRICW* metrics) {
  auto dc = GdiHandleAs<GdiDc>(dcHandle);
  if (!dc || metrics == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto font = DcFont(*dc);
  std::lock_guard<std::mutex> guard(TextLock());
  FontInstance* instance = font ? FontResolve(*font) : nullptr;
  if (instance == nullptr) return FALSE;
  *metrics = instance->metrics;
  return TRUE;
}
