// The input gadgets, through which the user enters values: string (one-line text), spin
// (number with up/down arrows), track bar (slider), combo box (choice from a list, optionally
// editable) and editor (multi-line text). Their creation operations and flags; everything else goes through the generic
// gadget operations.
#pragma once

#include <cstdint>

constexpr int32_t GADGET_KIND_COMBOBOX = 8;
constexpr int32_t GADGET_KIND_TRACKBAR = 17;
constexpr int32_t GADGET_KIND_EDITOR = 22;
constexpr int32_t GADGET_KIND_SPIN = 26;

constexpr int64_t CV_String_Password = 0x20;
constexpr int64_t CV_String_ReadOnly = 0x800;
constexpr int64_t CV_String_Numeric = 0x2000;
constexpr int64_t CV_String_LowerCase = 0x10;
constexpr int64_t CV_String_UpperCase = 8;
constexpr int64_t CV_String_BorderLess = 0x20000;
constexpr int64_t CV_Spin_ReadOnly = 1;
constexpr int64_t CV_Spin_Numeric = 2;
constexpr int64_t CV_TrackBar_Ticks = 1;
constexpr int64_t CV_TrackBar_Vertical = 2;
constexpr int64_t CV_ComboBox_Editable = 0x42;
constexpr int64_t CV_ComboBox_LowerCase = 0x4000;
constexpr int64_t CV_ComboBox_UpperCase = 0x2000;
constexpr int64_t CV_ComboBox_Image = 0x10000000;
constexpr int64_t CV_Editor_ReadOnly = 0x800;
constexpr int64_t CV_Editor_WordWrap = 0x10000000;

int64_t GadgetStringCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, const char16_t* text,
                           int64_t flags = 0);
int64_t GadgetTrackBarCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, int64_t minimum,
                             int64_t maximum, int64_t flags = 0);
int64_t GadgetSpinCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, int64_t minimum,
                         int64_t maximum, int64_t flags = 0);
// height is the height of the closed box.
int64_t GadgetComboCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, int64_t flags = 0);
// Multi-line text; its lines are its items, CV_Editor_ReadOnly and CV_Editor_WordWrap its attributes.
int64_t GadgetEditorCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, int64_t flags = 0);
