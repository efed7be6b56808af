// Preview canvas interaction: a left click places the label's anchor, a right-button drag moves
// it by the distance moved, the wheel changes the font size (or, with Alt or Ctrl, the border),
// and Shift-, Ctrl- or Alt-clicks pick the text, box or outline colour from the preview as drawn.
// A preview shown scaled down maps every pointer position back to the picture's own pixels.
#include "preview.h"

#include <algorithm>

#include "app_state.h"
#include "label.h"
#include "main_window.h"
#include "saturating.h"

namespace {

constexpr int64_t kLeftButton = 1, kRightButton = 2;
constexpr int64_t kShift = 1, kAlt = 2, kCtrl = 4;

int64_t Attribute(int64_t attribute) { return GadgetGetAttribute(g_gadgets.cnvPreview, attribute); }

// Shows a number in a track bar and the text beside it.
void ShowNumber(int64_t trackBar, int64_t text, int64_t value) {
  GadgetSetState(trackBar, value);
  StrExpr number;
  number.Call(StrFromInt, value);
  GadgetSetText(text, number.Pass());
}

// The picture coordinate under canvas coordinate `value`: the centre of the canvas pixel, scaled
// by picture size over shown size (rounded down, also left of or above the canvas).
int64_t PictureCoordinate(int64_t value, int64_t shown, int64_t size) {
  if (shown <= 0 || shown == size) return value;
  const int64_t scaled = SaturatingAdd(SaturatingAdd(value, value), 1) * size;  // sizes are below 2^15
  const int64_t twice = 2 * shown;
  return scaled >= 0 ? scaled / twice : -((-scaled + twice - 1) / twice);
}

int64_t MouseX() {
  return PictureCoordinate(std::clamp<int64_t>(Attribute(CA_MOUSE_X), -(1 << 30), 1 << 30),
                           GadgetGetWidth(g_gadgets.cnvPreview), g_app.BackWidth);
}
int64_t MouseY() {
  return PictureCoordinate(std::clamp<int64_t>(Attribute(CA_MOUSE_Y), -(1 << 30), 1 << 30),
                           GadgetGetHeight(g_gadgets.cnvPreview), g_app.BackHeight);
}

// The colour of the preview's pixel, label included; -1 when there is no picture to read.
int64_t PickColour() { return LabelPreviewPixel(g_app.MouseX, g_app.MouseY); }

// A negative value becomes 0, one at or past the size the last pixel (-1 with no picture).
int64_t ClampToPicture(int64_t value, int64_t size) {
  if (value < 0) value = 0;
  if (value >= size) value = size - 1;
  return value;
}

void PointerEvent() {
  g_app.MouseX = ClampToPicture(MouseX(), g_app.BackWidth);
  g_app.MouseY = ClampToPicture(MouseY(), g_app.BackHeight);
  int64_t buttons = Attribute(CA_BUTTONS);
  int64_t modifiers = Attribute(CA_MODIFIERS);
  if (buttons & kLeftButton) {
    if (modifiers & (kShift | kCtrl | kAlt)) {
      int64_t colour = PickColour();
      if (colour < 0) return;  // picking without a picture is ignored
      if (modifiers & kShift) {
        g_app.cText = colour;
      } else if (modifiers & kCtrl) {
        g_app.bText = colour;
        GadgetSetState(g_gadgets.optColor, 1);
      } else {
        g_app.bText = ~colour;
        GadgetSetState(g_gadgets.optOutline, 1);
      }
    } else {
      g_app.xText = g_app.MouseX;
      g_app.yText = g_app.MouseY;
    }
    LabelDraw(u"", 0);
  } else if (buttons & kRightButton) {
    // Positions from a settings file may lie anywhere in the 64-bit range: they stop at its ends.
    g_app.xText = SaturatingAdd(g_app.xText, g_app.MouseX - g_app.LastMouseX);
    g_app.yText = SaturatingAdd(g_app.yText, g_app.MouseY - g_app.LastMouseY);
    g_app.LastMouseX = g_app.MouseX;
    g_app.LastMouseY = g_app.MouseY;
    LabelDraw(u"", 0);
  }
}

}  // namespace

void PreviewCanvasEvent() {
  switch (EventGetType()) {
    case ET_MOUSE_WHEEL:
      if (Attribute(CA_MODIFIERS) & (kAlt | kCtrl)) {
        g_app.Border = std::clamp<int64_t>(SaturatingAdd(g_app.Border, Attribute(CA_WHEEL_DELTA)), 0, 10);
        ShowNumber(g_gadgets.trkBorder, g_gadgets.txtBorder, g_app.Border);
      } else {
        g_app.FontSize = SaturatingAdd(g_app.FontSize, Attribute(CA_WHEEL_DELTA));
        ShowNumber(g_gadgets.trkFontSize, g_gadgets.txtFontSize, g_app.FontSize);
      }
      LabelDraw(u"", 0);
      break;
    case ET_RIGHT_BUTTON_DOWN:
      g_app.LastMouseX = MouseX();
      g_app.LastMouseY = MouseY();
      break;
    case ET_MOUSE_MOVE:
    case ET_LEFT_BUTTON_DOWN:
      PointerEvent();
      break;
    default:
      break;  // enter, leave, releases, the middle button, keys and focus change nothing
  }
}
