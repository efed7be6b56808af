// Gadget library start-up and shutdown; gadgets arrive with the gadget library.
// Until then these routines have nothing to set up or free.
#include "gadget.h"

void GadgetInit() {}
void GadgetShutdown() {}
