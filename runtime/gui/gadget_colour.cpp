// Colours of colour-capable gadgets (a front colour, a back colour and its brush in the
// record's kind words), the brush cache all gadgets share, and text measuring for the sizes
// kinds report. The cache is locked because brushes are shared by every gadget.
#include <string>
#include <vector>

#include "core/constants.h"
#include "gadget_internal.h"
#include "text.h"

namespace {

struct CachedBrush {
  COLORREF colour;
  HBRUSH brush;
  int64_t references;
};

struct BrushCache {
  CRITICAL_SECTION lock;
  std::vector<CachedBrush> brushes;
  BrushCache() { InitializeCriticalSection(&lock); }
};

BrushCache& Cache() {
  static BrushCache* cache = new BrushCache;  // outlives every gadget, also at process end
  return *cache;
}

HBRUSH BrushOf(int64_t word) { return reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(word)); }

}  // namespace

HBRUSH GadgetBrushAcquire(COLORREF colour) {
  BrushCache& cache = Cache();
  EnterCriticalSection(&cache.lock);
  HBRUSH brush = nullptr;
  for (CachedBrush& entry : cache.brushes) {
    if (entry.colour == colour) {
      ++entry.references;
      brush = entry.brush;
      break;
    }
  }
  if (brush == nullptr) {
    brush = CreateSolidBrush(colour);
    if (brush) cache.brushes.push_back(CachedBrush{colour, brush, 1});
  }
  LeaveCriticalSection(&cache.lock);
  return brush;
}

void GadgetBrushRelease(HBRUSH brush) {
  if (brush == nullptr) return;
  BrushCache& cache = Cache();
  EnterCriticalSection(&cache.lock);
  for (size_t i = 0; i < cache.brushes.size(); ++i) {
    if (cache.brushes[i].brush != brush) continue;
    if (--cache.brushes[i].references <= 0) {
      DeleteObject(brush);
      cache.brushes.erase(cache.brushes.begin() + static_cast<std::ptrdiff_t>(i));
    }
    break;
  }
  LeaveCriticalSection(&cache.lock);
}

int64_t GadgetBrushCount() {
  BrushCache& cache = Cache();
  EnterCriticalSection(&cache.lock);
  auto count = static_cast<int64_t>(cache.brushes.size());
  LeaveCriticalSection(&cache.lock);
  return count;
}

void GadgetColoursReset(GadgetRecord* record, int64_t front) {
  record->kindWords[kBackColourWord] = -1;
  record->kindWords[kFrontColourWord] = front;
  record->kindWords[kBackBrushWord] = 0;
}

void GadgetColourSet(int64_t gadget, int64_t which, int64_t colour) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return;
  if (which == 1) {
    record->kindWords[kFrontColourWord] = colour;
  } else if (which == 2) {
    GadgetBrushRelease(BrushOf(record->kindWords[kBackBrushWord]));
    record->kindWords[kBackBrushWord] = 0;
    record->kindWords[kBackColourWord] = colour;
    if (colour != -1) {
      record->kindWords[kBackBrushWord] =
          static_cast<int64_t>(reinterpret_cast<uintptr_t>(GadgetBrushAcquire(static_cast<COLORREF>(colour & 0xFFFFFF))));
    }
  } else {
    return;
  }
  RedrawWindow(record->handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

int64_t GadgetColourGet(int64_t gadget, int64_t which) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return -1;
  if (which == 1) return record->kindWords[kFrontColourWord];
  if (which == 2) return record->kindWords[kBackColourWord];
  return -1;
}

void GadgetColoursFree(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr) return;
  GadgetBrushRelease(BrushOf(record->kindWords[kBackBrushWord]));
  record->kindWords[kBackBrushWord] = 0;
}

LRESULT GadgetColourMessage(int64_t gadget, HDC dc, int systemColour) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (record == nullptr || dc == nullptr) return CV_NotHandled;
  int64_t front = record->kindWords[kFrontColourWord];
  int64_t back = record->kindWords[kBackColourWord];
  if (front != -1) SetTextColor(dc, static_cast<COLORREF>(front & 0xFFFFFF));
  if (back != -1 && record->kindWords[kBackBrushWord]) {
    SetBkColor(dc, static_cast<COLORREF>(back & 0xFFFFFF));
    return static_cast<LRESULT>(record->kindWords[kBackBrushWord]);
  }
  if (front != -1) {
    SetBkColor(dc, GetSysColor(systemColour));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(systemColour));
  }
  return CV_NotHandled;
}

SIZE GadgetMeasureText(HWND control, UINT format, HFONT font) {
  int length = GetWindowTextLengthW(control);
  std::u16string text(static_cast<size_t>(length > 0 ? length : 0) + 1, u'\0');
  if (length > 0) length = GetWindowTextW(control, text.data(), length + 1);
  text.resize(static_cast<size_t>(length > 0 ? length : 0));
  return GadgetMeasureString(control, text.c_str(), format, font);
}

SIZE GadgetMeasureString(HWND control, const char16_t* text, UINT format, HFONT font) {
  SIZE size{0, 0};
  int length = 0;
  while (text && text[length]) ++length;
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) return size;
  if (font == nullptr) font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  RECT area{0, 0, 0, 0};
  if (length > 0) {
    DrawTextW(dc, text, length, &area, format | DT_CALCRECT);
  } else {
    // An empty text still takes a line's height.
    DrawTextW(dc, u" ", 1, &area, format | DT_CALCRECT);
    area.right = area.left;
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  size.cx = area.right - area.left;
  size.cy = area.bottom - area.top;
  return size;
}
