// The main window with its gadgets, and the event loop that runs the program.
#pragma once

#include <cstdint>

#include "corvid.h"
#include "text.h"

// The gadget numbers of the main window (window 0), created with #CV_Any. Row labels are not kept.
struct MainWindowGadgets {
  int64_t btnLoadImage = 0, cmbFont = 0, trkFontSize = 0, txtFontSize = 0, btnColor = 0;
  int64_t optNone = 0, optColor = 0, optOutline = 0, trkBorder = 0, txtBorder = 0, cmbAnchor = 0;
  int64_t spnStart = 0, spnStop = 0, trkZero = 0, txtZero = 0, strPre = 0, strSuf = 0, strLast = 0;
  int64_t trkExample = 0, btnLoad = 0, btnSave = 0, btnCreate = 0, btnAbout = 0, cnvPreview = 0;
  bool built = false;  // the window is open and the numbers above are its gadgets
};

extern MainWindowGadgets g_gadgets;

// The main window's title while no series runs.
constexpr const char16_t* kMainWindowTitle = u"Stampwerk";

// Opens window 0, creates the gadgets, fills the font and anchor lists and lays the window out.
void MainWindowBuild();
// Sizes window 0 for the background picture, keeping its centre, and moves the gadgets that follow.
void MainWindowLayout();
// Fills FontList with the names of the installed fonts, each once, sorted without regard to
// case: every family by its name, and its other styles ("Liberation Sans Bold") by theirs.
void FontListFill(int64_t windowHandle);
// The font enumeration's callback: adds the face's full name unless the list has it. Returns 1.
int FontEnumCallback(const LOGFONTW* logFont, const TEXTMETRICW* metrics, DWORD fontType, LPARAM data);
// Brings every gadget up to date with the settings (after a settings file was read).
void MainWindowRefresh();
// Runs the action of one event taken from the queue. Returns false when the program must end.
bool MainWindowHandleEvent(int64_t code);
// Takes events until the main window is closed (or "Load Image" leaves no picture); the caller
// then runs the end sequence.
void EventLoopRun();
