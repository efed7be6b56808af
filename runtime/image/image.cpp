// The image library's objects: the image registry and its start-up and shutdown, creating and
// freeing image records, and reading an image's handle and size.
#include "image.h"

#include "constants.h"

namespace {

ObjectRegistry* g_images = nullptr;

ImageObject* Find(int64_t image) { return static_cast<ImageObject*>(ObjectGet(g_images, image)); }

}  // namespace

void ImageInit() { g_images = ObjectRegistryCreate(sizeof(ImageObject), 16, ImageFree); }

void ImageShutdown() {
  if (g_images == nullptr) return;
  ImageFree(-1);
  ObjectRegistryDestroy(g_images);
  g_images = nullptr;
}

ObjectRegistry* ImageRegistry() { return g_images; }

ImageObject* ImageObjectNew(int64_t number) {
  if (number < 0 && number != CV_Any) return nullptr;
  return static_cast<ImageObject*>(ObjectNew(g_images, number));
}

int64_t ImageObjectId(int64_t number, const ImageObject* record) {
  return number == CV_Any ? static_cast<int64_t>(reinterpret_cast<uintptr_t>(record)) : number;
}

void ImageFree(int64_t image) {
  if (image == -1) {
    ObjectFreeAll(g_images);
    return;
  }
  ImageObject* record = Find(image);
  if (record == nullptr) return;
  if (GetObjectType(record->handle) == OBJ_BITMAP) DeleteObject(record->handle);
  else DestroyIcon(static_cast<HICON>(record->handle));
  ObjectRelease(g_images, image);
}

int64_t ImageHandle(int64_t image) {
  ImageObject* record = Find(image);
  return record ? static_cast<int64_t>(reinterpret_cast<uintptr_t>(record->handle)) : 0;
}

int64_t ImageGetWidth(int64_t image) {
  ImageObject* record = Find(image);
  return record ? record->width : 0;
}

int64_t ImageGetHeight(int64_t image) {
  ImageObject* record = Find(image);
  return record ? record->height : 0;
}
