// What the dialog tests share: the libraries a dialog needs, a description opened as a dialog,
// and where its gadgets ended up in the window's client area.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "corvid.h"
#include "backend.h"
#include "input.h"
#include "window_picture.h"

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MainHeapCreate();
    StringHeapInit();
    ListInit();
    MapInit();
    XmlInit();
    EventQueueInit();
    WindowInit();
    GadgetInit();
    RuntimeNameTableInit();
    DialogInit();
    CodecInit();
    PngEncoderInit();
  }
  void TearDown() override {
    DialogShutdown();
    GadgetShutdown();
    WindowShutdown();
    EventQueueShutdown();
    XmlShutdown();
    platform::PumpMessages();
    StringHeapShutdown();
    MainHeapDestroy();
  }

  // Parses a description and opens it as a new dialog; the result of DialogOpenXml.
  int64_t Open(const std::u16string& xml, const char16_t* name = u"", int64_t width = 0, int64_t height = 0) {
    int64_t document = XmlParse(CV_Any, xml.data(), static_cast<int64_t>(xml.size() * 2), 0, 2);
    EXPECT_EQ(XmlStatus(document), 0);
    dialog_ = DialogNew(CV_Any);
    int64_t result = DialogOpenXml(dialog_, document, name, 0, 0, width, height, 0);
    XmlFree(document);
    return result;
  }
  std::u16string Error() { return DialogErrorText(dialog_, 0); }
  int64_t Gadget(const char16_t* name) { return DialogFindGadget(dialog_, name); }
  HWND WindowOf() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(DialogWindowNumber(dialog_)))); }
  // A gadget's rectangle in the dialog window's client coordinates.
  RECT Rect(const char16_t* name) {
    RECT rect{};
    HWND control = reinterpret_cast<HWND>(static_cast<uintptr_t>(GadgetHandle(Gadget(name))));
    EXPECT_NE(control, nullptr) << std::string(name, name + std::char_traits<char16_t>::length(name));
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, WindowOf(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }
  // Saves the window's picture as a PNG file beside the test, for a person to look at.
  void SavePicture(const char16_t* file) { EXPECT_TRUE(SaveWindowPicture(WindowOf(), file)); }
  int64_t InnerWidth() { return WindowGetWidth(DialogWindowNumber(dialog_), 1); }
  int64_t InnerHeight() { return WindowGetHeight(DialogWindowNumber(dialog_), 1); }

  int64_t dialog_ = 0;
};

inline int Width(const RECT& r) { return r.right - r.left; }
inline int Height(const RECT& r) { return r.bottom - r.top; }
