// Registration of the platform's control classes, once per process, and InitCommonControlsEx,
// through which programs ask for them.
#include <mutex>

#include "controls.h"
#include "rich_edit.h"
#include "user_internal.h"

namespace platform {

namespace {

void RegisterControl(const char16_t* name, WNDPROC procedure, int extraBytes, LPCWSTR cursor) {
  WNDCLASSEXW control{};
  control.cbSize = sizeof control;
  control.style = CS_DBLCLKS | CS_PARENTDC;
  control.lpfnWndProc = procedure;
  control.cbWndExtra = extraBytes;
  control.hCursor = LoadCursorW(nullptr, cursor);
  control.lpszClassName = name;
  RegisterClassExW(&control);
  // Registered once for the process, so a program may not unregister them.
  std::lock_guard<UserMutex> guard(UserLock());
  if (auto record = ClassFind(name)) record->system = true;
}

}  // namespace

// The common controls come with the standard ones: loading the library makes them all known,
// whatever classes a program names when it asks.
void RegisterStandardControls() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterControl(u"Button", ButtonProcedure, 2 * sizeof(LONG_PTR), IDC_ARROW);
    RegisterControl(u"Static", StaticProcedure, 0, IDC_ARROW);
    RegisterControl(u"Edit", EditProcedure, sizeof(LONG_PTR), IDC_IBEAM);
    RegisterControl(TRACKBAR_CLASSW, TrackBarProcedure, sizeof(LONG_PTR), IDC_ARROW);
    RegisterControl(UPDOWN_CLASSW, UpDownProcedure, sizeof(LONG_PTR), IDC_ARROW);
    RegisterControl(u"ComboBox", ComboBoxProcedure, sizeof(LONG_PTR), IDC_ARROW);
    RegisterControl(u"ComboLBox", ComboListProcedure, sizeof(LONG_PTR), IDC_ARROW);
    RegisterControl(WC_COMBOBOXEXW, ComboBoxProcedure, sizeof(LONG_PTR), IDC_ARROW);
    RegisterControl(RICHEDIT_CLASSW, RichEditProcedure, sizeof(LONG_PTR), IDC_IBEAM);
    RegisterControl(RICHEDIT_CLASS10W, RichEditProcedure, sizeof(LONG_PTR), IDC_IBEAM);
  });
}

}  // namespace platform

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
  if (init == nullptr || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
  platform::RegisterStandardControls();
  return TRUE;
}
