// The About window. It is built from an XML dialog description; until dialogs exist the fields
// have nowhere to go.
#include "about.h"

void AboutSetField(const char16_t*, const char16_t*, int64_t) {}
void AboutOpen(int64_t) {}
