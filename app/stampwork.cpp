// Stampwork's main procedure and end sequence: the runtime is started in its fixed order, the
// settings get their defaults before the settings file may override them, and at the end the
// settings are saved before anything is shut down.
#include "stampwork.h"

#include <cstdio>
#include <mutex>

#include "about.h"
#include "about_fields.h"
#include "app_state.h"
#include "label.h"
#include "main_window.h"
#include "settings.h"

namespace {
UINT g_exitCode = 0;
// Held while the end sequence writes the settings out, and for good by a thread that ends the
// process without the end sequence.
std::mutex g_settingsWrite;
}

void StampworkHoldSettingsWrite() { g_settingsWrite.lock(); }

void StampworkRuntimeStart() {
  AppStateClear();
  ProgramStart();
  AppStateSetDefaults();
  AboutStoreFields();
  // The font faces offered for the label: a list of strings (one string at offset 0).
  static const int64_t kStringElement[] = {0, -1};
  if (g_app.FontList) ListFree(g_app.FontList);
  g_app.FontList = ListCreate(sizeof(char16_t*), nullptr, kStringElement, kTypeString);
}

void StampworkStart() {
  StampworkRuntimeStart();
  BackgroundLoad();
  g_app.xText = g_app.BackWidth / 2;
  g_app.yText = g_app.BackHeight / 2;
  MainWindowBuild();
  SettingsLoad(kDefaultSettingsFile);
  LabelDraw(u"", 0);
}

void StampworkRuntimeEnd() {
  AboutForget();  // its window goes with the dialogs, its texts with the string heap
  LabelForget();  // its font and texts go with the libraries and heaps below
  ProgramEnd();  // takes the main window and its gadgets down
  g_gadgets = MainWindowGadgets{};
  if (g_app.FontList) ListFree(g_app.FontList);
  AppStateClear();  // the settings' strings live in the string heap, which goes next
  StringHeapShutdown();
  MainHeapDestroy();
}

void StampworkShutdown() {
  // The program is ending (perhaps on a signal, with nobody to answer a window): a failure is told
  // on the error output.
  bool saved;
  {
    std::lock_guard<std::mutex> writing(g_settingsWrite);
    saved = SettingsSave(kDefaultSettingsFile);
  }
  if (!saved) std::fputs("stampwork: the settings could not be written to Stampwork.ini\n", stderr);
  StampworkRuntimeEnd();
}

void ProgramEndSequence() {
  StampworkShutdown();
  ExitProcess(g_exitCode);
}

void StampworkMain() {
  StampworkStart();
  EventLoopRun();
  ProgramEndSequence();  // the one way the desktop program ends
}
