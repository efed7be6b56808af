// Label rendering: the label text for a number, its drawing over the background picture at its
// anchor (plain, boxed or outlined) onto any drawing output, the preview redraw on the canvas,
// and the choice of the background picture. The preview redraw compares everything it depends on
// with what it drew last and draws nothing when nothing changed, because the event loop asks for
// it after nearly every event. The series and the batch mode draw through the same routine, so
// every file shows exactly what the preview showed.
#include "label.h"

#include "main_window.h"
#include "saturating.h"

namespace {

// What the last drawing was made of.
struct LabelCache {
  int64_t font = 0;  // font object of the label, 0 before the first load
  RString fontName;
  int64_t fontSize = 0;
  int64_t backImage = 0, backWidth = 0, backHeight = 0;
  int64_t x = 0, y = 0;
  RString text;
  int64_t bText = 0, cText = 0, border = 0, anchor = 0;
  int64_t drawings = 0;
  bool stale = false;  // the canvas shows something else: draw whatever the comparison says
};

LabelCache g_cache;

constexpr const char16_t* kPicturePattern = u"Pics|*.jpg;*.png;*.tga;*.tif;*.bmp|all|*.*";
constexpr int64_t kWhite = 0xFFFFFF;

// Copies `value` into `cached` and reports whether it differed.
bool Changed(int64_t& cached, int64_t value) {
  if (cached == value) return false;
  cached = value;
  return true;
}

bool Changed(RString& cached, const RString& value) {
  if (cached == value) return false;
  cached = value;
  return true;
}

// Offset of the anchor point inside the text: 0, half or all of the size for index 0, 1, 2;
// a row or column outside 0..2 (only a hand-edited file can give one) counts as 0.
int64_t AnchorOffset(int64_t index, int64_t size) { return index == 1 ? size / 2 : index == 2 ? size : 0; }

// Twice the border, held at the ends of the range.
int64_t BothSides(int64_t border) { return SaturatingAdd(border, border); }

}  // namespace

RString LabelCompose(const char16_t* text, int64_t last, const AppState& settings) {
  RString label = text;
  if (last == 0) {
    if (settings.zero > 0) {
      StrExpr padded;
      padded.Append(u"0000000000000000000000").Append(label);
      RString zeros;
      padded.StoreInto(zeros);
      StrExpr().Call(StrRight, zeros.get(), settings.zero).StoreInto(label);
    }
    StrExpr().Append(settings.PreText).Append(label).Append(settings.SufText).StoreInto(label);
  }
  return label;
}

int64_t LabelFontLoad(const AppState& settings) {
  return FontLoad(CV_Any, settings.FontName.get(), settings.FontSize, CV_Font_HighQuality);
}

bool LabelRender(int64_t output, const AppState& settings, const char16_t* label, int64_t fontHandle) {
  if (!DrawingBegin(output)) return false;
  const int64_t picture = ImageHandle(settings.BackImage);
  if (picture) {
    DrawImageAt(picture, 0, 0);
  } else {
    DrawingSetMode(0);
    DrawBox(0, 0, settings.BackWidth, settings.BackHeight, kWhite);  // the output's white ground
  }
  DrawingSetFont(fontHandle);
  const int64_t width = DrawTextWidth(label), height = DrawTextHeight(label);
  const int64_t x = SaturatingSub(settings.xText, AnchorOffset(settings.Anchor % 3, width));
  const int64_t y = SaturatingSub(settings.yText, AnchorOffset(settings.Anchor / 3, height));
  const int64_t border = settings.Border;
  if (settings.bText == kNoColour) {
    DrawingSetMode(1);
    DrawTextAt(x, y, label, settings.cText);
  } else if (settings.bText < 0) {
    DrawingSetMode(1);
    DrawTextOutline(x, y, label, ~settings.bText, border);
    DrawTextAt(x, y, label, settings.cText);
  } else {
    DrawingSetMode(0);
    DrawBox(SaturatingSub(x, border), SaturatingSub(y, border), SaturatingAdd(width, BothSides(border)),
            SaturatingAdd(height, BothSides(border)), settings.bText);
    DrawingSetMode(0);
    DrawTextAt(x, y, label, settings.cText, settings.bText);
  }
  DrawingEnd();
  return true;
}

int64_t LabelPreviewFont() { return g_cache.font; }

int64_t LabelDrawCount() { return g_cache.drawings; }

void LabelInvalidate() { g_cache.stale = true; }

void LabelForget() { g_cache = LabelCache{}; }

void LabelDraw(const char16_t* text, int64_t last) {
  if (!g_gadgets.built) return;  // no main window (yet, or any more): no preview to draw
  RString label = text;
  if (label.empty()) {
    int64_t example = GadgetGetState(g_gadgets.trkExample);
    if (example < 200) {
      StrExpr().Call(StrFromInt, example).StoreInto(label);
    } else {
      label = g_app.LastText;
      last = 1;
    }
  }
  label = LabelCompose(label.get(), last);

  bool changed = std::exchange(g_cache.stale, false);
  if (g_cache.font == 0 || !(g_cache.fontName == g_app.FontName) || g_cache.fontSize != g_app.FontSize) {
    if (g_cache.font) FontFree(g_cache.font);
    g_cache.font = LabelFontLoad(g_app);
    g_cache.fontName = g_app.FontName;
    g_cache.fontSize = g_app.FontSize;
    changed = true;
  }
  // Every comparison runs, so that every cached copy is brought up to date.
  changed |= Changed(g_cache.backImage, g_app.BackImage);
  changed |= Changed(g_cache.backWidth, g_app.BackWidth);
  changed |= Changed(g_cache.backHeight, g_app.BackHeight);
  changed |= Changed(g_cache.x, g_app.xText);
  changed |= Changed(g_cache.y, g_app.yText);
  changed |= Changed(g_cache.text, label);
  changed |= Changed(g_cache.bText, g_app.bText);
  changed |= Changed(g_cache.cText, g_app.cText);
  changed |= Changed(g_cache.border, g_app.Border);
  changed |= Changed(g_cache.anchor, g_app.Anchor);
  if (!changed) return;
  if (LabelRender(GadgetCanvasOutput(g_gadgets.cnvPreview), g_app, label.c_str(), FontHandle(g_cache.font))) {
    ++g_cache.drawings;
  }
}

bool BackgroundLoadFile(const char16_t* path) {
  g_app.BackFile = path;
  if (g_app.BackImage) ImageFree(g_app.BackImage);
  g_app.BackImage = ImageLoad(CV_Any, g_app.BackFile.get());
  if (g_app.BackImage == 0) return false;
  g_app.BackWidth = ImageGetWidth(g_app.BackImage);
  g_app.BackHeight = ImageGetHeight(g_app.BackImage);
  return true;
}

void BackgroundLoad() {
  RString name;
  StrExpr()
      .Call(RequesterOpenFile, u"Stampwork", g_app.BackFile.get(), kPicturePattern, 0, 0)
      .StoreInto(name);
  if (name.empty()) return;
  BackgroundLoadFile(name.get());
}
