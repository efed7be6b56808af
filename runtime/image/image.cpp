// Image library start-up and shutdown; image objects arrive with the bitmap platform.
// Until then these routines have nothing to set up or free.
#include "image.h"

void DrawingBlendInit() {}
void ImageInit() {}
void ImageShutdown() {}
void DrawingShutdown() {}
