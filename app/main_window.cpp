// Stampwork's main window and its event loop: every gadget at a fixed place in a left column, the
// preview canvas to its right sized to the background picture, and one action per gadget that
// changes the settings and asks for the preview redraw, which draws only what changed.
#include "main_window.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "about.h"
#include "app_state.h"
#include "charcase.h"
#include "label.h"
#include "message_window.h"
#include "preview.h"
#include "series_create.h"
#include "settings.h"
#include "user.h"

MainWindowGadgets g_gadgets;

namespace {

constexpr int64_t kMainWindow = 0;
constexpr const char16_t* kTitle = u"Stampwork";
constexpr const char16_t* kSettingsPattern = u"Settings|*.ini|all|*.*";
// The left column is this wide (gadgets and margins); the canvas starts right of it.
constexpr int64_t kColumnWidth = 280;
// The column needs this inner height even when the picture is smaller.
constexpr int64_t kMinimumHeight = 520;
// The height of a closed combo box, a row of its own in the column.
constexpr int64_t kRowHeight = 20;
// Window sizes are those of the client area; positions are the frame's.
constexpr int64_t kInner = 1;

void Preview() { LabelDraw(u"", 0); }

void SetNumberText(int64_t gadget, int64_t value) {
  StrExpr text;
  GadgetSetText(gadget, text.Call(StrFromInt, value).Pass());
}

// A track bar's value becomes the setting and shows in the text beside it.
void TrackBarTake(int64_t trackBar, int64_t text, int64_t& setting) {
  setting = GadgetGetState(trackBar);
  SetNumberText(text, setting);
  Preview();
}

void ReadText(int64_t gadget, RString& into) { StrExpr().Call(GadgetGetText, gadget).StoreInto(into); }

// The colour a background requester starts from: the box colour, the outline colour, or black.
int64_t BackgroundStartColour() {
  if (g_app.bText == kNoColour) return 0;
  return g_app.bText < 0 ? ~g_app.bText : g_app.bText;
}

// The colour requester answers -1 for a cancel; a cancel keeps the colour the user had.
bool AskColour(int64_t start, int64_t& chosen) {
  chosen = RequesterColor(start);
  return chosen >= 0;
}

// Selects the background option that matches bText (which deselects the other two).
void ShowBackgroundOption() {
  const MainWindowGadgets& g = g_gadgets;
  GadgetSetState(g_app.bText == kNoColour ? g.optNone : g_app.bText < 0 ? g.optOutline : g.optColor, 1);
}

// The name of the face the label is drawn with: the settings' font name when the list has it,
// else the face that stands in for it (the setting itself is kept as it is).
std::u16string FontInUse() {
  LOGFONTW request{};
  request.lfCharSet = DEFAULT_CHARSET;
  const std::u16string_view name = g_app.FontName.get() ? g_app.FontName.get() : u"";
  std::copy_n(name.data(), std::min<size_t>(name.size(), LF_FACESIZE - 1), request.lfFaceName);
  HFONT font = CreateFontIndirectW(&request);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  char16_t face[LF_FACESIZE * 2] = {};
  GetTextFaceW(dc, static_cast<int>(std::size(face)), face);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(font);
  return face;
}

// The font box shows the font in use: the settings' name, or the face drawn in its place.
void ShowFontInUse() {
  const int64_t box = g_gadgets.cmbFont;
  GadgetSetText(box, g_app.FontName.get());
  const char16_t* shown = GadgetGetText(box, 0);
  const char16_t* wanted = g_app.FontName.get();
  if (GadgetGetState(box) >= 0 && _wcsicmp(shown ? shown : u"", wanted ? wanted : u"") == 0) return;
  GadgetSetState(box, -1);
  GadgetSetText(box, FontInUse().c_str());
}

// Returns false when the main window was closed while a failure was being told.
bool SaveSettingsAs() {
  StrExpr().Call(RequesterSaveFile, kTitle, u"", kSettingsPattern, 0).StoreInto(g_app.OutFile);
  if (g_app.OutFile.empty()) return true;
  bool noExtension;
  {
    StrExpr extension;
    noExtension = *extension.Call(PathExtension, g_app.OutFile.get()).Pass() == 0;
  }
  if (noExtension) StrExpr().Append(g_app.OutFile).Append(u".ini").StoreInto(g_app.OutFile);
  if (!SettingsSave(g_app.OutFile.get())) {
    return MessageWindowShow(u"The settings could not be written to\n" + std::u16string(g_app.OutFile.c_str()) +
                             u"\n(the folder cannot be written into, or the disk is full).");
  }
  return true;
}

void LoadSettingsFrom() {
  StrExpr().Call(RequesterOpenFile, kTitle, u"", kSettingsPattern, 0, 0).StoreInto(g_app.OutFile);
  if (g_app.OutFile.empty()) return;
  SettingsLoad(g_app.OutFile.get());
  Preview();
}

}  // namespace

int FontEnumCallback(const LOGFONTW* logFont, const TEXTMETRICW*, DWORD, LPARAM) {
  if (logFont == nullptr || g_app.FontList == nullptr) return 1;
  const auto* record = reinterpret_cast<const ENUMLOGFONTEXW*>(logFont);
  const char16_t* name = reinterpret_cast<const char16_t*>(record->elfFullName);
  // Each face is reported once per character set: keep the first.
  ListReset(g_app.FontList);
  while (void* element = ListNext(g_app.FontList)) {
    if (StrEqual(*static_cast<char16_t**>(element), name)) return 1;
  }
  if (void* element = ListAdd(g_app.FontList)) StrAssign(static_cast<char16_t**>(element), name);
  return 1;
}

void FontListFill(int64_t windowHandle) {
  if (!g_app.FontList) return;
  LOGFONTW all{};
  all.lfCharSet = DEFAULT_CHARSET;
  HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(windowHandle));
  HDC dc = GetDC(window);
  EnumFontFamiliesExW(dc, &all, FontEnumCallback, 0, 0);
  // Each family again by its name, for its other styles ("Bold", "Italic" ...).
  std::vector<std::u16string> families;
  ListReset(g_app.FontList);
  while (void* element = ListNext(g_app.FontList)) {
    const char16_t* name = *static_cast<char16_t**>(element);
    families.emplace_back(name ? name : u"");
  }
  for (const std::u16string& family : families) {
    if (family.empty()) continue;  // an empty name would ask for every family again
    LOGFONTW named{};
    named.lfCharSet = DEFAULT_CHARSET;
    std::copy_n(family.data(), std::min<size_t>(family.size(), LF_FACESIZE - 1), named.lfFaceName);
    EnumFontFamiliesExW(dc, &named, FontEnumCallback, 0, 0);
  }
  ReleaseDC(window, dc);
  ListSort(g_app.FontList, 2);  // ascending, without regard to case
}

namespace {

// What the main window's frame adds to its inner size, across and down.
std::pair<int64_t, int64_t> FrameSize() {
  return {WindowGetWidth(kMainWindow) - WindowGetWidth(kMainWindow, kInner),
          WindowGetHeight(kMainWindow) - WindowGetHeight(kMainWindow, kInner)};
}

// The preview's size: the picture's own, or, where the window would not fit the screen's work
// area, the picture scaled down with its proportions until it does (at least 1 x 1).
std::pair<int64_t, int64_t> PreviewFit() {
  const auto [frameWidth, frameHeight] = FrameSize();
  const int64_t roomWidth = std::max<int64_t>(1, GetSystemMetrics(SM_CXMAXIMIZED) - frameWidth - kColumnWidth);
  const int64_t roomHeight = std::max<int64_t>(1, GetSystemMetrics(SM_CYMAXIMIZED) - frameHeight - 20);
  const int64_t width = g_app.BackWidth, height = g_app.BackHeight;
  if (width <= roomWidth && height <= roomHeight) return {width, height};
  // Picture sizes are below 2^15 and the room below 2^31: the products fit.
  if (width * roomHeight > height * roomWidth) return {roomWidth, std::max<int64_t>(1, height * roomWidth / width)};
  return {std::max<int64_t>(1, width * roomHeight / height), roomHeight};
}

}  // namespace

void MainWindowLayout() {
  const auto [previewWidth, previewHeight] = PreviewFit();
  int64_t width = previewWidth + kColumnWidth;
  int64_t height = previewHeight + 20;
  if (height < kMinimumHeight) height = kMinimumHeight;
  int64_t dx = (WindowGetWidth(kMainWindow, kInner) - width) / 2;
  int64_t dy = (WindowGetHeight(kMainWindow, kInner) - height) / 2;
  // The window keeps its centre, but stays inside the work area where it fits there.
  const auto [frameWidth, frameHeight] = FrameSize();
  const int64_t x = std::max<int64_t>(0, std::min(WindowGetX(kMainWindow) + dx, GetSystemMetrics(SM_CXMAXIMIZED) - width - frameWidth));
  const int64_t y = std::max<int64_t>(0, std::min(WindowGetY(kMainWindow) + dy, GetSystemMetrics(SM_CYMAXIMIZED) - height - frameHeight));
  WindowResize(kMainWindow, x, y, width, height);
  GadgetResize(g_gadgets.cnvPreview, CV_Keep, CV_Keep, previewWidth, previewHeight);
  GadgetResize(g_gadgets.btnCreate, CV_Keep, height - 30, CV_Keep, CV_Keep);
  GadgetResize(g_gadgets.btnAbout, CV_Keep, height - 30, CV_Keep, CV_Keep);
  Preview();
}

void MainWindowBuild() {
  MainWindowGadgets& g = g_gadgets;
  WindowOpen(kMainWindow, 0, 0, g_app.BackWidth + kColumnWidth, g_app.BackHeight + 20, kMainWindowTitle,
             CV_Window_SystemMenu | CV_Window_ScreenCentered);
  g.btnLoadImage = GadgetButtonCreate(CV_Any, 10, 10, 250, 20, u"Load Image");
  GadgetTextCreate(CV_Any, 10, 40, 50, 20, u"Font");
  // A closed box 400 pixels high would cover the rows below it (they lie 30 pixels apart): the
  // font box is closed at the row height like the anchor box, and its open list makes the room.
  g.cmbFont = GadgetComboCreate(CV_Any, 60, 40, 200, kRowHeight);
  g.trkFontSize = GadgetTrackBarCreate(CV_Any, 60, 70, 175, 30, 8, 200);
  g.txtFontSize = GadgetTextCreate(CV_Any, 235, 70, 25, 20, u"20", CV_Text_Center);
  g.btnColor = GadgetButtonCreate(CV_Any, 60, 110, 200, 20, u"Color (shift+click=pick)");
  GadgetTextCreate(CV_Any, 10, 140, 50, 20, u"Back");
  g.optNone = GadgetOptionCreate(CV_Any, 60, 140, 200, 20, u"None");
  g.optColor = GadgetOptionCreate(CV_Any, 60, 160, 200, 20, u"Color (ctrl+click=pick)");
  g.optOutline = GadgetOptionCreate(CV_Any, 60, 180, 200, 20, u"Outline (alt+click=pick)");
  GadgetTextCreate(CV_Any, 10, 210, 50, 20, u"Border");
  g.trkBorder = GadgetTrackBarCreate(CV_Any, 60, 210, 175, 30, 0, 10, CV_TrackBar_Ticks);
  g.txtBorder = GadgetTextCreate(CV_Any, 235, 210, 25, 20, u"20", CV_Text_Center);
  GadgetTextCreate(CV_Any, 10, 250, 50, 20, u"Anchor");
  g.cmbAnchor = GadgetComboCreate(CV_Any, 60, 250, 200, kRowHeight);
  GadgetTextCreate(CV_Any, 10, 280, 50, 20, u"Range");
  g.spnStart = GadgetSpinCreate(CV_Any, 60, 280, 75, 20, 0, 99999, CV_Spin_Numeric);
  GadgetTextCreate(CV_Any, 135, 280, 50, 20, u"to", CV_Text_Center);
  g.spnStop = GadgetSpinCreate(CV_Any, 185, 280, 75, 20, 0, 99999, CV_Spin_Numeric);
  GadgetTextCreate(CV_Any, 10, 310, 50, 20, u"FixedSize");
  g.trkZero = GadgetTrackBarCreate(CV_Any, 60, 310, 175, 30, 0, 5, CV_TrackBar_Ticks);
  g.txtZero = GadgetTextCreate(CV_Any, 235, 310, 25, 20, u"20", CV_Text_Center);
  GadgetTextCreate(CV_Any, 10, 350, 50, 20, u"Pre/Suffix");
  g.strPre = GadgetStringCreate(CV_Any, 60, 350, 75, 20, u"");
  GadgetTextCreate(CV_Any, 135, 350, 50, 20, u"000", CV_Text_Center);
  g.strSuf = GadgetStringCreate(CV_Any, 185, 350, 75, 20, u"");
  GadgetTextCreate(CV_Any, 10, 380, 50, 20, u"Last");
  g.strLast = GadgetStringCreate(CV_Any, 60, 380, 200, 20, u"");
  GadgetTextCreate(CV_Any, 10, 410, 50, 20, u"Example");
  g.trkExample = GadgetTrackBarCreate(CV_Any, 60, 410, 200, 30, 0, 200);
  GadgetTextCreate(CV_Any, 10, 450, 50, 20, u"Settings");
  g.btnLoad = GadgetButtonCreate(CV_Any, 60, 450, 95, 20, u"Load");
  g.btnSave = GadgetButtonCreate(CV_Any, 165, 450, 95, 20, u"Save");
  int64_t height = WindowGetHeight(kMainWindow, kInner);
  g.btnCreate = GadgetButtonCreate(CV_Any, 10, height - 30, 220, 20, u"Create");
  g.btnAbout = GadgetButtonCreate(CV_Any, 240, height - 30, 20, 20, u"?");
  g.cnvPreview = GadgetCanvasCreate(CV_Any, 270, 10, g_app.BackWidth, g_app.BackHeight);
  g.built = true;

  FontListFill(WindowHandle(kMainWindow));
  if (g_app.FontList) {
    ListReset(g_app.FontList);
    while (void* element = ListNext(g_app.FontList)) GadgetAddItem(g.cmbFont, -1, *static_cast<char16_t**>(element));
  }
  for (const char16_t* anchor : kAnchorNames) GadgetAddItem(g.cmbAnchor, -1, anchor);
  MainWindowLayout();
}

void MainWindowRefresh() {
  const MainWindowGadgets& g = g_gadgets;
  if (!g.built) return;  // no main window (yet): nothing shows the settings
  GadgetSetText(g.strLast, g_app.LastText.get());
  ShowFontInUse();
  GadgetSetState(g.trkFontSize, g_app.FontSize);
  SetNumberText(g.txtFontSize, g_app.FontSize);
  GadgetSetText(g.strPre, g_app.PreText.get());
  GadgetSetText(g.strSuf, g_app.SufText.get());
  ShowBackgroundOption();
  GadgetSetState(g.trkBorder, g_app.Border);
  SetNumberText(g.txtBorder, g_app.Border);
  GadgetSetState(g.spnStart, g_app.RangeStart);
  GadgetSetState(g.spnStop, g_app.RangeStop);
  GadgetSetState(g.trkZero, g_app.zero);
  SetNumberText(g.txtZero, g_app.zero);
  GadgetSetState(g.cmbAnchor, g_app.Anchor);
}

bool MainWindowHandleEvent(int64_t code) {
  // Only the main window's close box ends the program; another window (the About window) closing
  // is that window's business.
  if (code == EC_CLOSE_WINDOW) return EventGetWindow() != kMainWindow;
  if (code != EC_GADGET) return true;  // raw system messages and window events are not ours
  const MainWindowGadgets& g = g_gadgets;
  int64_t source = EventSourceGadget();
  int64_t colour;
  if (source == g.cmbAnchor) {
    g_app.Anchor = GadgetGetState(g.cmbAnchor);
    Preview();
  } else if (source == g.btnSave) {
    if (!SaveSettingsAs()) return false;
  } else if (source == g.btnLoad) {
    LoadSettingsFrom();
  } else if (source == g.optNone) {
    g_app.bText = kNoColour;
    Preview();
  } else if (source == g.optColor) {
    if (AskColour(BackgroundStartColour(), colour)) g_app.bText = colour;
    ShowBackgroundOption();  // a cancel leaves the treatment, and its option, as they were
    Preview();
  } else if (source == g.optOutline) {
    if (AskColour(BackgroundStartColour(), colour)) g_app.bText = ~colour;
    ShowBackgroundOption();
    Preview();
  } else if (source == g.btnColor) {
    if (AskColour(g_app.cText, colour)) g_app.cText = colour;
    Preview();
  } else if (source == g.trkBorder) {
    TrackBarTake(g.trkBorder, g.txtBorder, g_app.Border);
  } else if (source == g.trkZero) {
    TrackBarTake(g.trkZero, g.txtZero, g_app.zero);
  } else if (source == g.trkFontSize) {
    TrackBarTake(g.trkFontSize, g.txtFontSize, g_app.FontSize);
  } else if (source == g.cmbFont) {
    ReadText(g.cmbFont, g_app.FontName);
    Preview();
  } else if (source == g.strPre) {
    ReadText(g.strPre, g_app.PreText);
    Preview();
  } else if (source == g.strSuf) {
    ReadText(g.strSuf, g_app.SufText);
    Preview();
  } else if (source == g.trkExample) {
    Preview();  // the preview reads the track bar itself
  } else if (source == g.spnStart) {
    g_app.RangeStart = GadgetGetState(g.spnStart);
  } else if (source == g.spnStop) {
    g_app.RangeStop = GadgetGetState(g.spnStop);
  } else if (source == g.strLast) {
    ReadText(g.strLast, g_app.LastText);
    Preview();
  } else if (source == g.btnAbout) {
    AboutOpen(WindowHandle(kMainWindow));
  } else if (source == g.btnCreate) {
    if (!SeriesCreate()) return false;  // the close box was pressed during the series
    Preview();
  } else if (source == g.btnLoadImage) {
    BackgroundLoad();
    // Without any picture there is nothing to label: the program ends as for a closed window.
    if (g_app.BackImage == 0) return false;
    MainWindowLayout();
  } else if (source == g.cnvPreview) {
    PreviewCanvasEvent();
  }
  return true;
}

void EventLoopRun() {
  while (MainWindowHandleEvent(WindowWaitEvent())) {
  }
}
