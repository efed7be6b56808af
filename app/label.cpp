// Label rendering: the label text for a number, its drawing over the background picture at its
// anchor (plain, boxed or outlined) onto any drawing output, the preview redraw on the canvas,
// and the choice of the background picture. A picture larger than the room the screen leaves is
// drawn at full size into an image of its own and shown scaled down on the canvas. The preview redraw compares everything it depends on
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
  int64_t shownWidth = 0, shownHeight = 0;  // the canvas's size
  int64_t frame = 0;  // full-size drawing of a preview shown scaled down, 0 while it fits
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

// Whether the canvas shows the picture smaller than it is (the window would not fit the screen).
bool PreviewScaled() {
  return g_app.BackImage != 0 && g_cache.shownWidth > 0 && g_cache.shownHeight > 0 &&
         (g_cache.shownWidth != g_app.BackWidth || g_cache.shownHeight != g_app.BackHeight);
}

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

int64_t LabelFrameImage(int64_t width, int64_t height) {
  HBITMAP bitmap = ImageNewSection(width, height, 24);
  if (bitmap == nullptr) return 0;
  ImageObject* record = ImageObjectNew(CV_Any);
  if (record == nullptr) {
    DeleteObject(bitmap);
    return 0;
  }
  record->handle = bitmap;
  record->width = static_cast<int16_t>(std::min<int64_t>(width, INT16_MAX));
  record->height = static_cast<int16_t>(std::min<int64_t>(height, INT16_MAX));
  record->depth = 24;
  return ImageObjectId(CV_Any, record);
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
  changed |= Changed(g_cache.shownWidth, GadgetGetWidth(g_gadgets.cnvPreview));
  changed |= Changed(g_cache.shownHeight, GadgetGetHeight(g_gadgets.cnvPreview));
  if (!changed) return;
  if (!PreviewScaled()) {
    if (g_cache.frame) ImageFree(std::exchange(g_cache.frame, 0));
    if (LabelRender(GadgetCanvasOutput(g_gadgets.cnvPreview), g_app, label.c_str(), FontHandle(g_cache.font))) ++g_cache.drawings;
    return;
  }
  if (g_cache.frame && (ImageGetWidth(g_cache.frame) != g_app.BackWidth || ImageGetHeight(g_cache.frame) != g_app.BackHeight)) {
    ImageFree(std::exchange(g_cache.frame, 0));
  }
  if (g_cache.frame == 0) g_cache.frame = LabelFrameImage(g_app.BackWidth, g_app.BackHeight);
  if (g_cache.frame == 0 || !LabelRender(ImageOutput(g_cache.frame), g_app, label.c_str(), FontHandle(g_cache.font))) return;
  // A drawing begins only on the output made last: the canvas's is made after the frame's.
  if (!DrawingBegin(GadgetCanvasOutput(g_gadgets.cnvPreview))) return;
  DrawImageSized(ImageHandle(g_cache.frame), 0, 0, g_cache.shownWidth, g_cache.shownHeight);  // smoothly, by area
  DrawingEnd();
  ++g_cache.drawings;
}

int64_t LabelPreviewPixel(int64_t x, int64_t y) {
  if (x < 0 || y < 0 || x >= g_app.BackWidth || y >= g_app.BackHeight) return -1;
  const int64_t output = g_cache.frame ? ImageOutput(g_cache.frame) : GadgetCanvasOutput(g_gadgets.cnvPreview);
  if (!DrawingBegin(output)) return -1;
  const int64_t colour = DrawPointRead(x, y);
  DrawingEnd();
  return colour;
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
