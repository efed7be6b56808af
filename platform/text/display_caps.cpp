// The display as the GDI sees it: CreateDCW("DISPLAY"), GetDeviceCaps (screen size, depth and
// resolution, as the display backend reports them), and MulDiv, with
// which callers turn points into pixels at that resolution.
#include <cmath>

#include "backend.h"
#include "charcase.h"
#include "kernel.h"
#include "text_objects.h"

namespace {

bool IsDisplay(LPCWSTR name) { return name != nullptr && _wcsicmp(name, u"DISPLAY") == 0; }

}  // namespace

HDC CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR, const void*) {
  // Printers and other devices do not exist here; only the screen can be opened.
  if (!IsDisplay(driver) && !(driver == nullptr && IsDisplay(device))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto dc = std::make_shared<platform::GdiDc>(OBJ_DC);
  platform::GdiDcSelectDefaults(*dc, false);
  return static_cast<HDC>(platform::GdiHandleNew(dc));
}

int GetDeviceCaps(HDC dc, int index) {
  if (!platform::GdiHandleAs<platform::GdiDc>(dc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  // Every DC here is compatible with the screen, so every DC answers with the screen's values.
  const platform::ScreenInfo display = platform::Screen();
  switch (index) {
    case TECHNOLOGY:
      return DT_RASDISPLAY;
    case HORZSIZE:
      return MulDiv(display.width, 254, display.dpi * 10);
    case VERTSIZE:
      return MulDiv(display.height, 254, display.dpi * 10);
    case HORZRES:
      return display.width;
    case VERTRES:
      return display.height;
    case BITSPIXEL:
      return display.bitsPixel;
    case PLANES:
      return 1;
    case NUMCOLORS:
      return -1;  // more than 256 colours
    case LOGPIXELSX:
    case LOGPIXELSY:
      return display.dpi;
    default:
      return 0;
  }
}

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const int64_t product = static_cast<int64_t>(number) * numerator;
  // Round half away from zero, whatever the signs.
  int64_t quotient = product / denominator;
  const int64_t remainder = product % denominator;
  if (std::llabs(remainder) * 2 >= std::llabs(static_cast<int64_t>(denominator))) {
    quotient += ((product < 0) != (denominator < 0)) ? -1 : 1;
  }
  if (quotient > INT32_MAX || quotient < INT32_MIN) return -1;
  return static_cast<int>(quotient);
}
