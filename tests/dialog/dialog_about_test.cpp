// A dialog of the About window's shape: a logo, centred texts and a link over a row of buttons,
// with two more pages stacked in a multibox. It must lay out with no two visible gadgets
// overlapping, all inside the window, before and after the user resizes it; its picture is
// saved for a person to look at.
#include <vector>

#include "dialog_fixture.h"

namespace {

class AboutShapeTest : public DialogTest {
 protected:
  void TearDown() override {
    DialogTest::TearDown();
    if (logo_) DeleteObject(logo_);
  }

  // A 128 x 128 logo: a blue disc on white.
  HBITMAP Logo() {
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 128, 128, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    logo_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<uint8_t*>(bits);
    for (int y = 0; y < 128; ++y) {
      for (int x = 0; x < 128; ++x) {
        bool inside = (x - 64) * (x - 64) + (y - 64) * (y - 64) < 56 * 56;
        uint8_t* p = pixels + y * 128 * 3 + x * 3;
        p[0] = 255;
        p[1] = p[2] = inside ? 90 : 255;
      }
    }
    return logo_;
  }

  // Every visible control without children of its own, in window client coordinates.
  std::vector<RECT> VisibleLeaves() {
    std::vector<RECT> leaves;
    EnumChildWindows(
        WindowOf(),
        [](HWND child, LPARAM param) -> BOOL {
          if (IsWindowVisible(child) && GetWindow(child, GW_CHILD) == nullptr) {
            auto* self = reinterpret_cast<AboutShapeTest*>(param);
            RECT r;
            GetWindowRect(child, &r);
            MapWindowPoints(nullptr, self->WindowOf(), reinterpret_cast<POINT*>(&r), 2);
            self->leaves_.push_back(r);
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
    leaves.swap(leaves_);
    return leaves;
  }

  void ExpectTidy(const char* when) {
    std::vector<RECT> leaves = VisibleLeaves();
    ASSERT_GE(leaves.size(), 8u) << when;
    RECT client{0, 0, static_cast<LONG>(InnerWidth()), static_cast<LONG>(InnerHeight())};
    for (size_t i = 0; i < leaves.size(); ++i) {
      RECT inside;
      IntersectRect(&inside, &leaves[i], &client);
      EXPECT_TRUE(EqualRect(&inside, &leaves[i])) << when << ": gadget " << i << " leaves the window";
      EXPECT_GT(Width(leaves[i]), 0) << when;
      for (size_t j = i + 1; j < leaves.size(); ++j) {
        RECT overlap;
        EXPECT_FALSE(IntersectRect(&overlap, &leaves[i], &leaves[j])) << when << ": gadgets " << i << " and " << j;
      }
    }
  }

  HBITMAP logo_ = nullptr;
  std::vector<RECT> leaves_;
};

TEST_F(AboutShapeTest, OpensTidyAndStaysTidyWhenResized) {
  std::u16string xml =
      u"<window name='About' text='About ...' flags='#CV_Window_ScreenCentered' > <vbox>   <multibox>"
      u"     <container name='conGeneral' height='150' >       <vbox>"
      u"<singlebox expand='no' align='center'><image name='imgLogo' /></singlebox>"
      u"<text name='txtProgram' text='Stampwork' flags='#CV_Text_Center' />"
      u"<text name='txtVersion' text=' Build 5' flags='#CV_Text_Center' />"
      u"<text name='txtComment' text='20.05.2016' flags='#CV_Text_Center' />"
      u"<text name='txtCopyright' text='(c) the Stampwork authors' flags='#CV_Text_Center' />"
      u"<singlebox expand='no' align='center'><hyperlink name='lnkwebsite' text='https://stampwork.example/' "
      u"flags='#CV_Hyperlink_Underline' /></singlebox>"
      u"       </vbox>     </container>     <container name='conCredits' invisible='yes' >"
      u"       <canvas name='editCredits' />     </container>     <container name='conLicense' invisible='yes' >"
      u"       <canvas name='editLicense' />     </container>   </multibox>   <hbox>"
      u"     <button name='credit' text='Credits' flags='#CV_Button_Toggle' />"
      u"     <button name='license' text='License' flags='#CV_Button_Toggle' />"
      u"     <button name='okay' text='Okay' flags='#CV_Button_Default' />   </hbox> </vbox></window>";
  ASSERT_EQ(Open(xml, u"About", 300, 100), 1) << std::string(Error().begin(), Error().end());
  EXPECT_EQ(Error(), u"");
  GadgetSetState(Gadget(u"imgLogo"), static_cast<int64_t>(reinterpret_cast<uintptr_t>(Logo())));
  ASSERT_EQ(DialogRefresh(dialog_), 1);
  EXPECT_GE(Width(Rect(u"imgLogo")), 128);
  EXPECT_GE(InnerHeight(), 128 + 5 * 24);
  ExpectTidy("opened");

  int outerWidth = static_cast<int>(WindowGetWidth(DialogWindowNumber(dialog_), 0));
  int outerHeight = static_cast<int>(WindowGetHeight(DialogWindowNumber(dialog_), 0));
  platform::InputResize(WindowOf(), outerWidth + 250, outerHeight + 120);
  ExpectTidy("enlarged");
  EXPECT_NEAR(Rect(u"okay").right, InnerWidth() - 8, 2);  // shares are truncated
  platform::InputResize(WindowOf(), outerWidth, outerHeight);
  ExpectTidy("restored");

  SavePicture(u"about_dialog.png");
}

}  // namespace
