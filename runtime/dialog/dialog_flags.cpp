// Flag expressions of dialog descriptions ("#Name | #Name ...") and the flag table of every
// element that has one. A name is looked up in the element's own table first, then among the
// program's runtime names; anything else fails the open with the element named.
#include "dialog_flags.h"

#include <string>

#include "dialog.h"

namespace {

template <size_t N>
constexpr FlagTable Table(const FlagName (&names)[N]) {
  return FlagTable{names, static_cast<int32_t>(N)};
}

const FlagName kWindow[] = {
    {u"CV_Window_ScreenCentered", 1},       {u"CV_Window_WindowCentered", 2}, {u"CV_Window_Tool", 4},
    {u"CV_Window_TitleBar", 0xC00000},      {u"CV_Window_SystemMenu", 0xC80000},
    {u"CV_Window_SizeGadget", 0xC40000},    {u"CV_Window_MinimizeGadget", 0xCA0000},
    {u"CV_Window_MaximizeGadget", 0xC90000}, {u"CV_Window_Invisible", 0x10000000},
    {u"CV_Window_BorderLess", 0x80000000u}, {u"CV_Window_NoGadgets", 8},
    {u"CV_Window_NoActivate", 0x2000000}};
const FlagName kButton[] = {{u"CV_Button_Right", 0x200},
                            {u"CV_Button_Left", 0x100},
                            {u"CV_Button_Default", 1},
                            {u"CV_Button_MultiLine", 0x2000},
                            {u"CV_Button_Toggle", 0x1003}};
const FlagName kButtonImage[] = {{u"CV_Button_Toggle", 0x1003}};
const FlagName kCalendar[] = {{u"CV_Calendar_Borderless", 0x800000}};
const FlagName kCanvas[] = {
    {u"CV_Canvas_ClipMouse", 2}, {u"CV_Canvas_Border", 1}, {u"CV_Canvas_Keyboard", 4}, {u"CV_Canvas_DrawFocus", 8}};
const FlagName kCheckBox[] = {
    {u"CV_CheckBox_Right", 0x200}, {u"CV_CheckBox_Center", 0x300}, {u"CV_CheckBox_ThreeState", 5}};
const FlagName kComboBox[] = {{u"CV_ComboBox_Editable", 0x42},
                              {u"CV_ComboBox_LowerCase", 0x4000},
                              {u"CV_ComboBox_UpperCase", 0x2000},
                              {u"CV_ComboBox_Image", 0x10000000}};
const FlagName kContainer[] = {{u"CV_Container_BorderLess", 0},
                               {u"CV_Container_Flat", 1},
                               {u"CV_Container_Raised", 2},
                               {u"CV_Container_Single", 4},
                               {u"CV_Container_Double", 8}};
const FlagName kDate[] = {{u"CV_Date_UpDown", 1}, {u"CV_Date_CheckBox", 2}};
const FlagName kExplorerCombo[] = {
    {u"CV_Explorer_NoMyDocuments", 0x200}, {u"CV_Explorer_DrivesOnly", 0x80}, {u"CV_Explorer_Editable", 0x100}};
const FlagName kExplorerList[] = {{u"CV_Explorer_NoMyDocuments", 0x200},
                                  {u"CV_Explorer_NoFiles", 1},
                                  {u"CV_Explorer_NoDriveRequester", 0x10},
                                  {u"CV_Explorer_AutoSort", 0x40},
                                  {u"CV_Explorer_BorderLess", 0x100000},
                                  {u"CV_Explorer_AlwaysShowSelection", 0x1000000},
                                  {u"CV_Explorer_NoParentFolder", 2},
                                  {u"CV_Explorer_NoFolders", 4},
                                  {u"CV_Explorer_NoDirectoryChange", 8},
                                  {u"CV_Explorer_NoSort", 0x20},
                                  {u"CV_Explorer_MultiSelect", 0x200000},
                                  {u"CV_Explorer_GridLines", 0x400000},
                                  {u"CV_Explorer_HeaderDragDrop", 0x800000},
                                  {u"CV_Explorer_FullRowSelect", 0x2000000}};
const FlagName kExplorerTree[] = {{u"CV_Explorer_BorderLess", 0x100000},
                                  {u"CV_Explorer_AlwaysShowSelection", 0x1000000},
                                  {u"CV_Explorer_NoLines", 0x4000000},
                                  {u"CV_Explorer_NoButtons", 0x8000000},
                                  {u"CV_Explorer_NoMyDocuments", 0x200},
                                  {u"CV_Explorer_NoFiles", 1},
                                  {u"CV_Explorer_NoDriveRequester", 0x10},
                                  {u"CV_Explorer_AutoSort", 0x40}};
const FlagName kEditor[] = {{u"CV_Editor_ReadOnly", 0x800}, {u"CV_Editor_WordWrap", 0x10000000}};
const FlagName kFrame[] = {{u"CV_Frame_Double", 1}, {u"CV_Frame_Single", 2}, {u"CV_Frame_Flat", 3}};
const FlagName kListView[] = {{u"CV_ListView_MultiSelect", 0x800}, {u"CV_ListView_ClickSelect", 8}};
const FlagName kListIcon[] = {{u"CV_ListIcon_CheckBoxes", 1},
                              {u"CV_ListIcon_MultiSelect", 4},
                              {u"CV_ListIcon_GridLines", 0x10000},
                              {u"CV_ListIcon_FullRowSelect", 0x40000000},
                              {u"CV_ListIcon_HeaderDragDrop", 0x10000000},
                              {u"CV_ListIcon_AlwaysShowSelection", 8},
                              {u"CV_ListIcon_ThreeState", 0x40}};
const FlagName kScrollArea[] = {{u"CV_ScrollArea_Flat", 1},
                                {u"CV_ScrollArea_Raised", 2},
                                {u"CV_ScrollArea_Single", 4},
                                {u"CV_ScrollArea_BorderLess", 8},
                                {u"CV_ScrollArea_Center", 0x10}};
const FlagName kScrollBar[] = {{u"CV_ScrollBar_Vertical", 1}};
const FlagName kSplitter[] = {{u"CV_Splitter_Vertical", 1},
                              {u"CV_Splitter_Separator", 2},
                              {u"CV_Splitter_FirstFixed", 4},
                              {u"CV_Splitter_SecondFixed", 8}};
const FlagName kString[] = {{u"CV_String_Password", 0x20},       {u"CV_String_ReadOnly", 0x800},
                            {u"CV_String_Numeric", 0x2000},      {u"CV_String_LowerCase", 0x10},
                            {u"CV_String_UpperCase", 8},         {u"CV_String_BorderLess", 0x20000},
                            {u"CV_String_AutoComplete", 0x10000000}, {u"CV_String_AutoInsert", 0x40000000}};
const FlagName kSpin[] = {{u"CV_Spin_ReadOnly", 1}, {u"CV_Spin_Numeric", 2}};
const FlagName kTree[] = {{u"CV_Tree_AlwaysShowSelection", 0x20},
                          {u"CV_Tree_NoLines", 2},
                          {u"CV_Tree_NoButtons", 1},
                          {u"CV_Tree_CheckBoxes", 0x100},
                          {u"CV_Tree_ThreeState", 0x10000}};
const FlagName kImage[] = {{u"CV_Image_Raised", 1}, {u"CV_Image_Border", 0x200}};
const FlagName kProgressBar[] = {{u"CV_ProgressBar_Smooth", 1}, {u"CV_ProgressBar_Vertical", 4}};
const FlagName kTrackBar[] = {{u"CV_TrackBar_Ticks", 1}, {u"CV_TrackBar_Vertical", 2}};
const FlagName kHyperLink[] = {{u"CV_HyperLink_Underline", 1}};
const FlagName kText[] = {{u"CV_Text_Center", 1}, {u"CV_Text_Right", 2}, {u"CV_Text_Border", 0x20000}};

// The longest flag name read; a longer one ends the expression.
constexpr size_t kLongestFlagName = 127;

bool IsSpaceOrTab(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

const FlagTable kWindowFlags = Table(kWindow);
const FlagTable kButtonFlags = Table(kButton);
const FlagTable kButtonImageFlags = Table(kButtonImage);
const FlagTable kCalendarFlags = Table(kCalendar);
const FlagTable kCanvasFlags = Table(kCanvas);
const FlagTable kCheckBoxFlags = Table(kCheckBox);
const FlagTable kComboBoxFlags = Table(kComboBox);
const FlagTable kContainerFlags = Table(kContainer);
const FlagTable kDateFlags = Table(kDate);
const FlagTable kExplorerComboFlags = Table(kExplorerCombo);
const FlagTable kExplorerListFlags = Table(kExplorerList);
const FlagTable kExplorerTreeFlags = Table(kExplorerTree);
const FlagTable kEditorFlags = Table(kEditor);
const FlagTable kFrameFlags = Table(kFrame);
const FlagTable kListViewFlags = Table(kListView);
const FlagTable kListIconFlags = Table(kListIcon);
const FlagTable kScrollAreaFlags = Table(kScrollArea);
const FlagTable kScrollBarFlags = Table(kScrollBar);
const FlagTable kSplitterFlags = Table(kSplitter);
const FlagTable kStringFlags = Table(kString);
const FlagTable kSpinFlags = Table(kSpin);
const FlagTable kTreeFlags = Table(kTree);
const FlagTable kImageFlags = Table(kImage);
const FlagTable kProgressBarFlags = Table(kProgressBar);
const FlagTable kTrackBarFlags = Table(kTrackBar);
const FlagTable kHyperLinkFlags = Table(kHyperLink);
const FlagTable kTextFlags = Table(kText);
const FlagTable kNoFlags{nullptr, 0};

uint32_t FlagTableValue(const FlagTable& table, const char16_t* name, bool* found) {
  for (int32_t i = 0; i < table.count; ++i) {
    if (XmlNameEqualNoCase(table.names[i].name, name)) {
      *found = true;
      return table.names[i].value;
    }
  }
  *found = false;
  return 0;
}

uint32_t FlagExpressionValue(const char16_t* expression, const FlagTable& table, const char16_t* elementName,
                             DialogBuild& build) {
  uint32_t flags = 0;
  if (expression == nullptr) return 0;
  const char16_t* at = expression;
  for (;;) {
    while (IsSpaceOrTab(*at)) ++at;
    if (*at != u'#') break;
    const char16_t* start = ++at;
    while (*at && *at != u'|') ++at;
    const char16_t* end = at;
    while (end > start && IsSpaceOrTab(end[-1])) --end;
    if (static_cast<size_t>(end - start) > kLongestFlagName) break;
    std::u16string name(start, end);
    bool found = false;
    uint32_t value = FlagTableValue(table, name.c_str(), &found);
    int64_t declared = 0;
    if (!found && RuntimeNameFind(name.c_str(), &declared)) {
      value = static_cast<uint32_t>(declared);
      found = true;
    }
    if (!found) {
      build.Error("'#%s' flag is not supported for the following gadget: %s", name.c_str(), elementName);
      return flags;
    }
    flags |= value;
    if (*at != u'|') break;
    ++at;
  }
  return flags;
}
