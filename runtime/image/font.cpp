// The font library's start-up and shutdown; fonts themselves arrive with the text platform.
// Until then these routines have nothing to set up or free.
#include "font.h"

void FontInit() {}
void FontShutdown() {}
void FontEnd() {}
