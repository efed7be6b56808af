// The common-controls version and the theming state the platform reports.
#include "visual_styles.h"

BOOL IsAppThemed() { return TRUE; }

namespace platform {

HRESULT CommonControlsDllGetVersion(DLLVERSIONINFO* info) {
  if (info == nullptr || info->cbSize < sizeof(DLLVERSIONINFO)) return E_INVALIDARG;
  info->dwMajorVersion = 6;
  info->dwMinorVersion = 0;
  info->dwBuildNumber = 0;
  info->dwPlatformID = DLLVER_PLATFORM_WINDOWS;
  return S_OK;
}

}  // namespace platform
