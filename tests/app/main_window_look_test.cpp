// The main window as a person sees it, read from its backing bitmap with a 640 x 480 picture:
// every caption fits its gadget, no gadgets overlap, fields have sunken edges, options are
// round, the font box shows the font in use, and the column looks the same at 96 and 192 dpi.
// Screenshots of the window, the open font list and a focused field are saved for people.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app_state.h"
#include "controls.h"
#include "dialogs.h"
#include "testing.h"
#include "fresh_directory.h"
#include "input.h"
#include "main_window.h"
#include "settings.h"
#include "stampwork.h"

namespace {

// The main window's client pixels (0x00RRGGBB), with child windows such as the open list laid over.
struct Shot {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(LONG x, LONG y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  void Lay(HWND window, POINT at) {
    DIBSECTION section{};
    if (GetObjectW(platform::WindowBacking(window), sizeof section, &section) != sizeof section) return;
    for (LONG y = 0; y < section.dsBm.bmHeight; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(section.dsBm.bmBits) +
                                                          static_cast<ptrdiff_t>(y) * section.dsBm.bmWidthBytes);
      for (LONG x = 0; x < section.dsBm.bmWidth; ++x) {
        if (x + at.x >= 0 && x + at.x < width && y + at.y >= 0 && y + at.y < height) {
          pixels[static_cast<size_t>(y + at.y) * width + x + at.x] = row[x] & 0xFFFFFF;
        }
      }
    }
  }
  void Save(const char* name) const {
    std::string path = std::string(STAMPWORK_SCREENSHOTS) + "/" + name;
    std::u16string file(path.begin(), path.end());
    std::vector<uint32_t> opaque(pixels);
    for (uint32_t& pixel : opaque) pixel |= 0xFF000000u;
    EXPECT_NE(ImageEncode(file.c_str(), opaque.data(), kImageFormatPng, width, height, width * 4, 32, 0, 7, 24), 0);
  }
};

uint32_t Colour(int index) {
  COLORREF c = GetSysColor(index);
  return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

class MainWindowLookTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { Start(GetParam()); }
  // Starts the program at a resolution and chooses a 640 x 480 picture with "Load Image".
  void Start(int dpi) {
    platform::testing::ScreenSet(platform::ScreenInfo{0, 0, dpi, 0});
    platform::testing::DialogsReset();
    StampworkStart();  // no picture yet: the requester was not answered
    std::vector<uint8_t> picture(640 * 480 * 3);
    for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<uint8_t>((i / 3 % 640) * 255 / 640);
    ASSERT_NE(ImageEncode(here_.Path("back.bmp").c_str(), picture.data(), ImageFormatTag("BMP"), 640, 480, 640 * 3, 24,
                          0, 7, 24), 0);
    platform::testing::DialogAnswer answer;
    answer.paths = {here_.Path("back.bmp")};
    platform::testing::DialogsQueueFileAnswer(answer);
    RECT button = Frame(Handle(g_gadgets.btnLoadImage));
    platform::InputClick(button.left + 5, button.top + 5);
    RunEvents();
  }
  void TearDown() override {
    StampworkShutdown();
    platform::testing::DialogsReset();
    platform::testing::ScreenSet(platform::ScreenInfo{});
  }
  static HWND Handle(int64_t gadget) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(GadgetHandle(gadget))); }
  static HWND Window() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(0))); }
  static RECT Frame(HWND control) {
    RECT frame;
    GetWindowRect(control, &frame);
    return frame;
  }
  // A control's frame in the main window's client coordinates.
  static RECT Place(HWND control) {
    RECT frame = Frame(control);
    MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&frame), 2);
    return frame;
  }
  static void RunEvents() {
    for (int guard = 0; guard < 10000; ++guard) {
      int64_t code = WindowPollEvent();
      if (code == 0) break;
      MainWindowHandleEvent(code);
    }
    platform::PumpMessages();
  }
  static Shot Take() {
    RunEvents();
    Shot shot;
    shot.width = static_cast<int>(WindowGetWidth(0, 1));
    shot.height = static_cast<int>(WindowGetHeight(0, 1));
    shot.pixels.assign(static_cast<size_t>(shot.width) * shot.height, 0);
    shot.Lay(Window(), POINT{0, 0});
    return shot;
  }
  // Every gadget's rectangle (a spin's two controls make one), from the controls' "CV_ID".
  static std::map<int64_t, RECT> GadgetRects() {
    std::map<int64_t, RECT> rects;
    for (HWND child = GetWindow(Window(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      auto id = reinterpret_cast<intptr_t>(GetPropW(child, u"CV_ID"));
      RECT place = Place(child);
      auto [it, added] = rects.emplace(id, place);
      if (!added) UnionRect(&it->second, &it->second, &place);
    }
    return rects;
  }

  InFreshDirectory here_;
};

TEST_P(MainWindowLookTest, EveryCaptionFitsItsGadgetAndNoGadgetsOverlap) {
  ASSERT_EQ(WindowGetWidth(0, 1), 640 + 280);
  std::map<int64_t, RECT> rects = GadgetRects();
  ASSERT_GE(rects.size(), 35u);
  for (auto a = rects.begin(); a != rects.end(); ++a) {
    for (auto b = std::next(a); b != rects.end(); ++b) {
      RECT both;
      EXPECT_FALSE(IntersectRect(&both, &a->second, &b->second)) << a->first << " overlaps " << b->first;
    }
  }
  int captions = 0;
  for (const auto& [gadget, rect] : rects) {
    const int64_t kind = GadgetKind(gadget);
    if (kind != 1 && kind != 3 && kind != 5) continue;  // buttons, texts and options carry captions
    const char16_t* text = GadgetGetText(gadget, 0);
    std::u16string caption = text ? text : u"";
    HWND control = Handle(gadget);
    HDC dc = GetDC(control);
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SIZE extent{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    // Room for the text: a button's edges and margins, an option's round box and gap.
    const LONG room = (rect.right - rect.left) - (kind == 1 ? 6 : kind == 5 ? 17 : 0);
    EXPECT_LE(extent.cx, room) << "\"" << std::string(caption.begin(), caption.end()) << "\" is cut";
    EXPECT_LE(extent.cy, rect.bottom - rect.top);
    ++captions;
  }
  EXPECT_GE(captions, 20);
}

TEST_P(MainWindowLookTest, FieldsHaveSunkenEdgesAndOptionsAreRoundWithADot) {
  const MainWindowGadgets& g = g_gadgets;
  Shot shot = Take();
  for (int64_t field : {g.strPre, g.strSuf, g.strLast, g.spnStart, g.spnStop, g.cmbFont, g.cmbAnchor}) {
    RECT r = Place(Handle(field));
    EXPECT_EQ(shot.At(r.left, r.top), Colour(COLOR_BTNSHADOW)) << field;
    EXPECT_EQ(shot.At(r.left + 1, r.top + 1), Colour(COLOR_3DDKSHADOW)) << field;
    EXPECT_EQ(shot.At(r.left + 2, r.bottom - 1), Colour(COLOR_BTNHIGHLIGHT)) << field;
    EXPECT_EQ(shot.At(r.right - 2, r.top + 2), Colour(COLOR_3DLIGHT)) << field;
  }
  ASSERT_EQ(GadgetGetState(g.optNone), 1);
  std::vector<uint32_t> centres;
  for (int64_t option : {g.optNone, g.optColor}) {
    // The box: what differs from the face colour in the option's first columns.
    RECT r = Place(Handle(option)), box{r.right, r.bottom, r.left, r.top};
    for (LONG y = r.top; y < r.bottom; ++y) {
      for (LONG x = r.left; x < r.left + 14; ++x) {
        if (shot.At(x, y) == Colour(COLOR_BTNFACE)) continue;
        box = RECT{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1), std::max(box.bottom, y + 1)};
      }
    }
    ASSERT_GE(box.right - box.left, 10);
    EXPECT_EQ(box.right - box.left, box.bottom - box.top);
    // Round: the corners stay the face colour while the middle of each side is drawn.
    EXPECT_EQ(shot.At(box.left, box.top), Colour(COLOR_BTNFACE));
    EXPECT_EQ(shot.At(box.right - 1, box.bottom - 1), Colour(COLOR_BTNFACE));
    EXPECT_NE(shot.At(box.left, (box.top + box.bottom) / 2), Colour(COLOR_BTNFACE));
    centres.push_back(shot.At((box.left + box.right) / 2, (box.top + box.bottom) / 2));
  }
  EXPECT_EQ(centres[0], Colour(COLOR_WINDOWTEXT));  // the selected option's dot
  EXPECT_EQ(centres[1], Colour(COLOR_WINDOW));
}

TEST_P(MainWindowLookTest, TheColumnLooksTheSameAtEveryResolution) {
  Shot here = Take();
  TearDown();
  Start(GetParam() == 96 ? 192 : 96);
  Shot other = Take();
  ASSERT_EQ(here.height, other.height);
  int differing = 0;
  for (LONG y = 0; y < here.height; ++y) {
    for (LONG x = 0; x < 270; ++x) differing += here.At(x, y) != other.At(x, y);
  }
  EXPECT_EQ(differing, 0);
}

// The font box shows the face the label is drawn with, whatever name the settings carry, and
// the settings keep the name they had.
TEST_P(MainWindowLookTest, TheFontBoxShowsTheFontInUse) {
  const std::string kLong(10000, 'W');
  for (const std::string& name : {std::string("Arial"), std::string("liberation serif bold"),
                                  std::string("Face Nobody Has Installed"), kLong}) {
    here_.Write("font.ini", "FontName = " + name + "\n");
    SettingsLoad(here_.Path("font.ini").c_str());
    ASSERT_EQ(std::u16string(g_app.FontName.get()), std::u16string(name.begin(), name.end()));
    const char16_t* shown = GadgetGetText(g_gadgets.cmbFont, 0);
    std::u16string box = shown ? shown : u"";
    EXPECT_GE(GadgetGetState(g_gadgets.cmbFont), 0) << name.substr(0, 40);
    // The box's face draws the label's text exactly as the settings' name does.
    HDC dc = CreateCompatibleDC(nullptr);
    SIZE extents[2];
    const std::u16string faces[2] = {std::u16string(name.begin(), name.end()), box};
    for (int i = 0; i < 2; ++i) {
      HFONT font = CreateFontW(-40, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, faces[i].c_str());
      HGDIOBJ old = SelectObject(dc, font);
      GetTextExtentPoint32W(dc, u"Stampwork 0123", 14, &extents[i]);
      SelectObject(dc, old);
      DeleteObject(font);
    }
    DeleteDC(dc);
    EXPECT_EQ(extents[0].cx, extents[1].cx) << name.substr(0, 40) << " shows as " << std::string(box.begin(), box.end());
  }
}

TEST_P(MainWindowLookTest, ScreenshotsOfTheWindowTheOpenFontListAndAFocusedField) {
  if (GetParam() != 96) GTEST_SKIP() << "taken once";
  Take().Save("main_window.png");
  HWND box = Handle(g_gadgets.cmbFont);
  SendMessageW(box, CB_SHOWDROPDOWN, TRUE, 0);
  RECT frame = Frame(box);
  HWND list = WindowFromPoint(POINT{frame.left + 20, frame.bottom + 10});
  ASSERT_NE(list, nullptr);
  ASSERT_NE(list, Window());
  Shot open = Take();
  RECT listPlace = Place(list);
  open.Lay(list, POINT{listPlace.left, listPlace.top});
  open.Save("font_list_open.png");
  SendMessageW(box, CB_SHOWDROPDOWN, FALSE, 0);
  SetFocus(Handle(g_gadgets.strLast));
  platform::InputKeyPress(VK_END);
  platform::InputText(u" of it");
  Take().Save("focused_field.png");
}

INSTANTIATE_TEST_SUITE_P(Resolutions, MainWindowLookTest, ::testing::Values(96, 192));

}  // namespace
