// Preference (INI) files.
#pragma once

void PrefInit();
void PrefShutdown();
