// Image lists: pictures of one size kept by index, as the extended combo box shows them beside
// its items. Each added bitmap is copied (scaled to the list's size) into a 32-bit premultiplied
// picture, so the caller may free its own; 24-bit bitmaps become opaque.
#pragma once

#include "gdi.h"

struct ImageListRecord;
using HIMAGELIST = ImageListRecord*;

#define ILC_MASK 0x0001
#define ILC_COLOR32 0x0020
#define ILD_NORMAL 0x0000

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
// The new picture's index, -1 when the bitmap cannot be read.
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
// Puts a picture in place of the one at `index`.
BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask);
// Removes one picture (the later ones move up); -1 removes them all.
BOOL ImageList_Remove(HIMAGELIST list, int index);
int ImageList_GetImageCount(HIMAGELIST list);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
// Blends the picture onto `dc` with its top left at x, y.
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
