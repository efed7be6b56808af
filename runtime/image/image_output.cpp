// The image output: a drawing output over an image's own section, so that pictures (labels
// among them) can be drawn and read without any window. Ending the drawing leaves the image
// holding what was drawn; the image itself is never freed or changed otherwise.
#include "drawing.h"
#include "image.h"

namespace {

// Lets go of the device context; the picture needs no repaint and the image stays as it is.
void ReleaseImageOutput(DrawingContext* context, int64_t) {
  if (context->outputDc == nullptr) return;
  SelectObject(context->outputDc, context->outputPrevious);
  DeleteDC(context->outputDc);
  context->outputDc = nullptr;
}

}  // namespace

int64_t ImageOutput(int64_t image) {
  HGDIOBJ bitmap = reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(ImageHandle(image)));
  if (bitmap == nullptr || GetObjectType(bitmap) != OBJ_BITMAP) return 0;
  DIBSECTION section{};
  if (GetObjectW(bitmap, sizeof section, &section) != static_cast<int>(sizeof section)) return 0;
  const WORD bits = section.dsBm.bmBitsPixel;
  if (section.dsBm.bmBits == nullptr || (bits != 24 && bits != 32)) return 0;
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) return 0;
  HGDIOBJ previous = SelectObject(dc, bitmap);
  if (previous == nullptr) {
    DeleteDC(dc);
    return 0;
  }
  const uint32_t format = (bits == 32 ? kDrawingFormat4Bytes : kDrawingFormat3Bytes) |
                          (section.dsBmih.biHeight > 0 ? kDrawingFormatBottomUp : 0);
  DrawingContext* context = DrawingContextNew(format);
  if (context == nullptr) {
    SelectObject(dc, previous);
    DeleteDC(dc);
    return 0;
  }
  context->outputDc = dc;
  context->outputPrevious = previous;
  context->outputBitmap = static_cast<HBITMAP>(bitmap);
  context->buffer = static_cast<uint8_t*>(section.dsBm.bmBits);
  context->stride = section.dsBm.bmWidthBytes;
  context->fullWidth = section.dsBm.bmWidth;
  context->fullHeight = section.dsBm.bmHeight;
  context->bitsPerPixel = bits;
  context->ops.release = ReleaseImageOutput;
  return static_cast<int64_t>(reinterpret_cast<uintptr_t>(context));
}
