// The GDI object table and device contexts: default objects, selection rules, deletion,
// refusal of stale handles, bitmaps and sections with their descriptions, GetDIBits, pixels,
// FillRect, surface DCs, the batch limit and the run-time libraries that stand beside GDI.
#include <gtest/gtest.h>

#include <cstring>

#include "gdi_helpers.h"
#include "gdi_objects.h"
#include "kernel.h"
#include "visual_styles.h"
#include "testing.h"

namespace {

class GdiTest : public GdiLeakCheckTest {};

BITMAP Describe(HGDIOBJ bitmap) {
  BITMAP description{};
  EXPECT_EQ(GetObjectW(bitmap, sizeof description, &description), static_cast<int>(sizeof description));
  return description;
}

TEST_F(GdiTest, NewMemoryDcHoldsTheMonochromeDefaultBitmapAndTheWhiteBrush) {
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
  HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
  EXPECT_EQ(bitmap, GetStockObject(DEFAULT_BITMAP));
  BITMAP description = Describe(bitmap);
  EXPECT_EQ(description.bmWidth, 1);
  EXPECT_EQ(description.bmHeight, 1);
  EXPECT_EQ(description.bmBitsPixel, 1);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
  EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
  EXPECT_EQ(GetStretchBltMode(dc), BLACKONWHITE);
  EXPECT_TRUE(DeleteDC(dc));
}

TEST_F(GdiTest, SelectObjectReturnsWhatWasSelectedBefore) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP first = CreateBitmap(4, 4, 1, 32, nullptr);
  HBITMAP second = CreateBitmap(4, 4, 1, 32, nullptr);
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  EXPECT_EQ(SelectObject(dc, first), GetStockObject(DEFAULT_BITMAP));
  EXPECT_EQ(SelectObject(dc, second), first);
  EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_BRUSH)), brush);
  EXPECT_EQ(SelectObject(dc, GetStockObject(DEFAULT_BITMAP)), second);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_TRUE(DeleteObject(first));
  EXPECT_TRUE(DeleteObject(second));
  EXPECT_TRUE(DeleteObject(brush));
}

TEST_F(GdiTest, ABitmapServesOneDcAtATime) {
  HDC one = CreateCompatibleDC(nullptr);
  HDC two = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(2, 2, 1, 24, nullptr);
  ASSERT_NE(SelectObject(one, bitmap), nullptr);
  EXPECT_EQ(SelectObject(two, bitmap), nullptr);
  EXPECT_EQ(GetCurrentObject(two, OBJ_BITMAP), GetStockObject(DEFAULT_BITMAP));
  EXPECT_EQ(SelectObject(one, bitmap), bitmap);  // selecting it again where it is changes nothing
  SelectObject(one, GetStockObject(DEFAULT_BITMAP));
  EXPECT_EQ(SelectObject(two, bitmap), GetStockObject(DEFAULT_BITMAP));
  // The stock bitmap is shared by every DC.
  EXPECT_NE(SelectObject(one, GetStockObject(DEFAULT_BITMAP)), nullptr);
  DeleteDC(two);
  DeleteDC(one);
  DeleteObject(bitmap);
}

TEST_F(GdiTest, DeletingASelectedBitmapFailsUntilItsDcIsGone) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(2, 2, 1, 24, nullptr);
  SelectObject(dc, bitmap);
  EXPECT_FALSE(DeleteObject(bitmap));
  EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_TRUE(DeleteObject(bitmap));
}

TEST_F(GdiTest, ADeletedBrushStaysWithItsDcAndGoesWithIt) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBRUSH brush = CreateSolidBrush(RGB(9, 9, 9));
  SelectObject(dc, brush);
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));  // still drawing in the DC
  EXPECT_EQ(SelectObject(dc, brush), nullptr);                      // but not to be selected again
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetObjectType(brush), 0u);
  DeleteDC(dc);
}

TEST_F(GdiTest, StaleAndMadeUpHandlesAreRefused) {
  HBITMAP bitmap = CreateBitmap(2, 2, 1, 24, nullptr);
  ASSERT_TRUE(DeleteObject(bitmap));
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAP description{};
  EXPECT_EQ(GetObjectType(bitmap), 0u);
  EXPECT_FALSE(DeleteObject(bitmap));
  EXPECT_EQ(SelectObject(dc, bitmap), nullptr);
  EXPECT_EQ(GetObjectW(bitmap, sizeof description, &description), 0);
  auto* madeUp = reinterpret_cast<HGDIOBJ>(uintptr_t{0x1234});
  EXPECT_EQ(GetObjectType(madeUp), 0u);
  EXPECT_EQ(SelectObject(dc, madeUp), nullptr);
  EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(madeUp), GetStockObject(BLACK_BRUSH)), nullptr);
  EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(bitmap)));
  EXPECT_FALSE(DeleteObject(dc));  // a DC goes with DeleteDC only
  EXPECT_EQ(SelectObject(dc, dc), nullptr);
  DeleteDC(dc);
  EXPECT_FALSE(DeleteDC(dc));
}

TEST_F(GdiTest, TheObjectCountFollowsCreationAndDeletionButNotStockObjects) {
  const int64_t before = platform::testing::GdiObjectCount();
  GetStockObject(BLACK_BRUSH);
  EXPECT_EQ(platform::testing::GdiObjectCount(), before);
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 3, 3);
  HBRUSH brush = CreateSolidBrush(0);
  EXPECT_EQ(platform::testing::GdiObjectCount(), before + 3);
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));  // harmless, and not counted
  DeleteObject(bitmap);
  DeleteObject(brush);
  DeleteDC(dc);
  EXPECT_EQ(platform::testing::GdiObjectCount(), before);
}

TEST_F(GdiTest, SectionsAreZeroFilledAndDescribeThemselves) {
  uint8_t* pixels = nullptr;
  HBITMAP section = TestSection(3, 2, 24, &pixels);
  ASSERT_NE(section, nullptr);
  ASSERT_NE(pixels, nullptr);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(pixels[i], 0);
  DIBSECTION description{};
  ASSERT_EQ(GetObjectW(section, sizeof description, &description), static_cast<int>(sizeof(DIBSECTION)));
  EXPECT_EQ(description.dsBm.bmWidth, 3);
  EXPECT_EQ(description.dsBm.bmHeight, 2);
  EXPECT_EQ(description.dsBm.bmWidthBytes, 12);  // 9 bytes rounded up to a DWORD
  EXPECT_EQ(description.dsBm.bmBitsPixel, 24);
  EXPECT_EQ(description.dsBm.bmBits, pixels);
  EXPECT_EQ(description.dsBmih.biHeight, 2);
  EXPECT_EQ(description.dsBmih.biSizeImage, 24u);
  EXPECT_EQ(description.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));
  EXPECT_EQ(Describe(section).bmBits, pixels);  // a BITMAP-sized buffer gets the BITMAP part
  DeleteObject(section);

  HBITMAP topDown = TestSection(5, 4, 32, &pixels, true);
  ASSERT_EQ(GetObjectW(topDown, sizeof description, &description), static_cast<int>(sizeof(DIBSECTION)));
  EXPECT_EQ(description.dsBm.bmHeight, 4);
  EXPECT_EQ(description.dsBmih.biHeight, -4);
  EXPECT_EQ(description.dsBm.bmWidthBytes, 20);
  DeleteObject(topDown);
}

TEST_F(GdiTest, CreateDIBSectionRefusesWhatItCannotMake) {
  BITMAPINFO info{};
  void* bits = reinterpret_cast<void*>(1);
  EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  EXPECT_EQ(bits, nullptr);
  const BITMAPINFOHEADER good{sizeof(BITMAPINFOHEADER), 4, 4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  auto refused = [&](void (*change)(BITMAPINFOHEADER&)) {
    info.bmiHeader = good;
    change(info.bmiHeader);
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0) == nullptr && bits == nullptr;
  };
  EXPECT_TRUE(refused([](BITMAPINFOHEADER& h) { h.biWidth = 0; }));
  EXPECT_TRUE(refused([](BITMAPINFOHEADER& h) { h.biWidth = -3; }));
  EXPECT_TRUE(refused([](BITMAPINFOHEADER& h) { h.biHeight = 0; }));
  EXPECT_TRUE(refused([](BITMAPINFOHEADER& h) { h.biBitCount = 7; }));
  EXPECT_TRUE(refused([](BITMAPINFOHEADER& h) { h.biPlanes = 2; }));
  EXPECT_TRUE(refused([](BITMAPINFOHEADER& h) { h.biCompression = BI_BITFIELDS; }));
  EXPECT_TRUE(refused([](BITMAPINFOHEADER& h) { h.biSize = 12; }));
  // 40000 x 40000 x 4 bytes is more than a section can describe.
  EXPECT_TRUE(refused([](BITMAPINFOHEADER& h) { h.biWidth = h.biHeight = 40000; }));
}

TEST_F(GdiTest, DeviceBitmapsHaveWordAlignedRowsAndNoPixelAddress) {
  const uint8_t rows[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0};
  HBITMAP bitmap = CreateBitmap(3, 2, 1, 24, rows);
  DIBSECTION description{};
  EXPECT_EQ(GetObjectW(bitmap, sizeof description, &description), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(description.dsBm.bmWidthBytes, 10);
  EXPECT_EQ(description.dsBm.bmBits, nullptr);
  // Top row first in a device bitmap; pixel (2, 1) is bytes 17, 18, 19.
  EXPECT_EQ(PixelsOf(bitmap)[5], 0x00131211u);
  DeleteObject(bitmap);
  EXPECT_EQ(CreateBitmap(0, 5, 1, 32, nullptr), GetStockObject(DEFAULT_BITMAP));
  EXPECT_EQ(CreateBitmap(4, 4, 1, 8, nullptr), nullptr);  // no palette device here
  EXPECT_EQ(CreateBitmap(-1, 4, 1, 32, nullptr), nullptr);
}

TEST_F(GdiTest, CompatibleBitmapsFollowTheBitmapSelectedInTheDc) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP mono = CreateCompatibleBitmap(dc, 8, 8);
  EXPECT_EQ(Describe(mono).bmBitsPixel, 1);  // the DC still holds its monochrome default
  HBITMAP section = TestSection(2, 2, 32, nullptr, true);
  SelectObject(dc, section);
  HBITMAP likeSection = CreateCompatibleBitmap(dc, 5, 6);
  DIBSECTION description{};
  EXPECT_EQ(GetObjectW(likeSection, sizeof description, &description), static_cast<int>(sizeof(DIBSECTION)));
  EXPECT_EQ(description.dsBm.bmBitsPixel, 32);
  EXPECT_EQ(description.dsBmih.biHeight, -6);
  HBITMAP device = CreateBitmap(2, 2, 1, 24, nullptr);
  SelectObject(dc, device);
  HBITMAP likeDevice = CreateCompatibleBitmap(dc, 5, 6);
  EXPECT_EQ(GetObjectW(likeDevice, sizeof description, &description), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(description.dsBm.bmBitsPixel, 24);
  EXPECT_EQ(CreateCompatibleBitmap(nullptr, 5, 5), nullptr);
  DeleteDC(dc);
  for (HBITMAP b : {mono, section, likeSection, device, likeDevice}) EXPECT_TRUE(DeleteObject(b));
}

TEST_F(GdiTest, GetDIBitsGivesRowsInTheOrderAsked) {
  // 2 x 2, 24 bits: top row red, blue; bottom row green, white.
  const uint8_t rows[] = {0, 0, 255, 255, 0, 0, 0, 255, 0, 255, 255, 255};
  HBITMAP bitmap = CreateBitmap(2, 2, 1, 24, rows);
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  ASSERT_NE(GetDIBits(dc, bitmap, 0, 0, nullptr, &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(info.bmiHeader.biWidth, 2);
  EXPECT_EQ(info.bmiHeader.biHeight, 2);
  EXPECT_EQ(info.bmiHeader.biBitCount, 24);
  EXPECT_EQ(info.bmiHeader.biSizeImage, 16u);

  uint32_t pixels[4] = {};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, -2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  EXPECT_EQ(GetDIBits(dc, bitmap, 0, 2, pixels, &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(pixels[0], 0x00FF0000u);  // red, alpha 0: the source has none
  EXPECT_EQ(pixels[1], 0x000000FFu);
  EXPECT_EQ(pixels[2], 0x0000FF00u);
  EXPECT_EQ(pixels[3], 0x00FFFFFFu);
  info.bmiHeader.biHeight = 2;  // bottom-up: scan line 0 is the bottom row
  EXPECT_EQ(GetDIBits(dc, bitmap, 0, 1, pixels, &info, DIB_RGB_COLORS), 1);
  EXPECT_EQ(pixels[0], 0x0000FF00u);
  EXPECT_EQ(GetDIBits(dc, bitmap, 1, 5, pixels, &info, DIB_RGB_COLORS), 1);  // lines past the end are cut
  EXPECT_EQ(pixels[0], 0x00FF0000u);
  EXPECT_EQ(GetDIBits(dc, bitmap, 2, 1, pixels, &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(GetDIBits(nullptr, bitmap, 0, 1, pixels, &info, DIB_RGB_COLORS), 0);
  uint32_t wide[4] = {7, 7, 7, 7};
  info.bmiHeader.biWidth = 4;  // a wider buffer: the columns past the bitmap are zero
  EXPECT_EQ(GetDIBits(dc, bitmap, 0, 1, wide, &info, DIB_RGB_COLORS), 1);
  EXPECT_EQ(wide[1], 0x00FFFFFFu);
  EXPECT_EQ(wide[2], 0u);
  EXPECT_EQ(wide[3], 0u);
  info.bmiHeader.biWidth = 2;
  info.bmiHeader.biBitCount = 8;  // palette output only for palette bitmaps
  EXPECT_EQ(GetDIBits(dc, bitmap, 0, 1, pixels, &info, DIB_RGB_COLORS), 0);
  DeleteDC(dc);
  DeleteObject(bitmap);
}

TEST_F(GdiTest, PaletteSectionsReadThroughTheirColourTable) {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[3];
  } info{{sizeof(BITMAPINFOHEADER), 3, 1, 1, 8, BI_RGB, 0, 0, 0, 3, 0}, {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}}};
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  static_cast<uint8_t*>(bits)[0] = 2;
  static_cast<uint8_t*>(bits)[1] = 0;
  static_cast<uint8_t*>(bits)[2] = 1;
  EXPECT_EQ(PixelsOf(section), (std::vector<uint32_t>{0x0000FF, 0xFF0000, 0x00FF00}));
  // Asked at their own depth, the indices come back with the table.
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  } out{{sizeof(BITMAPINFOHEADER), 3, 1, 1, 8, BI_RGB, 0, 0, 0, 0, 0}, {}};
  uint8_t indices[4] = {9, 9, 9, 9};
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetDIBits(dc, section, 0, 1, indices, reinterpret_cast<BITMAPINFO*>(&out), DIB_RGB_COLORS), 1);
  EXPECT_EQ(indices[0], 2);
  EXPECT_EQ(indices[2], 1);
  EXPECT_EQ(out.header.biClrUsed, 3u);
  EXPECT_EQ(out.colours[2].rgbBlue, 255);
  // Colours written into it take the nearest entry.
  SelectObject(dc, section);
  EXPECT_EQ(SetPixel(dc, 1, 0, RGB(10, 240, 5)), RGB(0, 255, 0));
  EXPECT_EQ(static_cast<uint8_t*>(bits)[1], 1);
  DeleteDC(dc);
  DeleteObject(section);
}

TEST_F(GdiTest, MonochromeBitmapsReadAsBlackAndWhite) {
  const uint8_t rows[] = {0xA0, 0, 0x50, 0};  // 4 x 2: 1010 / 0101
  HBITMAP mono = CreateBitmap(4, 2, 1, 1, rows);
  std::vector<uint32_t> pixels = PixelsOf(mono);
  EXPECT_EQ(pixels, (std::vector<uint32_t>{0xFFFFFF, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 0, 0xFFFFFF}));
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, mono);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 0, 0));
  EXPECT_EQ(SetPixel(dc, 1, 0, RGB(250, 240, 230)), RGB(255, 255, 255));  // the nearest of the two
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(255, 255, 255));
  DeleteDC(dc);
  DeleteObject(mono);
}

TEST_F(GdiTest, SetPixelWritesColourAndClearsAlpha) {
  uint8_t* pixels = nullptr;
  HBITMAP section = TestSection(2, 2, 32, &pixels);
  std::memset(pixels, 0x77, 16);
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, section);
  EXPECT_EQ(SetPixel(dc, 1, 0, RGB(1, 2, 3)), RGB(1, 2, 3));
  // Picture row 0 is the last row in memory of a bottom-up section.
  EXPECT_EQ(pixels[8 + 4], 3);
  EXPECT_EQ(pixels[8 + 5], 2);
  EXPECT_EQ(pixels[8 + 6], 1);
  EXPECT_EQ(pixels[8 + 7], 0);
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(1, 2, 3));
  EXPECT_EQ(GetPixel(dc, 2, 0), CLR_INVALID);
  EXPECT_EQ(GetPixel(dc, 0, -1), CLR_INVALID);
  EXPECT_EQ(SetPixel(dc, -1, 0, 0), CLR_INVALID);
  DeleteDC(dc);
  DeleteObject(section);
}

TEST_F(GdiTest, FillRectFillsTheClippedRectangleWithoutItsRightAndBottomEdges) {
  uint8_t* pixels = nullptr;
  HBITMAP section = TestSection(4, 3, 24, &pixels, true);
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, section);
  HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
  RECT rect{2, -5, 9, 2};
  EXPECT_NE(FillRect(dc, &rect, brush), 0);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      const bool inside = x >= 2 && y < 2;
      EXPECT_EQ(GetPixel(dc, x, y), inside ? RGB(10, 20, 30) : RGB(0, 0, 0)) << x << "," << y;
    }
  }
  RECT empty{3, 3, 1, 1};
  EXPECT_NE(FillRect(dc, &empty, brush), 0);
  EXPECT_NE(FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))), 0);
  EXPECT_EQ(FillRect(dc, &rect, nullptr), 0);
  DeleteObject(brush);
  DeleteDC(dc);
  DeleteObject(section);
}

TEST_F(GdiTest, ASurfaceDcDrawsThroughItsOriginAndClip) {
  HBITMAP surface = TestSection(10, 10, 32, nullptr, true);
  HDC dc = platform::GdiSurfaceDcCreate(surface, POINT{2, 3}, RECT{2, 3, 6, 6});
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_DC));
  RECT everything{-100, -100, 100, 100};
  FillRect(dc, &everything, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  std::vector<uint32_t> pixels = PixelsOf(surface);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 3 && y < 6;
      EXPECT_EQ(pixels[y * 10 + x], inside ? 0x00FFFFFFu : 0u) << x << "," << y;
    }
  }
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 4, 0), CLR_INVALID);  // outside the clip
  HBITMAP other = TestSection(1, 1, 32, nullptr);
  EXPECT_EQ(SelectObject(dc, other), nullptr);  // a surface DC takes no bitmap
  EXPECT_TRUE(DeleteDC(dc));
  DeleteObject(other);
  DeleteObject(surface);
}

TEST_F(GdiTest, TheBatchLimitIsKeptAndRestored) {
  const DWORD original = GdiGetBatchLimit();
  EXPECT_EQ(original, 20u);
  EXPECT_EQ(GdiSetBatchLimit(1), 20u);
  EXPECT_EQ(GdiGetBatchLimit(), 1u);
  EXPECT_EQ(GdiSetBatchLimit(0), 1u);  // 0 asks for the default
  EXPECT_EQ(GdiGetBatchLimit(), 20u);
  EXPECT_TRUE(GdiFlush());
}

TEST(RuntimeLibraries, MsimgComctlAndUxthemeAreThereWithWhatTheRuntimeAsks) {
  HMODULE msimg = LoadLibraryW(u"msimg32.dll");
  ASSERT_NE(msimg, nullptr);
  EXPECT_EQ(GetProcAddress(msimg, "AlphaBlend"), reinterpret_cast<FARPROC>(&AlphaBlend));
  EXPECT_TRUE(FreeLibrary(msimg));

  HMODULE comctl = LoadLibraryW(u"COMCTL32.DLL");
  ASSERT_NE(comctl, nullptr);
  auto getVersion = reinterpret_cast<HRESULT (*)(DLLVERSIONINFO*)>(GetProcAddress(comctl, "DllGetVersion"));
  ASSERT_NE(getVersion, nullptr);
  DLLVERSIONINFO version{};
  EXPECT_EQ(getVersion(&version), E_INVALIDARG);  // the size must be filled in
  version.cbSize = sizeof version;
  EXPECT_EQ(getVersion(&version), S_OK);
  EXPECT_EQ(version.dwMajorVersion, 6u);
  EXPECT_EQ(version.dwMinorVersion, 0u);
  EXPECT_TRUE(FreeLibrary(comctl));

  HMODULE uxtheme = LoadLibraryW(u"uxtheme.dll");
  ASSERT_NE(uxtheme, nullptr);
  auto isThemed = reinterpret_cast<BOOL (*)()>(GetProcAddress(uxtheme, "IsAppThemed"));
  ASSERT_NE(isThemed, nullptr);
  EXPECT_TRUE(isThemed());
  EXPECT_TRUE(FreeLibrary(uxtheme));
}

}  // namespace
