// Registration of the platform's control classes, once per process, and InitCommonControlsEx,
// through which programs ask for them.
#include <mutex>

#include "controls.h"

namespace platform {

void RegisterStandardControls() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSEXW button{};
    button.cbSize = sizeof button;
    button.style = CS_DBLCLKS | CS_PARENTDC;
    button.lpfnWndProc = ButtonProcedure;
    button.cbWndExtra = 2 * sizeof(LONG_PTR);
    button.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    button.lpszClassName = u"Button";
    RegisterClassExW(&button);
    WNDCLASSEXW label{};
    label.cbSize = sizeof label;
    label.style = CS_DBLCLKS | CS_PARENTDC;
    label.lpfnWndProc = StaticProcedure;
    label.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    label.lpszClassName = u"Static";
    RegisterClassExW(&label);
    WNDCLASSEXW edit{};
    edit.cbSize = sizeof edit;
    edit.style = CS_DBLCLKS | CS_PARENTDC;
    edit.lpfnWndProc = EditProcedure;
    edit.cbWndExtra = sizeof(LONG_PTR);
    edit.hCursor = LoadCursorW(nullptr, IDC_IBEAM);
    edit.lpszClassName = u"Edit";
    RegisterClassExW(&edit);
  });
}

}  // namespace platform

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
  if (init == nullptr || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
  platform::RegisterStandardControls();
  return TRUE;
}
