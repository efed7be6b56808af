// Drawing library start-up; the drawing context arrives with the drawing library.
// Until then these routines have nothing to set up or free.
#include "drawing.h"

void DrawingInit() {}
