// The settings file. It is read and written through the preference library; until that exists
// there is no file to read or write.
#include "settings.h"

void SettingsLoad(const char16_t*) {}
void SettingsSave(const char16_t*) {}
