// Font enumeration: EnumFontFamiliesExW over the installed faces, reporting each family (or
// each face of one named family) once per character set its OS/2 code-page ranges cover, with
// ENUMLOGFONTEXW and NEWTEXTMETRICEXW filled as Windows fills them for TrueType fonts.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>

#include "charcase.h"
#include "kernel.h"
#include "text_objects.h"

namespace platform {
namespace {

struct CharsetRange {
  int bit;  // bit of ulCodePageRange1
  BYTE charset;
  const char16_t* script;
};

const CharsetRange kCharsets[] = {
    {0, ANSI_CHARSET, u"Western"},         {1, EASTEUROPE_CHARSET, u"Central European"},
    {2, RUSSIAN_CHARSET, u"Cyrillic"},     {3, GREEK_CHARSET, u"Greek"},
    {4, TURKISH_CHARSET, u"Turkish"},      {5, HEBREW_CHARSET, u"Hebrew"},
    {6, ARABIC_CHARSET, u"Arabic"},        {7, BALTIC_CHARSET, u"Baltic"},
    {8, VIETNAMESE_CHARSET, u"Vietnamese"}, {16, THAI_CHARSET, u"Thai"},
    {17, SHIFTJIS_CHARSET, u"Japanese"},   {18, GB2312_CHARSET, u"CHINESE_GB2312"},
    {19, HANGUL_CHARSET, u"Hangul"},       {20, CHINESEBIG5_CHARSET, u"CHINESE_BIG5"},
    {21, JOHAB_CHARSET, u"Hangul(Johab)"}, {31, SYMBOL_CHARSET, u"Symbol"},
};

struct EnumRecord {
  ENUMLOGFONTEXW font{};
  NEWTEXTMETRICEXW metrics{};
};

template <size_t N>
void CopyName(WCHAR (&field)[N], const std::u16string& text) {
  const size_t count = std::min(text.size(), N - 1);
  std::copy_n(text.data(), count, field);
  field[count] = 0;
}

std::u16string Fold(std::u16string text) {
  if (!text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// The records of one face: one per character set it covers, or only `charset` when one is asked.
void FaceRecords(const InstalledFace& installed, BYTE charset, std::vector<EnumRecord>* records) {
  FT_Face face = FaceOpen(installed.file, installed.index);
  if (face == nullptr) return;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const bool hasOs2 = os2 != nullptr && os2->version != 0xFFFF;
  DWORD ranges = hasOs2 && os2->version >= 1 ? static_cast<DWORD>(os2->ulCodePageRange1) : 0;
  if (ranges == 0) ranges = 1;  // a face that declares nothing is taken as Western

  EnumRecord base;
  LOGFONTW& lf = base.font.elfLogFont;
  NEWTEXTMETRICW& tm = base.metrics.ntmTm;
  // Metrics in the face's own units: an em of ntmSizeEM pixels.
  const int units = face->units_per_EM > 0 ? face->units_per_EM : 2048;
  TEXTMETRICW metrics;
  FaceMetrics(face, units, &metrics);
  static_cast<TEXTMETRICW&>(tm) = metrics;
  tm.tmWeight = installed.weight;
  tm.tmItalic = installed.italic ? 255 : 0;
  tm.tmPitchAndFamily = static_cast<BYTE>(TMPF_VECTOR | TMPF_TRUETYPE | (installed.fixedPitch ? 0 : TMPF_FIXED_PITCH));
  tm.ntmFlags = (installed.italic ? NTM_ITALIC : 0) | (installed.weight >= FW_SEMIBOLD ? NTM_BOLD : 0) |
                (!installed.italic && installed.weight < FW_SEMIBOLD ? NTM_REGULAR : 0) | NTM_TT_OPENTYPE;
  tm.ntmSizeEM = static_cast<UINT>(units);
  tm.ntmCellHeight = static_cast<UINT>(metrics.tmHeight);
  tm.ntmAvgWidth = static_cast<UINT>(metrics.tmAveCharWidth);
  if (hasOs2) {
    base.metrics.ntmFontSig.fsUsb[0] = static_cast<DWORD>(os2->ulUnicodeRange1);
    base.metrics.ntmFontSig.fsUsb[1] = static_cast<DWORD>(os2->ulUnicodeRange2);
    base.metrics.ntmFontSig.fsUsb[2] = static_cast<DWORD>(os2->ulUnicodeRange3);
    base.metrics.ntmFontSig.fsUsb[3] = static_cast<DWORD>(os2->ulUnicodeRange4);
    base.metrics.ntmFontSig.fsCsb[0] = ranges;
    base.metrics.ntmFontSig.fsCsb[1] = os2->version >= 1 ? static_cast<DWORD>(os2->ulCodePageRange2) : 0;
  }
  lf.lfHeight = metrics.tmHeight;
  lf.lfWidth = metrics.tmAveCharWidth;
  lf.lfWeight = installed.weight;
  lf.lfItalic = installed.italic ? 255 : 0;
  lf.lfOutPrecision = 3;  // OUT_STROKE_PRECIS, as Windows reports for TrueType
  lf.lfClipPrecision = 2;  // CLIP_STROKE_PRECIS
  lf.lfQuality = 1;  // DRAFT_QUALITY
  lf.lfPitchAndFamily = static_cast<BYTE>((installed.fixedPitch ? FIXED_PITCH : VARIABLE_PITCH) |
                                          (metrics.tmPitchAndFamily & 0xF0));
  CopyName(lf.lfFaceName, installed.gdiFamily);
  CopyName(base.font.elfFullName, installed.fullName);
  CopyName(base.font.elfStyle, installed.style);

  for (const CharsetRange& range : kCharsets) {
    if (!(ranges & (DWORD{1} << range.bit))) continue;
    if (charset != DEFAULT_CHARSET && charset != range.charset) continue;
    EnumRecord record = base;
    record.font.elfLogFont.lfCharSet = range.charset;
    record.metrics.ntmTm.tmCharSet = range.charset;
    CopyName(record.font.elfScript, range.script);
    records->push_back(record);
  }
}

}  // namespace
}  // namespace platform

using namespace platform;

int EnumFontFamiliesExW(HDC dc, LOGFONTW* logFont, FONTENUMPROCW proc, LPARAM data, DWORD) {
  if (!GdiHandleAs<GdiDc>(dc) || logFont == nullptr || proc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string name;
  for (int i = 0; i < LF_FACESIZE && logFont->lfFaceName[i] != 0; ++i) name.push_back(logFont->lfFaceName[i]);
  const std::u16string folded = Fold(name);
  std::vector<EnumRecord> records;
  {
    // The callbacks run without the text lock, as they may measure text themselves.
    std::lock_guard<std::mutex> guard(TextLock());
    const InstalledFace* previous = nullptr;
    for (const InstalledFace& face : InstalledFaces()) {
      if (folded.empty()) {
        // One face per family: the faces are listed with each family's regular face first.
        if (previous != nullptr && previous->gdiFamily == face.gdiFamily) continue;
        previous = &face;
      } else if (Fold(face.gdiFamily) != folded) {
        continue;
      }
      FaceRecords(face, logFont->lfCharSet, &records);
    }
  }
  int result = 1;
  for (const EnumRecord& record : records) {
    result = proc(&record.font.elfLogFont, reinterpret_cast<const TEXTMETRICW*>(&record.metrics), TRUETYPE_FONTTYPE,
                  data);
    if (result == 0) break;
  }
  return result;
}
