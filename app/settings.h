// The settings file: the fourteen settings read from and written to an INI file.
#pragma once

void SettingsLoad(const char16_t* fileName);
void SettingsSave(const char16_t* fileName);
