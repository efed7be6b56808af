// Dialog library start-up and shutdown; dialogs arrive with the dialog library.
// Until then these routines have nothing to set up or free.
#include "dialog.h"

void RuntimeNameTableInit() {}
void DialogInit() {}
void DialogShutdown() {}
