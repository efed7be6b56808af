// The font library: the font registry, the screen resolution read at start-up, and FontLoad,
// which turns a face name, a size in points and the style flags into a font handle through
// CreateFontW (a negative height, so that the size is the character's em, as points mean).
#include "font.h"

#include <algorithm>
#include <climits>

#include "constants.h"
#include "registry.h"
#include "text.h"

namespace {

struct FontObject {
  HFONT handle;
};

constexpr int64_t kDefaultResolution = 96;

ObjectRegistry* g_fonts = nullptr;
int64_t g_resolution = kDefaultResolution;

FontObject* Find(int64_t font) {
  return g_fonts ? static_cast<FontObject*>(ObjectGet(g_fonts, font)) : nullptr;
}

}  // namespace

void FontInit() {
  g_fonts = ObjectRegistryCreate(sizeof(FontObject), 16, FontFree);
  g_resolution = kDefaultResolution;
  if (HDC screen = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr)) {
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    if (dpi > 0) g_resolution = dpi;
    DeleteDC(screen);
  }
}

void FontShutdown() {
  if (g_fonts == nullptr) return;
  FontFree(-1);
  ObjectRegistryDestroy(g_fonts);
  g_fonts = nullptr;
}

void FontEnd() {}

int64_t FontScreenResolution() { return g_resolution; }

int64_t FontLoad(int64_t font, const char16_t* name, int64_t size, int64_t flags) {
  if (g_fonts == nullptr || (font < 0 && font != CV_Any)) return 0;
  auto* record = static_cast<FontObject*>(ObjectNew(g_fonts, font));
  if (record == nullptr) return 0;
  const int64_t id = font == CV_Any ? static_cast<int64_t>(reinterpret_cast<uintptr_t>(record)) : font;
  // Sizes beyond what MulDiv can take are held at its limit; its overflow result (-1) then
  // still gives a usable font.
  const int points = static_cast<int>(std::clamp<int64_t>(size, INT_MIN + 1, INT_MAX));
  const int height = -MulDiv(points, static_cast<int>(g_resolution), 72);
  HFONT handle = CreateFontW(height, 0, 0, 0, (flags & CV_Font_Bold) ? FW_BOLD : FW_NORMAL, (flags & CV_Font_Italic) ? 1 : 0,
                             (flags & CV_Font_Underline) ? 1 : 0, (flags & CV_Font_StrikeOut) ? 1 : 0, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             (flags & CV_Font_HighQuality) ? PROOF_QUALITY : DEFAULT_QUALITY, 0, name);
  if (handle == nullptr) {
    ObjectRelease(g_fonts, id);
    return 0;
  }
  record->handle = handle;
  return font == CV_Any ? id : static_cast<int64_t>(reinterpret_cast<uintptr_t>(handle));
}

void FontFree(int64_t font) {
  if (g_fonts == nullptr) return;
  if (font == -1) {
    ObjectFreeAll(g_fonts);
    return;
  }
  FontObject* record = Find(font);
  if (record == nullptr) return;
  DeleteObject(record->handle);
  ObjectRelease(g_fonts, font);
}

int64_t FontHandle(int64_t font) {
  FontObject* record = Find(font);
  return record ? static_cast<int64_t>(reinterpret_cast<uintptr_t>(record->handle)) : 0;
}
