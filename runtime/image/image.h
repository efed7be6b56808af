// Image objects: the image registry and the shared bitmap routines.
#pragma once

void DrawingBlendInit();
void ImageInit();
void ImageShutdown();
void DrawingShutdown();
