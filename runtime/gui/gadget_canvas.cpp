// The canvas kind (kind 33): the "CorvusCanvas" window class, the canvas's backing bitmap and
// how it is painted and kept across resizes, the mouse, wheel, key and focus events with the
// record each one carries, the attributes that read them, and the drawing output over the
// bitmap. The cursor table, the clip holder and the wheel remainder are shared by all canvases.
#include "gadget_canvas.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/constants.h"
#include "core/pool.h"
#include "gadget_internal.h"
#include "image/drawing.h"
#include "image/drawing_context.h"
#include "image/image.h"
#include "window.h"

namespace {

// Kind words of a canvas's gadget record.
constexpr int kBitmapWord = 0;
constexpr int kFlagsWord = 1;
constexpr int kStateWord = 2;   // low byte: cursor number; bit 16: the mouse is inside
constexpr int kCursorWord = 3;

constexpr int64_t kMouseInside = 0x10000;
constexpr int64_t kCustomCursor = 254;
constexpr int kCursorCount = 12;
constexpr int kBorderShrink = 4;  // the client edge takes two pixels on every side

// What one canvas event carries; read back through the event attributes.
struct CanvasEvent {
  int32_t mouseX;
  int32_t mouseY;
  int32_t buttons;
  int32_t key;
  int32_t modifiers;
  int32_t wheel;
  int32_t input;
};

// System cursor resources in cursor-number order; 0 stands for "no cursor at all".
constexpr uintptr_t kCursorResources[kCursorCount] = {32512, 32515, 32513, 32649, 32514, 32648,
                                                      32646, 32644, 32645, 32642, 32643, 0};

struct CanvasShared {
  HCURSOR cursors[kCursorCount];
  bool cursorLoaded[kCursorCount];
  ElementPool* pool;    // canvas event records
  HWND clipHolder;      // the canvas confining the cursor, if any
  int32_t wheelRemainder;
};

CanvasShared g_canvas{};

int64_t HandleValue(const void* handle) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(handle)); }
template <typename Handle>
Handle AsHandle(int64_t value) {
  return reinterpret_cast<Handle>(static_cast<uintptr_t>(value));
}

HCURSOR CursorFor(int number) {
  if (!g_canvas.cursorLoaded[number]) {
    uintptr_t resource = kCursorResources[number];
    g_canvas.cursors[number] =
        resource ? LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(resource)) : nullptr;
    g_canvas.cursorLoaded[number] = true;
  }
  return g_canvas.cursors[number];
}

// The canvas record behind a control, null for controls that are not (or no longer) canvases.
GadgetRecord* CanvasRecordOf(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  return record && record->kind && record->kind->kind == GADGET_KIND_CANVAS ? record : nullptr;
}

HBITMAP BitmapOf(const GadgetRecord* record) { return AsHandle<HBITMAP>(record->kindWords[kBitmapWord]); }

void ReleaseCanvasOutput(DrawingContext* context, int64_t repaint);

// The open drawing's device context when it draws into `bitmap`: the bitmap is selected there
// and can be neither selected elsewhere nor deleted until the drawing lets go of it.
HDC DrawingDcHolding(HBITMAP bitmap) {
  DrawingContext* context = DrawingCurrent();
  if (bitmap == nullptr || context == nullptr || context->ops.release != ReleaseCanvasOutput) return nullptr;
  return context->outputBitmap == bitmap ? context->outputDc : nullptr;
}

void DeleteBacking(HBITMAP bitmap) {
  // A bitmap an open drawing still holds is deleted when that drawing lets go of it.
  if (bitmap && DrawingDcHolding(bitmap) == nullptr) DeleteObject(bitmap);
}

bool SectionOf(HBITMAP bitmap, DIBSECTION* section) {
  *section = DIBSECTION{};
  return bitmap && GetObjectW(bitmap, sizeof *section, section) == static_cast<int>(sizeof *section) &&
         section->dsBm.bmBits != nullptr;
}

// A 24-bit section with its pixel address; null when either cannot be had.
HBITMAP Section24(LONG width, LONG height, bool bottomUp, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = bottomUp ? height : -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  *bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
  if (bitmap && *bits == nullptr) {
    DeleteObject(bitmap);
    bitmap = nullptr;
  }
  return bitmap;
}

// A white 24-bit bottom-up section the size of the control's inside, holding the top-left part
// of the old picture when there is one.
HBITMAP MakeBacking(HWND control, int64_t flags, HBITMAP old) {
  RECT frame{};
  GetWindowRect(control, &frame);
  const int shrink = (flags & CV_Canvas_Border) ? kBorderShrink : 0;
  const LONG width = std::max<LONG>(1, frame.right - frame.left - shrink);
  const LONG height = std::max<LONG>(1, frame.bottom - frame.top - shrink);
  void* bits = nullptr;
  HBITMAP bitmap = Section24(width, height, true, &bits);
  if (bitmap == nullptr) return nullptr;
  const int64_t stride = ImageRowStride(width, 24);
  std::memset(bits, 0xFF, static_cast<size_t>(stride * height));
  DIBSECTION previous;
  if (old && SectionOf(old, &previous) && previous.dsBm.bmBitsPixel == 24) {
    // Row by row in memory, so that a bitmap held by an open drawing can be copied as well.
    GdiFlush();
    const LONG rows = std::min<LONG>(height, previous.dsBm.bmHeight);
    const size_t bytes = static_cast<size_t>(std::min<LONG>(width, previous.dsBm.bmWidth)) * 3;
    for (LONG y = 0; y < rows; ++y) {
      const auto* from = static_cast<const uint8_t*>(previous.dsBm.bmBits) +
                         static_cast<ptrdiff_t>(previous.dsBm.bmHeight - 1 - y) * previous.dsBm.bmWidthBytes;
      auto* to = static_cast<uint8_t*>(bits) + static_cast<ptrdiff_t>(height - 1 - y) * stride;
      std::memcpy(to, from, bytes);
    }
  }
  return bitmap;
}

// Copies the bitmap (or white where there is none) into `dc` at (0, 0).
void DrawPicture(HDC dc, const RECT& client, HBITMAP bitmap) {
  DIBSECTION section;
  if (bitmap == nullptr || !SectionOf(bitmap, &section)) {
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    return;
  }
  const int width = section.dsBm.bmWidth, height = section.dsBm.bmHeight;
  if (HDC holder = DrawingDcHolding(bitmap)) {
    BitBlt(dc, 0, 0, width, height, holder, 0, 0, SRCCOPY);
    return;
  }
  HDC source = CreateCompatibleDC(dc);
  if (source == nullptr) return;
  HGDIOBJ previous = SelectObject(source, bitmap);
  if (previous) {
    BitBlt(dc, 0, 0, width, height, source, 0, 0, SRCCOPY);
    SelectObject(source, previous);
  }
  DeleteDC(source);
}

// A dotted rectangle drawn by inverting every other pixel, so that it shows on any picture;
// `pixels` is a top-down 24-bit buffer of `width` x `height`.
void InvertDottedFrame(uint8_t* pixels, int64_t stride, const RECT& frame, LONG width, LONG height) {
  auto invert = [&](LONG x, LONG y) {
    if (x < 0 || y < 0 || x >= width || y >= height || ((x + y) & 1)) return;
    uint8_t* pixel = pixels + static_cast<ptrdiff_t>(y) * stride + static_cast<ptrdiff_t>(x) * 3;
    for (int channel = 0; channel < 3; ++channel) pixel[channel] = static_cast<uint8_t>(~pixel[channel]);
  };
  if (frame.right <= frame.left || frame.bottom <= frame.top) return;
  for (LONG x = frame.left; x < frame.right; ++x) {
    invert(x, frame.top);
    if (frame.bottom - 1 != frame.top) invert(x, frame.bottom - 1);
  }
  for (LONG y = frame.top + 1; y < frame.bottom - 1; ++y) {
    invert(frame.left, y);
    if (frame.right - 1 != frame.left) invert(frame.right - 1, y);
  }
}

// Paints the canvas into `target`, or into the control's own device context when null. With
// the focus rectangle the picture is composed off-screen first and copied in one block.
void Paint(HWND control, const GadgetRecord* record, HDC target) {
  HDC own = nullptr;
  if (target == nullptr) target = own = GetDC(control);
  if (target == nullptr) return;
  RECT client{};
  GetClientRect(control, &client);
  HBITMAP bitmap = BitmapOf(record);
  const bool focusFrame = (record->kindWords[kFlagsWord] & CV_Canvas_DrawFocus) && GetFocus() == control;
  bool painted = false;
  if (focusFrame && client.right > 0 && client.bottom > 0) {
    void* bits = nullptr;
    HBITMAP composed = Section24(client.right, client.bottom, false, &bits);  // top-down: rows in picture order
    HDC scratch = composed ? CreateCompatibleDC(target) : nullptr;
    HGDIOBJ previous = scratch ? SelectObject(scratch, composed) : nullptr;
    if (previous) {
      FillRect(scratch, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      DrawPicture(scratch, client, bitmap);
      GdiFlush();
      RECT frame = client;
      InflateRect(&frame, -2, -2);
      InvertDottedFrame(static_cast<uint8_t*>(bits), ImageRowStride(client.right, 24), frame, client.right,
                        client.bottom);
      BitBlt(target, 0, 0, client.right, client.bottom, scratch, 0, 0, SRCCOPY);
      SelectObject(scratch, previous);
      painted = true;
    }
    if (scratch) DeleteDC(scratch);
    if (composed) DeleteObject(composed);
  }
  if (!painted) DrawPicture(target, client, bitmap);
  if (own) ReleaseDC(control, own);
}

void ReturnRecord(void* data) {
  // After the gadget library shut down the pool is forgotten: its storage goes with the heap.
  if (g_canvas.pool && data) PoolFree(g_canvas.pool, data);
}

bool KeyHeld(int virtualKey) { return GetKeyState(virtualKey) < 0; }

int32_t HeldButtons() {
  return (KeyHeld(VK_LBUTTON) ? 1 : 0) | (KeyHeld(VK_RBUTTON) ? 2 : 0) | (KeyHeld(VK_MBUTTON) ? 4 : 0);
}

// Posts a canvas event with its record: where the message happened, the buttons and modifier
// keys held then, and what the event itself gives.
void PostCanvasEvent(int64_t gadget, HWND control, int64_t type, int32_t key = 0, int32_t wheel = 0,
                     int32_t input = 0) {
  auto* event = g_canvas.pool ? static_cast<CanvasEvent*>(PoolAllocZeroed(g_canvas.pool)) : nullptr;
  if (event) {
    DWORD position = GetMessagePos();
    POINT point{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    ScreenToClient(control, &point);
    event->mouseX = point.x;
    event->mouseY = point.y;
    event->buttons = HeldButtons();
    event->key = key;
    event->modifiers = (KeyHeld(VK_SHIFT) ? 1 : 0) | (KeyHeld(VK_MENU) ? 2 : 0) | (KeyHeld(VK_CONTROL) ? 4 : 0);
    event->wheel = wheel;
    event->input = input;
  }
  EventPost(EC_GADGET, gadget, GadgetWindowOf(control), type, event, event ? ReturnRecord : nullptr);
}

void ConfineCursor(HWND control) {
  RECT client{};
  GetClientRect(control, &client);
  MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&client), 2);
  ClipCursor(&client);
  g_canvas.clipHolder = control;
}

// Lets go of the cursor clip and the capture when this canvas holds the clip.
void ReleaseClip(HWND control) {
  if (g_canvas.clipHolder != control) return;
  g_canvas.clipHolder = nullptr;
  ClipCursor(nullptr);
  if (GetCapture() == control) ReleaseCapture();
}

void ButtonDown(int64_t gadget, HWND control, GadgetRecord* record, int32_t button, int64_t downType,
                int64_t doubleType) {
  // The activation message comes only when the window was not active yet; a click in an active
  // window must give a keyboard canvas the focus as well.
  if ((record->kindWords[kFlagsWord] & CV_Canvas_Keyboard) && GetFocus() != control) SetFocus(control);
  if (HeldButtons() == button) {
    SetCapture(control);
    if (record->kindWords[kFlagsWord] & CV_Canvas_ClipMouse) ConfineCursor(control);
  }
  PostCanvasEvent(gadget, control, downType);
  if (doubleType >= 0) PostCanvasEvent(gadget, control, doubleType);
}

void ButtonUp(int64_t gadget, HWND control, GadgetRecord* record, LPARAM lParam, int64_t upType, int64_t clickType) {
  RECT frame{};
  GetWindowRect(control, &frame);
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  const bool inside = x >= 0 && y >= 0 && x < frame.right - frame.left && y < frame.bottom - frame.top;
  if (!(inside && GetCapture() == control)) clickType = -1;
  if (HeldButtons() == 0) {
    if (record->kindWords[kFlagsWord] & CV_Canvas_ClipMouse) ReleaseClip(control);
    // Also when the clip went elsewhere meanwhile: a capture must not outlive the buttons.
    if (GetCapture() == control) ReleaseCapture();
  }
  PostCanvasEvent(gadget, control, upType);
  if (clickType >= 0) PostCanvasEvent(gadget, control, clickType);
}

void ShowCursorIfInside(const GadgetRecord* record) {
  if (record->kindWords[kStateWord] & kMouseInside) SetCursor(AsHandle<HCURSOR>(record->kindWords[kCursorWord]));
}

LRESULT CanvasProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  int64_t gadget = GetPropW(control, u"CV_Gadget") ? GadgetNumberOf(control) : -1;
  GadgetRecord* record = gadget == -1 ? nullptr : CanvasRecordOf(gadget);
  if (record == nullptr) return DefWindowProcW(control, message, wParam, lParam);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(control, &paint);
      if (dc) Paint(control, record, dc);
      EndPaint(control, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      Paint(control, record, reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_PRINT:
    case WM_PRINTCLIENT:
      Paint(control, record, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      PostCanvasEvent(gadget, control, message == WM_SETFOCUS ? ET_FOCUS : ET_LOST_FOCUS);
      InvalidateRect(control, nullptr, FALSE);
      return 0;
    case WM_ENABLE:
      if (!wParam) ReleaseClip(control);
      InvalidateRect(control, nullptr, FALSE);
      return 0;
    case WM_SIZE: {
      HBITMAP old = BitmapOf(record);
      if (HBITMAP bitmap = MakeBacking(control, record->kindWords[kFlagsWord], old)) {
        record->kindWords[kBitmapWord] = HandleValue(bitmap);
        DeleteBacking(old);
      }
      InvalidateRect(control, nullptr, FALSE);
      return 0;
    }
    case WM_CAPTURECHANGED:
      // Another window took the mouse in the middle of a drag: the button release will not
      // come here, so the cursor must not stay confined to the canvas.
      if (g_canvas.clipHolder == control && reinterpret_cast<HWND>(lParam) != control) {
        g_canvas.clipHolder = nullptr;
        ClipCursor(nullptr);
      }
      return 0;
    case WM_SETCURSOR:
      SetCursor(AsHandle<HCURSOR>(record->kindWords[kCursorWord]));
      return 1;
    case WM_MOUSEACTIVATE:
      if (!(record->kindWords[kFlagsWord] & CV_Canvas_Keyboard)) break;
      SetFocus(control);
      InvalidateRect(control, nullptr, FALSE);
      return MA_NOACTIVATE;
    case WM_KEYDOWN:
    case WM_KEYUP:
      PostCanvasEvent(gadget, control, message == WM_KEYDOWN ? ET_KEY_DOWN : ET_KEY_UP, static_cast<int32_t>(wParam));
      return 0;
    case WM_CHAR:
      if (wParam >= 32) PostCanvasEvent(gadget, control, ET_INPUT, 0, 0, static_cast<int32_t>(wParam));
      return 0;
    case WM_MOUSEMOVE:
      if (record->kindWords[kStateWord] & kMouseInside) {
        PostCanvasEvent(gadget, control, ET_MOUSE_MOVE);
      } else {
        record->kindWords[kStateWord] |= kMouseInside;
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, control, 0};
        TrackMouseEvent(&track);
        PostCanvasEvent(gadget, control, ET_MOUSE_ENTER);
      }
      return 0;
    case WM_MOUSELEAVE:
      record->kindWords[kStateWord] &= ~kMouseInside;
      PostCanvasEvent(gadget, control, ET_MOUSE_LEAVE);
      return 0;
    case WM_LBUTTONDOWN: ButtonDown(gadget, control, record, 1, ET_LEFT_BUTTON_DOWN, -1); return 0;
    case WM_LBUTTONDBLCLK: ButtonDown(gadget, control, record, 1, ET_LEFT_BUTTON_DOWN, ET_LEFT_DOUBLE_CLICK); return 0;
    case WM_RBUTTONDOWN: ButtonDown(gadget, control, record, 2, ET_RIGHT_BUTTON_DOWN, -1); return 0;
    case WM_RBUTTONDBLCLK: ButtonDown(gadget, control, record, 2, ET_RIGHT_BUTTON_DOWN, ET_RIGHT_DOUBLE_CLICK); return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: ButtonDown(gadget, control, record, 4, ET_MIDDLE_BUTTON_DOWN, -1); return 0;
    case WM_LBUTTONUP: ButtonUp(gadget, control, record, lParam, ET_LEFT_BUTTON_UP, ET_LEFT_CLICK); return 0;
    case WM_RBUTTONUP: ButtonUp(gadget, control, record, lParam, ET_RIGHT_BUTTON_UP, ET_RIGHT_CLICK); return 0;
    case WM_MBUTTONUP: ButtonUp(gadget, control, record, lParam, ET_MIDDLE_BUTTON_UP, -1); return 0;
    case WM_MOUSEWHEEL: {
      g_canvas.wheelRemainder += GET_WHEEL_DELTA_WPARAM(wParam);
      const int32_t steps = g_canvas.wheelRemainder / WHEEL_DELTA;  // truncates toward zero
      if (steps != 0) {
        g_canvas.wheelRemainder -= steps * WHEEL_DELTA;
        PostCanvasEvent(gadget, control, ET_MOUSE_WHEEL, 0, steps);
      }
      return 0;
    }
    default: break;
  }
  return DefWindowProcW(control, message, wParam, lParam);
}

bool RegisterCanvasClass() {
  static bool registered = false;
  if (registered) return true;
  WNDCLASSEXW canvasClass{};
  canvasClass.cbSize = sizeof canvasClass;
  canvasClass.style = CS_DBLCLKS;
  canvasClass.lpfnWndProc = CanvasProcedure;
  canvasClass.hInstance = GetModuleHandleW(nullptr);
  canvasClass.lpszClassName = u"CorvusCanvas";
  registered = RegisterClassExW(&canvasClass) != 0;
  return registered;
}

// ---- kind slots ----

void CanvasFree(int64_t gadget) {
  GadgetRecord* record = CanvasRecordOf(gadget);
  if (record == nullptr) return;
  ReleaseClip(record->handle);
  DeleteBacking(BitmapOf(record));
  record->kindWords[kBitmapWord] = 0;
  RemovePropW(record->handle, u"CV_Gadget");
}

// The record of the current event when it is an event of this canvas.
const CanvasEvent* CurrentEventOf(int64_t gadget) {
  if (EventGetCode() != EC_GADGET || EventSourceGadget() != gadget) return nullptr;
  return static_cast<const CanvasEvent*>(EventGetData());
}

int64_t CanvasGetAttribute(int64_t gadget, int64_t attribute) {
  GadgetRecord* record = CanvasRecordOf(gadget);
  if (record == nullptr) return 0;
  switch (attribute) {
    case CA_IMAGE: return record->kindWords[kBitmapWord];
    case CA_CURSOR: {
      int64_t number = record->kindWords[kStateWord] & 0xFF;
      return number == kCustomCursor ? -1 : number;
    }
    case CA_CLIP: return g_canvas.clipHolder == record->handle ? 1 : 0;
    case CA_CUSTOM_CURSOR:
      return (record->kindWords[kStateWord] & 0xFF) == kCustomCursor ? record->kindWords[kCursorWord] : 0;
    default: break;
  }
  const CanvasEvent* event = CurrentEventOf(gadget);
  if (event == nullptr) return 0;
  switch (attribute) {
    case CA_MOUSE_X: return event->mouseX;
    case CA_MOUSE_Y: return event->mouseY;
    case CA_BUTTONS: return event->buttons;
    case CA_KEY: return event->key;
    case CA_MODIFIERS: return event->modifiers;
    case CA_WHEEL_DELTA: return event->wheel;
    case CA_INPUT: return event->input;
    default: return 0;
  }
}

// Copies a bitmap of the program's into the canvas at (0, 0), as far as it reaches.
void CopyPictureIn(HWND control, GadgetRecord* record, HBITMAP picture) {
  BITMAP size{};
  if (GetObjectType(picture) != OBJ_BITMAP || !GetObjectW(picture, sizeof size, &size)) return;
  HBITMAP bitmap = BitmapOf(record);
  HDC target = DrawingDcHolding(bitmap);
  HDC own = target ? nullptr : CreateCompatibleDC(nullptr);
  HGDIOBJ ownPrevious = own ? SelectObject(own, bitmap) : nullptr;
  if (own && ownPrevious) target = own;
  HDC source = target ? CreateCompatibleDC(nullptr) : nullptr;
  HGDIOBJ sourcePrevious = source ? SelectObject(source, picture) : nullptr;
  if (sourcePrevious) {
    BitBlt(target, 0, 0, size.bmWidth, std::abs(size.bmHeight), source, 0, 0, SRCCOPY);
    SelectObject(source, sourcePrevious);
  }
  if (source) DeleteDC(source);
  if (ownPrevious) SelectObject(own, ownPrevious);
  if (own) DeleteDC(own);
  if (sourcePrevious) Paint(control, record, nullptr);
}

void CanvasSetAttribute(int64_t gadget, int64_t attribute, int64_t value) {
  GadgetRecord* record = CanvasRecordOf(gadget);
  if (record == nullptr) return;
  HWND control = record->handle;
  switch (attribute) {
    case CA_IMAGE:
      if (value != 0) CopyPictureIn(control, record, AsHandle<HBITMAP>(value));
      break;
    case CA_CURSOR:
      if (value < 0 || value >= kCursorCount) break;
      record->kindWords[kStateWord] = (record->kindWords[kStateWord] & ~int64_t{0xFF}) | value;
      record->kindWords[kCursorWord] = HandleValue(CursorFor(static_cast<int>(value)));
      ShowCursorIfInside(record);
      break;
    case CA_CUSTOM_CURSOR:
      if (value == 0) break;
      record->kindWords[kStateWord] = (record->kindWords[kStateWord] & ~int64_t{0xFF}) | kCustomCursor;
      record->kindWords[kCursorWord] = value;
      ShowCursorIfInside(record);
      break;
    case CA_CLIP:
      if (value != 0) {
        if (g_canvas.clipHolder == control) break;
        ConfineCursor(control);
        SetCapture(control);
      } else {
        ReleaseClip(control);
      }
      break;
    default: break;
  }
}

void CanvasActivate(int64_t gadget) {
  GadgetRecord* record = CanvasRecordOf(gadget);
  if (record && (record->kindWords[kFlagsWord] & CV_Canvas_Keyboard)) SetFocus(record->handle);
}

GadgetKindTable* CanvasKind() {
  static GadgetKindTable table = [] {
    GadgetKindTable kind{};
    kind.kind = GADGET_KIND_CANVAS;
    kind.size = sizeof(GadgetKindTable);
    kind.free = CanvasFree;
    kind.getAttribute = CanvasGetAttribute;
    kind.setAttribute = CanvasSetAttribute;
    kind.activate = CanvasActivate;
    return kind;
  }();
  return &table;
}

// ---- the drawing output ----

// Lets go of the output's device context and the batch limit; after a finished drawing the
// canvas shows the new picture at once. A canvas freed or resized meanwhile left its old bitmap
// to the drawing, which deletes it here.
void ReleaseCanvasOutput(DrawingContext* context, int64_t repaint) {
  if (context->outputDc) {
    SelectObject(context->outputDc, context->outputPrevious);
    DeleteDC(context->outputDc);
    context->outputDc = nullptr;
  }
  GdiSetBatchLimit(context->savedBatchLimit);
  GadgetRecord* record = CanvasRecordOf(context->outputGadget);
  const bool current = record && BitmapOf(record) == context->outputBitmap;
  if (!current && context->outputBitmap) DeleteObject(context->outputBitmap);
  context->outputBitmap = nullptr;
  if (repaint == 1 && record) Paint(record->handle, record, nullptr);
}

}  // namespace

int64_t GadgetCanvasCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, int64_t flags) {
  GadgetKindTable* kind = CanvasKind();
  if (g_canvas.pool == nullptr) {
    g_canvas.pool = PoolCreate(sizeof(CanvasEvent), 32, 1024, 0);
    if (g_canvas.pool == nullptr) return 0;
  }
  CursorFor(0);
  if (!RegisterCanvasClass()) return 0;
  DWORD exStyle = (flags & CV_Canvas_Border) ? WS_EX_CLIENTEDGE : 0;
  DWORD style = WS_VISIBLE;
  if (flags & CV_Canvas_Keyboard) style |= WS_GROUP | WS_TABSTOP;
  HWND control;
  GadgetRecord* record = GadgetCreateControl(gadget, exStyle, u"CorvusCanvas", u"", style, x, y, width, height, &control);
  if (record == nullptr) return 0;
  SetPropW(control, u"CV_Gadget", record);
  record->kindWords[kBitmapWord] = 0;
  record->kindWords[kFlagsWord] = flags;
  record->kindWords[kStateWord] = 0;
  record->kindWords[kCursorWord] = HandleValue(CursorFor(0));
  HBITMAP bitmap = MakeBacking(control, flags, nullptr);
  if (bitmap == nullptr) {
    // The record still has no control: destroying the window leaves it alone, and the number
    // goes back to the registry here.
    RemovePropW(control, u"CV_Gadget");
    GadgetCreateAbandon(gadget, record, control);
    return 0;
  }
  record->kindWords[kBitmapWord] = HandleValue(bitmap);
  return GadgetRegister(gadget, record, control, kind);
}

int64_t GadgetCanvasOutput(int64_t gadget) {
  GadgetRecord* record = CanvasRecordOf(gadget);
  if (record == nullptr) return 0;
  HBITMAP bitmap = BitmapOf(record);
  DIBSECTION section;
  if (!SectionOf(bitmap, &section) || section.dsBm.bmBitsPixel != 24) return 0;
  // The context comes first: making it lets go of an earlier output that was never begun,
  // which may still hold this very bitmap.
  DrawingContext* context = DrawingContextNew(kDrawingFormatBottomUp | kDrawingFormat3Bytes);
  if (context == nullptr) return 0;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = dc ? SelectObject(dc, bitmap) : nullptr;
  if (previous == nullptr) {
    // Left without an output routine, the empty context goes with the next one made.
    if (dc) DeleteDC(dc);
    return 0;
  }
  context->outputBitmap = bitmap;
  context->outputGadget = gadget;
  context->savedBatchLimit = GdiSetBatchLimit(1);
  context->outputDc = dc;
  context->outputPrevious = previous;
  context->buffer = static_cast<uint8_t*>(section.dsBm.bmBits);
  context->stride = ImageRowStride(section.dsBm.bmWidth, 24);
  context->fullWidth = section.dsBm.bmWidth;
  context->fullHeight = section.dsBm.bmHeight;
  context->bitsPerPixel = 24;
  context->startReturnsBuffer = false;
  context->ops.release = ReleaseCanvasOutput;
  return HandleValue(context);
}

void GadgetCanvasShutdown() {
  if (g_canvas.clipHolder) ClipCursor(nullptr);
  g_canvas.clipHolder = nullptr;
  g_canvas.pool = nullptr;
  g_canvas.wheelRemainder = 0;
}
