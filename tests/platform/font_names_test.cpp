// The font list's names: the common Windows names on the installed faces with their widths,
// families with their styles, names cut at a LOGFONTW's length, GetTextFaceW, and the dialog
// font's stand-in chosen by its widths.
#include <set>

#include "text_support.h"

namespace {

std::u16string Face(Canvas& canvas) {
  char16_t name[64] = {};
  EXPECT_GT(GetTextFaceW(canvas.dc, 64, name), 0);
  return name;
}

struct Twin {
  const char16_t* windows;
  const char16_t* installed;
};

class WindowsNameTest : public ::testing::TestWithParam<Twin> {};

TEST_P(WindowsNameTest, StandsOnTheInstalledFaceWithItsWidthsUnderItsOwnName) {
  const Twin& twin = GetParam();
  Canvas a(10, 10), b(10, 10);
  for (auto [weight, italic] : {std::pair{FW_NORMAL, false}, std::pair{FW_BOLD, true}}) {
    a.Use(twin.windows, -30, weight, italic);
    b.Use(twin.installed, -30, weight, italic);
    EXPECT_EQ(a.Extent(u"Stampwork 0123").cx, b.Extent(u"Stampwork 0123").cx);
    EXPECT_EQ(a.Metrics().tmWeight, b.Metrics().tmWeight);
  }
  EXPECT_EQ(Face(a), twin.windows);
  EXPECT_EQ(Face(b), twin.installed);
  // Its styles are names of their own: "Arial Bold" is the bold face.
  a.Use((std::u16string(twin.windows) + u" Bold").c_str(), -30);
  b.Use(twin.installed, -30, FW_BOLD);
  EXPECT_EQ(a.Extent(u"Stampwork 0123").cx, b.Extent(u"Stampwork 0123").cx);
  EXPECT_EQ(a.Metrics().tmWeight, FW_BOLD);
}

INSTANTIATE_TEST_SUITE_P(Liberation, WindowsNameTest,
                         ::testing::Values(Twin{u"Arial", u"Liberation Sans"}, Twin{u"Times New Roman", u"Liberation Serif"},
                                           Twin{u"Courier New", u"Liberation Mono"},
                                           Twin{u"Arial Narrow", u"Liberation Sans Narrow"}));

int CALLBACK_Names(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM data) {
  reinterpret_cast<std::set<std::u16string>*>(data)->insert(reinterpret_cast<const ENUMLOGFONTEXW*>(lf)->elfFullName);
  return 1;
}

TEST(FontNames, FamiliesAreListedByNameAndTheirStylesByFamilyAndStyle) {
  Canvas canvas(1, 1);
  LOGFONTW all{};
  all.lfCharSet = DEFAULT_CHARSET;
  std::set<std::u16string> families;
  EnumFontFamiliesExW(canvas.dc, &all, CALLBACK_Names, reinterpret_cast<LPARAM>(&families), 0);
  for (const char16_t* name : {u"Arial", u"Times New Roman", u"Courier New", u"DejaVu Sans", u"Liberation Sans"}) {
    EXPECT_TRUE(families.count(name)) << std::string(name, name + std::char_traits<char16_t>::length(name));
  }
  for (const std::u16string& name : families) EXPECT_EQ(name.find(u'-'), std::u16string::npos) << "a machine's name";
  LOGFONTW named{};
  named.lfCharSet = DEFAULT_CHARSET;
  std::u16string family = u"Times New Roman";
  std::copy(family.begin(), family.end(), named.lfFaceName);
  std::set<std::u16string> styles;
  EnumFontFamiliesExW(canvas.dc, &named, CALLBACK_Names, reinterpret_cast<LPARAM>(&styles), 0);
  EXPECT_EQ(styles, (std::set<std::u16string>{u"Times New Roman", u"Times New Roman Bold", u"Times New Roman Italic",
                                               u"Times New Roman Bold Italic"}));
}

TEST(FontNames, AStyleNameCutAtTheFaceNameLengthStillFindsItsFace) {
  Canvas cut(10, 10), whole(10, 10);
  // CreateFontW keeps 31 characters: "Liberation Sans Narrow Bold Ita".
  cut.Use(u"Liberation Sans Narrow Bold Italic", -30);
  whole.Use(u"Liberation Sans Narrow", -30, FW_BOLD, true);
  EXPECT_EQ(cut.Extent(u"Stampwork").cx, whole.Extent(u"Stampwork").cx);
  EXPECT_EQ(cut.Metrics().tmWeight, FW_BOLD);
  EXPECT_EQ(Face(cut), u"Liberation Sans Narrow");
}

TEST(FontNames, TheDialogFontHasTheWidthsItsLayoutsWereMadeFor) {
  Canvas dialog(10, 10), arial(10, 10);
  SelectObject(dialog.dc, GetStockObject(DEFAULT_GUI_FONT));
  arial.Use(u"Arial", -11);
  for (const char16_t* caption : {u"FixedSize", u"Pre/Suffix", u"Outline (alt+click=pick)"}) {
    EXPECT_EQ(dialog.Extent(caption).cx, arial.Extent(caption).cx);
  }
  EXPECT_LE(dialog.Extent(u"FixedSize").cx, 50);
  EXPECT_LE(dialog.Extent(u"Pre/Suffix").cx, 50);
}

TEST(FontNames, GetTextFaceRefusesBadArgumentsAndCutsToTheBuffer) {
  Canvas canvas(10, 10);
  canvas.Use(u"Liberation Sans", -12);
  EXPECT_EQ(GetTextFaceW(nullptr, 10, nullptr), 0);
  char16_t small[5] = {u'x', u'x', u'x', u'x', u'x'};
  EXPECT_EQ(GetTextFaceW(canvas.dc, 0, small), 0);
  EXPECT_EQ(GetTextFaceW(canvas.dc, 5, small), 4);
  EXPECT_EQ(std::u16string(small), u"Libe");
  EXPECT_EQ(GetTextFaceW(canvas.dc, 0, nullptr), 16);  // the room "Liberation Sans" needs
}

}  // namespace
