// Alpha blending support: AlphaBlend loaded from msimg32 at start-up, the themed-controls flag
// the gadgets read, and the test of whether a bitmap carries alpha worth blending (which is
// never the case without AlphaBlend).
#include "heap.h"
#include "image.h"
#include "kernel.h"
#include "visual_styles.h"

namespace {

HMODULE g_msimg32 = nullptr;
AlphaBlendRoutine g_alphaBlend = nullptr;
bool g_themed = false;

// The common-controls version as major << 16 | minor; 1 when it cannot be read.
int64_t CommonControlsVersion() {
  HMODULE comctl = LoadLibraryW(u"COMCTL32.DLL");
  if (comctl == nullptr) return 1;
  int64_t version = 1;
  using GetVersionRoutine = HRESULT (*)(DLLVERSIONINFO*);
  if (auto getVersion = reinterpret_cast<GetVersionRoutine>(GetProcAddress(comctl, "DllGetVersion"))) {
    DLLVERSIONINFO info{};
    info.cbSize = sizeof info;
    if (SUCCEEDED(getVersion(&info))) version = int64_t{info.dwMajorVersion} << 16 | info.dwMinorVersion;
  }
  FreeLibrary(comctl);
  return version;
}

bool ApplicationThemed() {
  HMODULE uxtheme = LoadLibraryW(u"uxtheme.dll");
  if (uxtheme == nullptr) return false;
  using IsThemedRoutine = BOOL (*)();
  auto isThemed = reinterpret_cast<IsThemedRoutine>(GetProcAddress(uxtheme, "IsAppThemed"));
  const bool themed = isThemed != nullptr && isThemed() != 0;
  FreeLibrary(uxtheme);
  return themed;
}

}  // namespace

void DrawingBlendInit() {
  g_msimg32 = LoadLibraryW(u"msimg32.dll");
  g_alphaBlend = g_msimg32 ? reinterpret_cast<AlphaBlendRoutine>(GetProcAddress(g_msimg32, "AlphaBlend")) : nullptr;
  g_themed = CommonControlsVersion() > 0x5FFFF && ApplicationThemed();
}

void DrawingShutdown() {
  if (g_msimg32 != nullptr) FreeLibrary(g_msimg32);
  g_msimg32 = nullptr;
  g_alphaBlend = nullptr;
}

AlphaBlendRoutine DrawingAlphaBlend() { return g_alphaBlend; }

bool DrawingThemedControls() { return g_themed; }

bool ImageHasAlpha(HGDIOBJ bitmap) {
  if (g_alphaBlend == nullptr || GetObjectType(bitmap) != OBJ_BITMAP) return false;
  DIBSECTION section{};
  const int described = GetObjectW(bitmap, sizeof section, &section);
  if (described == sizeof(DIBSECTION)) return section.dsBm.bmBitsPixel == 32;
  if (described < static_cast<int>(sizeof(BITMAP)) || section.dsBm.bmBitsPixel != 32) return false;
  // A device bitmap: look for any pixel with a non-zero alpha byte.
  const LONG width = section.dsBm.bmWidth, height = section.dsBm.bmHeight;
  auto* pixels = static_cast<uint32_t*>(HeapAlloc(MainHeap(), 0, static_cast<size_t>(width) * height * 4));
  if (pixels == nullptr) return false;
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC dc = CreateCompatibleDC(nullptr);
  const int lines = dc ? GetDIBits(dc, static_cast<HBITMAP>(bitmap), 0, static_cast<UINT>(height), pixels, &info, DIB_RGB_COLORS) : 0;
  if (dc) DeleteDC(dc);
  bool alpha = false;
  for (int64_t i = 0; lines == height && i < int64_t{width} * height && !alpha; ++i) alpha = pixels[i] > 0xFFFFFF;
  HeapFree(MainHeap(), 0, pixels);
  return alpha;
}
