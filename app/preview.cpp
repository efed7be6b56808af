// Preview canvas interaction. The mouse actions on the preview come with their own work; until
// then a canvas event changes nothing.
#include "preview.h"

void PreviewCanvasEvent() {}
