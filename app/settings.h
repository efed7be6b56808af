// The settings file: the fourteen settings read from and written to an INI file.
#pragma once

// Reads the settings, then brings the main window's gadgets and the preview up to date.
void SettingsLoad(const char16_t* fileName);
// Reads the settings only, with the current values as defaults. False when the file could not
// be opened (every setting then stays as it was).
bool SettingsRead(const char16_t* fileName);
// Writes the settings to a new file of that name. False when the file could not be written.
bool SettingsSave(const char16_t* fileName);
