// The colour requester. The custom colours live for the whole process, so colours the user
// defined in one requester are offered again in the next.
#include "dialogs.h"
#include "requester.h"
#include "requester_internal.h"

namespace {

COLORREF g_customColors[16];

}  // namespace

int64_t RequesterColor(int64_t initialColor) {
  COLORREF initial = initialColor == -1 ? 0 : static_cast<COLORREF>(initialColor) & 0xFFFFFF;
  g_customColors[0] = initial;
  CHOOSECOLORW request{};
  request.lStructSize = sizeof request;
  request.hwndOwner = RequesterOwner();
  request.rgbResult = initial;
  request.lpCustColors = g_customColors;
  request.Flags = CC_RGBINIT;
  ModalWindowsEnter();
  BOOL chosen = ChooseColorW(&request);
  ModalWindowsLeave();
  return chosen ? static_cast<int64_t>(request.rgbResult & 0xFFFFFF) : -1;
}
