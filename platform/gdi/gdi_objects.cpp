// The table of live GDI objects and the calls that work on any object: stock objects,
// GetObjectType, GetObjectW, SelectObject, DeleteObject, solid brushes, the batch limit and
// the live-object count. Handles are counters that are never reused, so a deleted handle can
// never come to name another object.
#include <mutex>
#include <unordered_map>

#include "gdi_objects.h"
#include "kernel.h"

namespace platform {
namespace {

std::recursive_mutex g_gdiLock;
// Deliberately never destroyed: objects may still be deleted from static destructors.
std::unordered_map<uintptr_t, std::shared_ptr<GdiObject>>* g_objects;
// GDI handles are 2 modulo 4, kernel handles 0 modulo 4: the two never look alike.
uintptr_t g_nextHandle = 0x100002;
std::array<HGDIOBJ, STOCK_LAST + 1> g_stock{};
std::once_flag g_stockOnce;

std::unordered_map<uintptr_t, std::shared_ptr<GdiObject>>& Objects() {
  if (g_objects == nullptr) g_objects = new std::unordered_map<uintptr_t, std::shared_ptr<GdiObject>>;
  return *g_objects;
}

HGDIOBJ StockBrush(int index, UINT style, COLORREF colour) {
  auto brush = std::make_shared<GdiBrush>();
  brush->style = style;
  brush->colour = colour;
  return GdiStockObjectInstall(index, brush);
}

void MakeStockObjects() {
  StockBrush(WHITE_BRUSH, BS_SOLID, RGB(255, 255, 255));
  StockBrush(LTGRAY_BRUSH, BS_SOLID, RGB(192, 192, 192));
  StockBrush(GRAY_BRUSH, BS_SOLID, RGB(128, 128, 128));
  StockBrush(DKGRAY_BRUSH, BS_SOLID, RGB(64, 64, 64));
  StockBrush(BLACK_BRUSH, BS_SOLID, RGB(0, 0, 0));
  StockBrush(NULL_BRUSH, BS_NULL, 0);
  // Bit 0 of the default bitmap is black, as in a fresh monochrome bitmap.
  GdiStockObjectInstall(DEFAULT_BITMAP, GdiBitmapMake(1, 1, 1, false, true, nullptr, 0));
  FontStockObjectsMake();
}

void EnsureStockObjects() { std::call_once(g_stockOnce, MakeStockObjects); }

// Drops one DC's hold on an object; an object whose deletion was asked for goes once no DC
// holds it any more.
void Deselect(GdiObject& object) {
  if (object.stock) return;
  if (object.selections > 0) --object.selections;
  if (auto* bitmap = dynamic_cast<GdiBitmap*>(&object)) bitmap->selectedInto = nullptr;
  if (object.selections == 0 && object.deletePending) GdiHandleRemove(object.handle);
}

}  // namespace

int GdiObject::Describe(int, void*) const { return 0; }

int GdiBrush::Describe(int size, void* buffer) const {
  if (buffer == nullptr) return sizeof(LOGBRUSH);
  if (size < static_cast<int>(sizeof(LOGBRUSH))) return 0;
  LOGBRUSH brush{style, style == BS_NULL ? 0 : colour, 0};
  *static_cast<LOGBRUSH*>(buffer) = brush;
  return sizeof(LOGBRUSH);
}

HGDIOBJ GdiHandleNew(std::shared_ptr<GdiObject> object) {
  if (!object) return nullptr;
  std::lock_guard<std::recursive_mutex> guard(g_gdiLock);
  g_nextHandle += 4;
  object->handle = reinterpret_cast<HGDIOBJ>(g_nextHandle);
  Objects()[g_nextHandle] = std::move(object);
  return reinterpret_cast<HGDIOBJ>(g_nextHandle);
}

std::shared_ptr<GdiObject> GdiHandleGet(HGDIOBJ handle) {
  if (handle == nullptr) return nullptr;
  std::lock_guard<std::recursive_mutex> guard(g_gdiLock);
  EnsureStockObjects();
  auto it = Objects().find(reinterpret_cast<uintptr_t>(handle));
  return it == Objects().end() ? nullptr : it->second;
}

void GdiHandleRemove(HGDIOBJ handle) {
  std::lock_guard<std::recursive_mutex> guard(g_gdiLock);
  Objects().erase(reinterpret_cast<uintptr_t>(handle));
}

HGDIOBJ GdiStockObjectInstall(int index, std::shared_ptr<GdiObject> object) {
  if (index < 0 || index > STOCK_LAST || !object) return nullptr;
  std::lock_guard<std::recursive_mutex> guard(g_gdiLock);
  object->stock = true;
  g_stock[index] = GdiHandleNew(std::move(object));
  return g_stock[index];
}

std::shared_ptr<GdiObject> GdiDcSwap(GdiDc& dc, const std::shared_ptr<GdiObject>& object) {
  std::lock_guard<std::recursive_mutex> guard(g_gdiLock);
  std::shared_ptr<GdiObject> previous = dc.selected[object->type];
  if (previous == object) return previous;
  dc.selected[object->type] = object;
  if (!object->stock) ++object->selections;
  if (previous) Deselect(*previous);
  return previous;
}

void GdiDcReleaseAll(GdiDc& dc) {
  std::lock_guard<std::recursive_mutex> guard(g_gdiLock);
  for (auto& slot : dc.selected) {
    std::shared_ptr<GdiObject> object = std::move(slot);
    if (object) Deselect(*object);
  }
}

}  // namespace platform

using namespace platform;

HGDIOBJ GetStockObject(int index) {
  if (index < 0 || index > STOCK_LAST) return nullptr;
  std::lock_guard<std::recursive_mutex> guard(g_gdiLock);
  EnsureStockObjects();
  return g_stock[index];
}

DWORD GetObjectType(HGDIOBJ handle) {
  auto object = GdiHandleGet(handle);
  if (!object || object->type == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return object->type;
}

int GetObjectW(HGDIOBJ handle, int size, LPVOID buffer) {
  auto object = GdiHandleGet(handle);
  if (!object || size < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return object->Describe(size, buffer);
}

BOOL DeleteObject(HGDIOBJ handle) {
  std::lock_guard<std::recursive_mutex> guard(g_gdiLock);
  auto object = GdiHandleGet(handle);
  // Device contexts go with DeleteDC and icons with DestroyIcon.
  if (!object || object->type == 0 || object->type == OBJ_DC || object->type == OBJ_MEMDC) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (object->stock) return TRUE;  // stock objects live for ever; deleting them is harmless
  if (object->selections > 0) {
    // A selected bitmap is still the target of its DC: refusing catches the leak of the DC.
    if (object->type == OBJ_BITMAP) return FALSE;
    object->deletePending = true;
    return TRUE;
  }
  GdiHandleRemove(handle);
  return TRUE;
}

HGDIOBJ SelectObject(HDC dcHandle, HGDIOBJ handle) {
  std::lock_guard<std::recursive_mutex> guard(g_gdiLock);
  auto dc = GdiHandleAs<GdiDc>(dcHandle);
  auto object = GdiHandleGet(handle);
  if (!dc || !object || !object->Selectable() || object->deletePending) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (auto bitmap = std::dynamic_pointer_cast<GdiBitmap>(object)) {
    // Only memory DCs take bitmaps, and a bitmap serves one DC at a time.
    if (dc->surface || dc->type != OBJ_MEMDC) return nullptr;
    if (bitmap->selectedInto == dcHandle) return handle;
    if (bitmap->selectedInto != nullptr) return nullptr;
    std::shared_ptr<GdiObject> previous = GdiDcSwap(*dc, object);
    if (!bitmap->stock) bitmap->selectedInto = dcHandle;
    return previous ? previous->handle : nullptr;
  }
  std::shared_ptr<GdiObject> previous = GdiDcSwap(*dc, object);
  return previous ? previous->handle : nullptr;
}

HGDIOBJ GetCurrentObject(HDC dcHandle, UINT type) {
  auto dc = GdiHandleAs<GdiDc>(dcHandle);
  if (!dc || type >= dc->selected.size() || !dc->selected[type]) return nullptr;
  return dc->selected[type]->handle;
}

HBRUSH CreateSolidBrush(COLORREF colour) {
  auto brush = std::make_shared<GdiBrush>();
  brush->colour = colour & 0xFFFFFF;
  return static_cast<HBRUSH>(GdiHandleNew(brush));
}

namespace {
constexpr DWORD kDefaultBatchLimit = 20;
thread_local DWORD t_batchLimit = kDefaultBatchLimit;
}  // namespace

DWORD GdiGetBatchLimit() { return t_batchLimit; }

DWORD GdiSetBatchLimit(DWORD limit) {
  DWORD previous = t_batchLimit;
  t_batchLimit = limit == 0 ? kDefaultBatchLimit : limit;
  return previous;
}

BOOL GdiFlush() { return TRUE; }

namespace platform::testing {

int64_t GdiObjectCount() {
  std::lock_guard<std::recursive_mutex> guard(g_gdiLock);
  int64_t count = 0;
  for (const auto& entry : Objects()) {
    if (!entry.second->stock) ++count;
  }
  return count;
}

}  // namespace platform::testing
