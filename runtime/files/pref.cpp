// Preference library start-up and shutdown; preference files arrive with the preference library.
// Until then these routines have nothing to set up or free.
#include "pref.h"

void PrefInit() {}
void PrefShutdown() {}
