// The runtime name table: names a program declares for lookup at run time (constants and
// procedures), matched without regard to case. Dialog descriptions read it for "ID", sizes,
// numeric attributes, flags outside an element's own table and event procedures. It starts with
// the runtime's own "#CV_..." constants, written with their "#" as a description writes them.
#include "dialog.h"

#include "core/constants.h"
#include "core/map.h"
#include "gui/gadget.h"
#include "gui/gadget_canvas.h"
#include "gui/gadget_input.h"
#include "gui/gui_constants.h"

namespace {

enum class NameKind : int64_t { Constant = 1, Procedure = 2 };

struct NameEntry {
  NameKind kind;
  int64_t value;  // the constant, or the procedure's address
};

Map* g_names = nullptr;

struct BuiltinName {
  const char16_t* name;
  int64_t value;
};

// The constants a description may name as values ("ID", "WIDTH", "MIN", "COLOR" ...): the
// object-number constants, window flags, gadget flags and event types of the runtime.
const BuiltinName kBuiltinNames[] = {
    {u"#CV_Any", CV_Any},
    {u"#CV_Keep", CV_Keep},
    {u"#CV_Window_ScreenCentered", CV_Window_ScreenCentered},
    {u"#CV_Window_WindowCentered", CV_Window_WindowCentered},
    {u"#CV_Window_Tool", CV_Window_Tool},
    {u"#CV_Window_NoGadgets", CV_Window_NoGadgets},
    {u"#CV_Window_TitleBar", CV_Window_TitleBar},
    {u"#CV_Window_SystemMenu", CV_Window_SystemMenu},
    {u"#CV_Window_SizeGadget", CV_Window_SizeGadget},
    {u"#CV_Window_MinimizeGadget", CV_Window_MinimizeGadget},
    {u"#CV_Window_MaximizeGadget", CV_Window_MaximizeGadget},
    {u"#CV_Window_Invisible", CV_Window_Invisible},
    {u"#CV_Window_BorderLess", CV_Window_BorderLess},
    {u"#CV_Window_NoActivate", CV_Window_NoActivate},
    {u"#CV_Button_Default", CV_Button_Default},
    {u"#CV_Button_Left", CV_Button_Left},
    {u"#CV_Button_Right", CV_Button_Right},
    {u"#CV_Button_MultiLine", CV_Button_MultiLine},
    {u"#CV_Button_Toggle", CV_Button_Toggle},
    {u"#CV_CheckBox_ThreeState", CV_CheckBox_ThreeState},
    {u"#CV_CheckBox_Right", CV_CheckBox_Right},
    {u"#CV_CheckBox_Center", CV_CheckBox_Center},
    {u"#CV_Text_Center", CV_Text_Center},
    {u"#CV_Text_Right", CV_Text_Right},
    {u"#CV_Text_Border", CV_Text_Border},
    {u"#CV_HyperLink_Underline", CV_HyperLink_Underline},
    {u"#CV_Image_Raised", CV_Image_Raised},
    {u"#CV_Image_Border", CV_Image_Border},
    {u"#CV_Container_BorderLess", CV_Container_BorderLess},
    {u"#CV_Container_Flat", CV_Container_Flat},
    {u"#CV_Container_Raised", CV_Container_Raised},
    {u"#CV_Container_Single", CV_Container_Single},
    {u"#CV_Container_Double", CV_Container_Double},
    {u"#CV_Frame_Double", CV_Frame_Double},
    {u"#CV_Frame_Single", CV_Frame_Single},
    {u"#CV_Frame_Flat", CV_Frame_Flat},
    {u"#CV_String_Password", CV_String_Password},
    {u"#CV_String_ReadOnly", CV_String_ReadOnly},
    {u"#CV_String_Numeric", CV_String_Numeric},
    {u"#CV_String_LowerCase", CV_String_LowerCase},
    {u"#CV_String_UpperCase", CV_String_UpperCase},
    {u"#CV_String_BorderLess", CV_String_BorderLess},
    {u"#CV_Spin_ReadOnly", CV_Spin_ReadOnly},
    {u"#CV_Spin_Numeric", CV_Spin_Numeric},
    {u"#CV_TrackBar_Ticks", CV_TrackBar_Ticks},
    {u"#CV_TrackBar_Vertical", CV_TrackBar_Vertical},
    {u"#CV_ComboBox_Editable", CV_ComboBox_Editable},
    {u"#CV_ComboBox_LowerCase", CV_ComboBox_LowerCase},
    {u"#CV_ComboBox_UpperCase", CV_ComboBox_UpperCase},
    {u"#CV_ComboBox_Image", CV_ComboBox_Image},
    {u"#CV_Canvas_Border", CV_Canvas_Border},
    {u"#CV_Canvas_ClipMouse", CV_Canvas_ClipMouse},
    {u"#CV_Canvas_Keyboard", CV_Canvas_Keyboard},
    {u"#CV_Canvas_DrawFocus", CV_Canvas_DrawFocus},
    {u"#EC_GADGET", EC_GADGET},
    {u"#EC_CLOSE_WINDOW", EC_CLOSE_WINDOW},
    {u"#EC_SIZE_WINDOW", EC_SIZE_WINDOW},
    {u"#ET_LEFT_CLICK", ET_LEFT_CLICK},
    {u"#ET_RIGHT_CLICK", ET_RIGHT_CLICK},
    {u"#ET_LEFT_DOUBLE_CLICK", ET_LEFT_DOUBLE_CLICK},
    {u"#ET_RIGHT_DOUBLE_CLICK", ET_RIGHT_DOUBLE_CLICK},
    {u"#ET_CHANGE", ET_CHANGE},
    {u"#ET_FOCUS", ET_FOCUS},
    {u"#ET_LOST_FOCUS", ET_LOST_FOCUS},
    {u"#ET_DRAG_START", ET_DRAG_START},
};

int64_t Declare(const char16_t* name, NameKind kind, int64_t value) {
  if (g_names == nullptr || name == nullptr || name[0] == 0) return 0;
  auto* entry = static_cast<NameEntry*>(MapAdd(g_names, name, kMapReplace));
  if (entry == nullptr) return 0;
  *entry = NameEntry{kind, value};
  return 1;
}

const NameEntry* Find(const char16_t* name) {
  if (g_names == nullptr || name == nullptr || name[0] == 0) return nullptr;
  return static_cast<const NameEntry*>(MapFind(g_names, name));
}

}  // namespace

void RuntimeNameTableInit() {
  if (MapCreate(sizeof(NameEntry), 0, nullptr, &g_names, 256, kMapNoCase) == nullptr) return;
  for (const BuiltinName& builtin : kBuiltinNames) Declare(builtin.name, NameKind::Constant, builtin.value);
}

void RuntimeNameTableShutdown() {
  if (g_names) MapFree(g_names);
  g_names = nullptr;
}

int64_t RuntimeNameDeclareConstant(const char16_t* name, int64_t value) {
  return Declare(name, NameKind::Constant, value);
}

int64_t RuntimeNameDeclareProcedure(const char16_t* name, EventCallback procedure) {
  if (procedure == nullptr) return 0;
  return Declare(name, NameKind::Procedure, static_cast<int64_t>(reinterpret_cast<uintptr_t>(procedure)));
}

int64_t RuntimeNameFind(const char16_t* name, int64_t* value) {
  const NameEntry* entry = Find(name);
  if (entry == nullptr) return 0;
  if (value) *value = entry->value;
  return 1;
}

EventCallback RuntimeNameProcedure(const char16_t* name) {
  const NameEntry* entry = Find(name);
  if (entry == nullptr || entry->kind != NameKind::Procedure) return nullptr;
  return reinterpret_cast<EventCallback>(static_cast<uintptr_t>(entry->value));
}
