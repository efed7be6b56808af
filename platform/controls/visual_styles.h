// What the runtime asks before it uses themed controls: the common-controls library's version
// (comctl32's DllGetVersion) and whether the application is themed (uxtheme's IsAppThemed).
// This platform draws its controls in one style of its own, which counts as version 6 and themed.
#pragma once

#include "windows_types.h"

struct DLLVERSIONINFO {
  DWORD cbSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformID;
};
#define DLLVER_PLATFORM_WINDOWS 0x00000002

// uxtheme.dll
BOOL IsAppThemed();

namespace platform {

// comctl32.dll's DllGetVersion; reached through GetProcAddress under that name.
HRESULT CommonControlsDllGetVersion(DLLVERSIONINFO* info);

}  // namespace platform
