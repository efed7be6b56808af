// The application's state and its defaults.
#include "app_state.h"

AppState g_app;

void AppStateSetDefaults() {
  g_app.FontName = u"Arial";
  g_app.FontSize = 80;
  g_app.LastText = u"End";
  g_app.Border = 2;
  g_app.RangeStart = 1;
  g_app.RangeStop = 50;
  g_app.zero = 3;
  g_app.Anchor = 4;
  g_app.cText = 127 | (127 << 8) | (127 << 16);
  g_app.bText = kNoColour;
}

void AppStateClear() { g_app = AppState{}; }
