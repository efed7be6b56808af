// Label rendering and series generation: the label text for a number, its drawing over the
// background picture on the preview canvas at its anchor (plain, boxed or outlined), the series
// of PNG files taken from the canvas itself, and the choice of the background picture. The
// preview redraw compares everything it depends on with what it drew last and draws nothing
// when nothing changed, because the event loop asks for it after nearly every event.
#include "label.h"

#include "app_state.h"
#include "main_window.h"

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
};

LabelCache g_cache;

constexpr const char16_t* kPicturePattern = u"Pics|*.jpg;*.png;*.tga;*.tif;*.bmp|all|*.*";

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

}  // namespace

RString LabelCompose(const char16_t* text, int64_t last) {
  RString label = text;
  if (last == 0) {
    if (g_app.zero > 0) {
      StrExpr padded;
      padded.Append(u"0000000000000000000000").Append(label);
      RString zeros;
      padded.StoreInto(zeros);
      StrExpr().Call(StrRight, zeros.get(), g_app.zero).StoreInto(label);
    }
    StrExpr().Append(g_app.PreText).Append(label).Append(g_app.SufText).StoreInto(label);
  }
  return label;
}

int64_t LabelDrawCount() { return g_cache.drawings; }

void LabelForget() { g_cache = LabelCache{}; }

void LabelDraw(const char16_t* text, int64_t last) {
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

  bool changed = false;
  if (g_cache.font == 0 || !(g_cache.fontName == g_app.FontName) || g_cache.fontSize != g_app.FontSize) {
    if (g_cache.font) FontFree(g_cache.font);
    g_cache.font = FontLoad(CV_Any, g_app.FontName.get(), g_app.FontSize, CV_Font_HighQuality);
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

  if (!DrawingBegin(GadgetCanvasOutput(g_gadgets.cnvPreview))) return;
  ++g_cache.drawings;
  DrawImageAt(ImageHandle(g_app.BackImage), 0, 0);
  DrawingSetFont(FontHandle(g_cache.font));
  const char16_t* drawn = label.c_str();
  int64_t x = g_app.xText - AnchorOffset(g_app.Anchor % 3, DrawTextWidth(drawn));
  int64_t y = g_app.yText - AnchorOffset(g_app.Anchor / 3, DrawTextHeight(drawn));
  if (g_app.bText == kNoColour) {
    DrawingSetMode(1);
    DrawTextAt(x, y, drawn, g_app.cText);
  } else if (g_app.bText < 0) {
    DrawingSetMode(1);
    int64_t outline = ~g_app.bText;
    for (int64_t i = -g_app.Border; i <= g_app.Border; ++i) {
      for (int64_t j = -g_app.Border; j <= g_app.Border; ++j) DrawTextAt(x + i, y + j, drawn, outline);
    }
    DrawTextAt(x, y, drawn, g_app.cText);
  } else {
    DrawingSetMode(0);
    DrawBox(x - g_app.Border, y - g_app.Border, DrawTextWidth(drawn) + 2 * g_app.Border,
            DrawTextHeight(drawn) + 2 * g_app.Border, g_app.bText);
    DrawingSetMode(0);
    DrawTextAt(x, y, drawn, g_app.cText, g_app.bText);
  }
  DrawingEnd();
}

void SeriesCreate() {
  // The stem: the picture's file name without its extension but with the dot.
  int64_t stem = StrLen(g_app.BackFile.get());
  {
    StrExpr extension;
    extension.Call(PathExtension, g_app.BackFile.get());
    stem -= StrLen(extension.Text());
  }
  StrExpr().Call(StrLeft, g_app.BackFile.get(), stem).StoreInto(g_app.BaseName);
  for (g_app.Counter = g_app.RangeStart; g_app.Counter <= g_app.RangeStop + 1;) {
    if (g_app.Counter <= g_app.RangeStop) {
      RString number;
      StrExpr().Call(StrFromInt, g_app.Counter).StoreInto(number);
      LabelDraw(number.get(), 0);
      // The file number is always five digits, whatever the label's fixed size says.
      RString digits;
      StrExpr().Append(u"0000000").Append(number).StoreInto(digits);
      StrExpr file;
      file.Append(g_app.BaseName).Call(StrRight, digits.get(), 5).Append(u".png").StoreInto(g_app.OutFile);
    } else {
      LabelDraw(g_app.LastText.get(), 1);
      StrExpr().Append(g_app.BaseName).Append(g_app.LastText).Append(u".png").StoreInto(g_app.OutFile);
    }
    if (DrawingBegin(GadgetCanvasOutput(g_gadgets.cnvPreview))) {
      int64_t grabbed = DrawingGrabImage(CV_Any, 0, 0, g_app.BackWidth, g_app.BackHeight);
      // A failed save (no writable folder, a name the file system refuses) is not reported.
      if (grabbed) ImageSave(grabbed, g_app.OutFile.get(), kImageFormatPng);
      ImageFree(grabbed);
      DrawingEnd();
    }
    while (WindowPollEvent() != 0) {
    }
    if (g_app.Counter == INT64_MAX) break;
    ++g_app.Counter;
  }
}

void BackgroundLoad() {
  RString name;
  StrExpr()
      .Call(RequesterOpenFile, u"Stampwork", g_app.BackFile.get(), kPicturePattern, 0, 0)
      .StoreInto(name);
  if (name.empty()) return;
  g_app.BackFile = name;
  if (g_app.BackImage) ImageFree(g_app.BackImage);
  g_app.BackImage = ImageLoad(CV_Any, g_app.BackFile.get());
  if (g_app.BackImage) {
    g_app.BackWidth = ImageGetWidth(g_app.BackImage);
    g_app.BackHeight = ImageGetHeight(g_app.BackImage);
  }
}
