// Containers and the gadget list: gadgets go into the innermost open list, each window keeps
// its own list while another one is current, containers report their resizing and paint their
// back colour, and the gadgets inside report as if they sat in the window.
#include <vector>

#include "gadget_fixture.h"

namespace {

class ContainerTest : public GadgetFixture {
 protected:
  std::vector<int64_t> GadgetSources() {
    std::vector<int64_t> sources;
    for (const GadgetEvent& event : GadgetEvents()) sources.push_back(event.gadget);
    return sources;
  }
};

TEST_F(ContainerTest, GadgetsGoIntoTheOpenContainerUntilItIsClosed) {
  ASSERT_NE(GadgetContainerCreate(1, 10, 10, 200, 150, CV_Container_Double), 0);
  EXPECT_EQ(GadgetKind(1), GADGET_KIND_CONTAINER);
  EXPECT_EQ(GadgetListCurrent(), Control(1));
  GadgetButtonCreate(2, 5, 5, 80, 24, u"Inside");
  EXPECT_EQ(GetParent(Control(2)), Control(1));
  EXPECT_EQ(GadgetListClose(), 1);
  EXPECT_EQ(GadgetListCurrent(), Window(0));
  EXPECT_EQ(GadgetListClose(), 0);  // nothing left to close
  GadgetButtonCreate(3, 250, 5, 80, 24, u"Outside");
  EXPECT_EQ(GetParent(Control(3)), Window(0));
  EXPECT_EQ(GadgetGetX(2), 5);  // in the container's client coordinates
  GadgetSources();
  RECT frame;
  GetWindowRect(Control(2), &frame);
  platform::InputClick(frame.left + 10, frame.top + 10);
  std::vector<int64_t> sources = GadgetSources();
  ASSERT_EQ(sources.size(), 1u);
  EXPECT_EQ(sources[0], 2);
  EXPECT_EQ(EventGetWindow(), 0);
  // Reopening an existing container puts new gadgets back in it.
  GadgetListOpen(1);
  GadgetTextCreate(4, 5, 40, 80, 20, u"later");
  EXPECT_EQ(GetParent(Control(4)), Control(1));
}

TEST_F(ContainerTest, NestingGrowsTheStackBeyondItsFirstTenEntries) {
  for (int64_t i = 1; i <= 13; ++i) ASSERT_NE(GadgetContainerCreate(i, 1, 1, 300 - 10 * i, 200 - 10 * i), 0);
  EXPECT_EQ(GadgetListCurrent(), Control(13));
  for (int64_t i = 12; i >= 1; --i) {
    GadgetListClose();
    EXPECT_EQ(GadgetListCurrent(), Control(i));
  }
  GadgetListClose();
  EXPECT_EQ(GadgetListCurrent(), Window(0));
}

TEST_F(ContainerTest, EachWindowKeepsItsOwnListWhileAnotherIsCurrent) {
  GadgetContainerCreate(1, 10, 10, 200, 150);
  ASSERT_NE(WindowOpen(1, 600, 100, 300, 200, u"Second"), 0);
  EXPECT_EQ(GadgetListCurrent(), Window(1));
  GadgetButtonCreate(2, 0, 0, 50, 20, u"second");
  EXPECT_EQ(GetParent(Control(2)), Window(1));
  // Back to the first window: its container is still the open list, under the window.
  EXPECT_EQ(GadgetListUse(Window(0)), Window(1));
  EXPECT_EQ(GadgetListCurrent(), Control(1));
  EXPECT_EQ(GadgetListUse(nullptr), Window(0));  // asks without switching
  GadgetListClose();
  EXPECT_EQ(GadgetListCurrent(), Window(0));
  GadgetListUse(Window(1));
  EXPECT_EQ(GadgetListCurrent(), Window(1));
  WindowClose(1);
  EXPECT_EQ(GadgetListCurrent(), nullptr);
  EXPECT_EQ(GadgetIsValid(2), nullptr);
  GadgetListUse(Window(0));
  EXPECT_EQ(GadgetListCurrent(), Window(0));
}

TEST_F(ContainerTest, ResizingAContainerIsReportedEvenAmongProgrammaticChanges) {
  GadgetContainerCreate(1, 10, 10, 200, 150);
  GadgetListClose();
  GadgetSources();
  EventSuppressChanges();
  GadgetResize(1, CV_Keep, CV_Keep, 250, CV_Keep);
  EventAllowChanges();
  ASSERT_EQ(WindowPollEvent(), EC_GADGET);
  EXPECT_EQ(EventSourceGadget(), 1);
  EXPECT_EQ(EventGetType(), 0);
  EXPECT_TRUE(GadgetSources().empty());
  EXPECT_EQ(GadgetGetWidth(1), 250);
  EXPECT_EQ(GadgetGetHeight(1), 150);
}

TEST_F(ContainerTest, BackColourFillsTheContainer) {
  GadgetContainerCreate(1, 10, 10, 100, 80);
  GadgetListClose();
  EXPECT_EQ(GadgetGetColor(1, 2), -1);
  GadgetSetColor(1, 1, 0x0000FF);  // no front colour for containers
  EXPECT_EQ(GadgetGetColor(1, 1), -1);
  GadgetSetColor(1, 2, 0xFF0000);  // blue in the runtime's colour order
  EXPECT_EQ(GadgetGetColor(1, 2), 0xFF0000);
  EXPECT_EQ(Pixel(50, 50), 0x0000FFu);  // read back as 0xRRGGBB
  EXPECT_EQ(Pixel(5, 5), 0xF0F0F0u);
  int64_t brushes = GadgetBrushCount();
  GadgetFree(1);
  EXPECT_EQ(GadgetBrushCount(), brushes - 1);
}

}  // namespace
