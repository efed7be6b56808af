// The drawing context's life and state: the current context (a thread-local slot and one
// process-wide pointer), making a context for an output, beginning and ending a drawing, the
// drawing mode, colour preparation, the buffer entries, clipping and the origin.
#include <algorithm>

#include "drawing.h"
#include "drawing_internal.h"
#include "heap.h"
#include "kernel.h"

namespace {

DWORD g_slot = TLS_OUT_OF_INDEXES;
// Every drawing operation reads this pointer; the thread-local slot mirrors it.
DrawingContext* g_current = nullptr;

void SetCurrent(DrawingContext* context) {
  g_current = context;
  if (g_slot != TLS_OUT_OF_INDEXES) TlsSetValue(g_slot, context);
}

void FreeContext(DrawingContext* context) {
  MainHeapFree(context);
  SetCurrent(nullptr);
}

// ---- buffer routines of the table ----

void SetBackColorEntry(DrawingContext* context, uint32_t colour) {
  context->back = DrawingPrepare(context, colour, context->premultiply);
}

void SetFrontColorEntry(DrawingContext* context, uint32_t colour) {
  context->front = DrawingPrepare(context, colour, context->premultiply);
}

uint8_t* BufferAddressEntry(DrawingContext* context) { return context->buffer; }
int64_t BufferPitchEntry(DrawingContext* context) { return context->stride; }
int64_t BufferPixelFormatEntry(DrawingContext* context) { return context->pixelFormat; }

void SetModeEntry(DrawingContext* context, uint32_t mode) {
  if (mode & DrawModeAllChannels) {
    // All channels at once already says everything the alpha modes would.
    mode &= ~static_cast<uint32_t>(DrawModeAlphaChannel | DrawModeAlphaBlend | DrawModeAlphaClip);
    if (context->bytesPerPixel == 3) mode &= ~static_cast<uint32_t>(DrawModeAllChannels);
  }
  context->mode = mode;
  context->premultiply = (mode & (DrawModeAlphaBlend | DrawModeAlphaClip)) != 0 &&
                         (mode & (DrawModeXor | DrawModeGradient | DrawModeCustom | DrawModeAllChannels)) == 0;
  context->gradient = (mode & DrawModeGradient) != 0;
  context->custom = (mode & DrawModeCustom) != 0;
  DrawingSelectRoutines(context);
  // The applied colours' channels must follow the new premultiply setting.
  context->ops.setFrontColor(context, context->appliedFront);
  context->ops.setBackColor(context, context->appliedBack);
}

void* StartEntry(DrawingContext* context) {
  if (context->buffer == nullptr) return nullptr;
  context->base = context->buffer;
  context->textDc = CreateCompatibleDC(nullptr);
  if (context->textDc != nullptr && context->ops.setFont != nullptr) context->ops.setFont(context, -1);
  return context->startReturnsBuffer ? static_cast<void*>(context->buffer) : static_cast<void*>(context->outputDc);
}

void EndEntry(DrawingContext* context) {
  // The scratch bitmap is selected into the text DC: the DC goes first.
  if (context->textDc != nullptr) DeleteDC(context->textDc);
  if (context->textScratch != nullptr) DeleteObject(context->textScratch);
  if (context->rotatedFont != nullptr) DeleteObject(context->rotatedFont);
  context->textDc = nullptr;
  context->textScratch = nullptr;
  context->textPixels = nullptr;
  context->rotatedFont = nullptr;
  DrawingFillRelease(context);
  DrawingGradientRelease(context);
}

void ClipEntry(DrawingContext* context, int64_t x, int64_t y, int64_t width, int64_t height) {
  if (x < 0) {
    width += x;
    x = 0;
  }
  if (y < 0) {
    height += y;
    y = 0;
  }
  x = std::min<int64_t>(x, context->fullWidth);
  y = std::min<int64_t>(y, context->fullHeight);
  width = std::clamp<int64_t>(width, 0, context->fullWidth - x);
  height = std::clamp<int64_t>(height, 0, context->fullHeight - y);
  context->clipX = static_cast<int32_t>(x);
  context->clipY = static_cast<int32_t>(y);
  context->clipWidth = static_cast<int32_t>(width);
  context->clipHeight = static_cast<int32_t>(height);
  context->offsetX = context->originX - context->clipX;
  context->offsetY = context->originY - context->clipY;
  // The area's first row in memory: its top line, or its bottom line in a bottom-up buffer.
  const int64_t row = context->bottomUp ? context->fullHeight - (y + height) : y;
  context->buffer = context->base + row * context->stride + x * context->bytesPerPixel;
}

void UnclipEntry(DrawingContext* context) {
  context->clipX = 0;
  context->clipY = 0;
  context->clipWidth = std::max(context->fullWidth, 0);
  context->clipHeight = std::max(context->fullHeight, 0);
  context->offsetX = context->originX;
  context->offsetY = context->originY;
  context->buffer = context->base;
}

void FillTable(DrawingOperations* ops) {
  ops->setBackColor = SetBackColorEntry;
  ops->box = DrawingBoxEntry;
  ops->roundBox = DrawingRoundBoxEntry;
  ops->bufferAddress = BufferAddressEntry;
  ops->bufferPitch = BufferPitchEntry;
  ops->bufferPixelFormat = BufferPixelFormatEntry;
  ops->setMode = SetModeEntry;
  ops->drawImage = DrawingImageEntry;
  ops->drawImageSized = DrawingImageSizedEntry;
  ops->drawImageAlpha = DrawingImageAlphaEntry;
  ops->ellipse = DrawingEllipseEntry;
  ops->fillArea = DrawingFillAreaEntry;
  ops->setFrontColor = SetFrontColorEntry;
  ops->grabImage = DrawingGrabImageEntry;
  ops->line = DrawingLineEntry;
  ops->plot = DrawingPlotEntry;
  ops->plotColor = DrawingPlotColorEntry;
  ops->readPixel = DrawingReadPixelEntry;
  ops->start = StartEntry;
  ops->end = EndEntry;
  ops->clip = ClipEntry;
  ops->unclip = UnclipEntry;
  DrawingTextInstall(ops);
}

int32_t LimitOrigin(int64_t value) { return static_cast<int32_t>(std::clamp<int64_t>(value, -(1 << 30), 1 << 30)); }

}  // namespace

void DrawingInit() {
  if (g_slot == TLS_OUT_OF_INDEXES) g_slot = TlsAlloc();
}

DrawingContext* DrawingCurrent() { return g_current; }

DrawingContext* DrawingContextNew(uint32_t pixelFormat) {
  auto* context = static_cast<DrawingContext*>(MainHeapAlloc(sizeof(DrawingContext)));
  if (context == nullptr) return nullptr;
  SetCurrent(context);
  context->frontColor = 0xFFFFFFFFu;
  context->backColor = 0xFF000000u;
  context->pixelFormat = pixelFormat;
  context->bottomUp = (pixelFormat & kDrawingFormatBottomUp) != 0;
  context->bytesPerPixel = (pixelFormat & (kDrawingFormat4Bytes | kDrawingFormat4BytesAlt)) ? 4 : 3;
  FillTable(&context->ops);
  context->gradientPosition = DrawingDefaultGradient;
  context->customFilter = DrawingDefaultCustom;
  context->ops.setMode(context, 0);
  return context;
}

int64_t DrawingBegin(int64_t output) {
  auto* context = reinterpret_cast<DrawingContext*>(output);
  // An output is made current when it is made: anything else is not an output.
  if (context == nullptr || context != g_current) return 0;
  context->clipWidth = std::max(context->fullWidth, 0);
  context->clipHeight = std::max(context->fullHeight, 0);
  context->offsetX = context->originX;
  context->offsetY = context->originY;
  void* started = context->ops.start(context);
  if (started == nullptr) {
    if (context->ops.release != nullptr) context->ops.release(context, 0);
    FreeContext(context);
    return 0;
  }
  return static_cast<int64_t>(reinterpret_cast<uintptr_t>(started));
}

void DrawingEnd() {
  DrawingContext* context = g_current;
  if (context == nullptr) return;
  context->ops.end(context);
  if (context->ops.release != nullptr) context->ops.release(context, 1);
  FreeContext(context);
}

DrawingChannels DrawingPrepare(const DrawingContext*, uint32_t colour, bool premultiply) {
  DrawingChannels channels{};
  channels.value = colour;
  channels.alpha = static_cast<int32_t>(colour >> 24);
  channels.inverse = 255 - channels.alpha;
  const int32_t factor = premultiply ? channels.alpha : 1;
  channels.red = static_cast<int32_t>(colour & 0xFF) * factor;
  channels.green = static_cast<int32_t>((colour >> 8) & 0xFF) * factor;
  channels.blue = static_cast<int32_t>((colour >> 16) & 0xFF) * factor;
  return channels;
}

void DrawingApplyFront(DrawingContext* context, uint32_t colour) {
  if (colour == context->appliedFront) return;
  context->appliedFront = colour;
  context->ops.setFrontColor(context, colour);
}

void DrawingApplyBack(DrawingContext* context, uint32_t colour) {
  if (colour == context->appliedBack) return;
  context->appliedBack = colour;
  context->ops.setBackColor(context, colour);
}

// ---- program operations ----

int64_t ColorRGB(int64_t red, int64_t green, int64_t blue) {
  const uint32_t value = static_cast<uint32_t>(red) | static_cast<uint32_t>(green) << 8 | static_cast<uint32_t>(blue) << 16;
  return static_cast<int32_t>(value);
}

int64_t ColorRGBA(int64_t red, int64_t green, int64_t blue, int64_t alpha) {
  return static_cast<int32_t>(static_cast<uint32_t>(ColorRGB(red, green, blue)) | static_cast<uint32_t>(alpha) << 24);
}

void DrawingSetMode(int64_t mode) {
  if (DrawingContext* context = g_current) context->ops.setMode(context, static_cast<uint32_t>(mode));
}

void DrawingFrontColor(int64_t colour) {
  if (DrawingContext* context = g_current) context->frontColor = static_cast<uint32_t>(colour);
}

void DrawingBackColor(int64_t colour) {
  if (DrawingContext* context = g_current) context->backColor = static_cast<uint32_t>(colour);
}

void DrawingSetOrigin(int64_t x, int64_t y) {
  DrawingContext* context = g_current;
  if (context == nullptr) return;
  context->originX = LimitOrigin(x);
  context->originY = LimitOrigin(y);
  context->offsetX = context->originX - context->clipX;
  context->offsetY = context->originY - context->clipY;
}

int64_t DrawingBufferAddress() {
  DrawingContext* context = g_current;
  return context ? static_cast<int64_t>(reinterpret_cast<uintptr_t>(context->ops.bufferAddress(context))) : 0;
}

int64_t DrawingBufferPitch() {
  DrawingContext* context = g_current;
  return context ? context->ops.bufferPitch(context) : 0;
}

int64_t DrawingBufferPixelFormat() {
  DrawingContext* context = g_current;
  return context ? context->ops.bufferPixelFormat(context) : 0;
}

void DrawingClip(int64_t x, int64_t y, int64_t width, int64_t height) {
  if (DrawingContext* context = g_current)
    context->ops.clip(context, DrawingLimit(x), DrawingLimit(y), DrawingLimit(width), DrawingLimit(height));
}

void DrawingUnclip() {
  if (DrawingContext* context = g_current) context->ops.unclip(context);
}

void DrawPlot(int64_t x, int64_t y) {
  DrawingContext* context = DrawingWithFrontColour();
  if (context == nullptr) return;
  context->ops.plot(context, DrawingShiftX(context, x), DrawingShiftY(context, y));
}

void DrawPlot(int64_t x, int64_t y, int64_t colour) {
  DrawingContext* context = g_current;
  if (context == nullptr) return;
  context->ops.plotColor(context, DrawingShiftX(context, x), DrawingShiftY(context, y), static_cast<uint32_t>(colour));
}

int64_t DrawPointRead(int64_t x, int64_t y) {
  DrawingContext* context = g_current;
  if (context == nullptr) return 0;
  return context->ops.readPixel(context, DrawingShiftX(context, x), DrawingShiftY(context, y));
}
