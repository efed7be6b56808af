// The image kind (kind 9): a notifying "STATIC" that paints a bitmap or icon itself, blending
// 32-bit bitmaps with alpha through a premultiplied copy, sizes itself to the picture, and
// reports clicks, double clicks and the start of a drag.
#include <cstdlib>

#include "controls/controls.h"
#include "core/constants.h"
#include "core/heap.h"
#include "gadget_internal.h"
#include "image/image.h"

namespace {

constexpr int kStateWord = 0;

struct ImageState {
  WNDPROC previous;
  HANDLE picture;     // the bitmap or icon shown (the caller's; not owned)
  HBITMAP alphaCopy;  // premultiplied copy of a bitmap with alpha, owned
  int64_t flags;
  POINT down;
  bool tracking;      // the left button went down here and no drag has started
  bool rightDouble;   // the next right button release ends a double click
};

ImageState* StateOf(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  return record ? reinterpret_cast<ImageState*>(static_cast<uintptr_t>(record->kindWords[kStateWord])) : nullptr;
}

bool Framed(const ImageState* state) { return (state->flags & CV_Image_Border) || (state->flags & CV_Image_Raised); }

// A premultiplied 32-bit copy, which is what per-pixel blending takes.
HBITMAP PremultipliedCopy(HBITMAP bitmap) {
  HBITMAP copy = ImageConvertForDrawing(bitmap, -1, -1);
  DIBSECTION section{};
  if (copy == nullptr || GetObjectW(copy, sizeof section, &section) != sizeof section || section.dsBm.bmBitsPixel != 32) {
    if (copy) DeleteObject(copy);
    return nullptr;
  }
  auto* rows = static_cast<uint8_t*>(section.dsBm.bmBits);
  for (LONG y = 0; y < section.dsBm.bmHeight; ++y) {
    uint8_t* pixel = rows + static_cast<ptrdiff_t>(y) * section.dsBm.bmWidthBytes;
    for (LONG x = 0; x < section.dsBm.bmWidth; ++x, pixel += 4) {
      unsigned alpha = pixel[3];
      for (int channel = 0; channel < 3; ++channel) pixel[channel] = static_cast<uint8_t>((pixel[channel] * alpha + 127) / 255);
    }
  }
  return copy;
}

SIZE PictureSize(HANDLE picture) {
  SIZE size{0, 0};
  if (picture == nullptr) return size;
  BITMAP bitmap{};
  if (GetObjectType(picture) == OBJ_BITMAP) {
    if (GetObjectW(picture, sizeof bitmap, &bitmap)) size = SIZE{bitmap.bmWidth, std::abs(bitmap.bmHeight)};
    return size;
  }
  ICONINFO info{};
  if (!GetIconInfo(static_cast<HICON>(picture), &info)) return size;
  if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bitmap, &bitmap)) size = SIZE{bitmap.bmWidth, bitmap.bmHeight};
  else if (info.hbmMask && GetObjectW(info.hbmMask, sizeof bitmap, &bitmap)) size = SIZE{bitmap.bmWidth, bitmap.bmHeight / 2};
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return size;
}

void SetPicture(HWND control, ImageState* state, HANDLE picture) {
  state->picture = picture;
  if (state->alphaCopy) DeleteObject(state->alphaCopy);
  state->alphaCopy = nullptr;
  if (picture && GetObjectType(picture) == OBJ_BITMAP && ImageHasAlpha(picture)) {
    state->alphaCopy = PremultipliedCopy(static_cast<HBITMAP>(picture));
  }
  HWND parent = GetParent(control);
  RECT old{};
  GetWindowRect(control, &old);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&old), 2);
  InvalidateRect(parent, &old, TRUE);
  SIZE size = PictureSize(picture);
  if (size.cx > 0 && size.cy > 0) {
    int frame = Framed(state) ? 4 : 0;
    SetWindowPos(control, nullptr, 0, 0, size.cx + frame, size.cy + frame, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InvalidateRect(control, nullptr, TRUE);
}

void Paint(HWND control, ImageState* state) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(control, &paint);
  if (dc == nullptr) return;
  RECT client;
  GetClientRect(control, &client);
  auto brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(control), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                     reinterpret_cast<LPARAM>(control)));
  FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
  // Inside the raised frame the picture starts one pixel up and left, under the frame's inner edge.
  int at = (state->flags & CV_Image_Raised) && !(state->flags & CV_Image_Border) ? -1 : 0;
  SIZE size = PictureSize(state->picture);
  if (state->alphaCopy || (state->picture && GetObjectType(state->picture) == OBJ_BITMAP)) {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, state->alphaCopy ? state->alphaCopy : state->picture);
    if (state->alphaCopy) AlphaBlend(dc, at, at, size.cx, size.cy, source, 0, 0, size.cx, size.cy, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
    else BitBlt(dc, at, at, size.cx, size.cy, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
  } else if (state->picture) {
    DrawIconEx(dc, at, at, static_cast<HICON>(state->picture), 0, 0, 0, nullptr, DI_NORMAL);
  }
  EndPaint(control, &paint);
}

LRESULT ImageProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  int64_t gadget = GadgetNumberOf(control);
  ImageState* state = gadget == -1 ? nullptr : StateOf(gadget);
  if (state == nullptr) return GadgetProcedure(control, message, wParam, lParam);
  WNDPROC previous = state->previous;
  switch (message) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(control, state); return 0;
    case WM_LBUTTONDOWN:
      state->down = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      state->tracking = true;
      SetCapture(control);
      break;  // the control goes on to notify the click
    case WM_MOUSEMOVE:
      if (state->tracking && GetCapture() == control) {
        int dx = std::abs(GET_X_LPARAM(lParam) - state->down.x), dy = std::abs(GET_Y_LPARAM(lParam) - state->down.y);
        if (dx > GetSystemMetrics(SM_CXDRAG) || dy > GetSystemMetrics(SM_CYDRAG)) {
          state->tracking = false;
          ReleaseCapture();
          GadgetPostEvent(gadget, ET_DRAG_START);
        }
      }
      return 0;
    case WM_LBUTTONUP:
      state->tracking = false;
      if (GetCapture() == control) ReleaseCapture();
      return 0;
    case WM_CAPTURECHANGED: state->tracking = false; return 0;
    case WM_LBUTTONDBLCLK: GadgetPostEvent(gadget, ET_LEFT_DOUBLE_CLICK); break;
    case WM_RBUTTONDBLCLK:
      state->rightDouble = true;
      GadgetPostEvent(gadget, ET_RIGHT_DOUBLE_CLICK);
      return 0;
    case WM_RBUTTONUP:
      if (state->rightDouble) state->rightDouble = false;
      else GadgetPostEvent(gadget, ET_RIGHT_CLICK);
      return 0;
    default: break;
  }
  return CallWindowProcW(previous, control, message, wParam, lParam);
}

// The double click is reported by the image procedure itself; the control's own notification
// of it would otherwise arrive as a right click (its code is 1).
LRESULT ImageMessage(int64_t, HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND && HIWORD(wParam) == STN_DBLCLK) return 0;
  return CV_NotHandled;
}

int64_t ImageGetState(int64_t gadget) {
  ImageState* state = StateOf(gadget);
  return state ? static_cast<int64_t>(reinterpret_cast<uintptr_t>(state->picture)) : 0;
}

void ImageSetState(int64_t gadget, int64_t picture) {
  ImageState* state = StateOf(gadget);
  if (state) SetPicture(GadgetIsValid(gadget)->handle, state, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(picture)));
}

void ImagePictureFree(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  ImageState* state = StateOf(gadget);
  if (state == nullptr) return;
  if (state->alphaCopy) DeleteObject(state->alphaCopy);
  MainHeapFree(state);
  record->kindWords[kStateWord] = 0;
}

void ImageRequiredSize(int64_t gadget, int64_t* width, int64_t* height) {
  RECT frame{};
  GetWindowRect(GadgetIsValid(gadget)->handle, &frame);
  *width = frame.right - frame.left;
  *height = frame.bottom - frame.top;
}

GadgetKindTable* ImageKind() {
  static GadgetKindTable table = [] {
    GadgetKindTable kind{};
    kind.kind = GADGET_KIND_IMAGE;
    kind.size = sizeof(GadgetKindTable);
    kind.messageHandler = ImageMessage;
    kind.free = ImagePictureFree;
    kind.getState = ImageGetState;
    kind.setState = ImageSetState;
    kind.requiredSize = ImageRequiredSize;
    return kind;
  }();
  return &table;
}

}  // namespace

int64_t GadgetImageCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, int64_t image,
                          int64_t flags) {
  GadgetKindTable* kind = ImageKind();
  auto* state = static_cast<ImageState*>(MainHeapAlloc(sizeof(ImageState)));
  if (state == nullptr) return 0;
  state->flags = flags;
  DWORD exStyle = (flags & CV_Image_Border) ? WS_EX_CLIENTEDGE : 0;
  DWORD style = WS_VISIBLE | SS_NOTIFY;
  if ((flags & CV_Image_Raised) && !(flags & CV_Image_Border)) style |= WS_DLGFRAME;
  HWND control;
  GadgetRecord* record = GadgetCreateControl(gadget, exStyle, u"STATIC", u"", style, x, y, width, height, &control);
  if (record == nullptr) {
    MainHeapFree(state);
    return 0;
  }
  record->kindWords[kStateWord] = static_cast<int64_t>(reinterpret_cast<uintptr_t>(state));
  int64_t result = GadgetRegister(gadget, record, control, kind);
  state->previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ImageProcedure)));
  if (image) SetPicture(control, state, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(image)));
  return result;
}
