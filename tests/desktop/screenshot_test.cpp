// Screenshots read back through xwd: a window painted in known colours shows exactly those
// colours at the right places, so a test can hold a window's screen pixels against its bitmap.
#include <chrono>

#include "desktop_fixture.h"

// Last: the X headers define words (None, Bool) that others use as names.
#include <gdk/gdkx.h>

namespace {

constexpr int kSize = 64;
// One colour per quadrant, each channel distinct, so that a swapped channel or a mirrored row
// shows.
constexpr uint32_t kQuadrants[4] = {0xFF2010, 0x10FF20, 0x2010FF, 0x80C040};

gboolean DrawQuadrants(GtkWidget*, cairo_t* cairo, gpointer) {
  for (int i = 0; i < 4; ++i) {
    uint32_t colour = kQuadrants[i];
    cairo_set_source_rgb(cairo, (colour >> 16) / 255.0, ((colour >> 8) & 0xFF) / 255.0, (colour & 0xFF) / 255.0);
    cairo_rectangle(cairo, (i % 2) * kSize / 2, (i / 2) * kSize / 2, kSize / 2, kSize / 2);
    cairo_fill(cairo);
  }
  return TRUE;
}

TEST_F(DesktopTest, AScreenshotShowsTheWindowsPixels) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWidget* area = gtk_drawing_area_new();
  gtk_widget_set_size_request(area, kSize, kSize);
  g_signal_connect(area, "draw", G_CALLBACK(DrawQuadrants), nullptr);
  gtk_container_add(GTK_CONTAINER(window), area);
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  gtk_widget_show_all(window);
  Window id = GDK_WINDOW_XID(gtk_widget_get_window(area));

  // The first frame reaches the server some time after the window maps.
  Screenshot shot;
  std::string error;
  bool painted = false;
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!painted && std::chrono::steady_clock::now() < end) {
    Settle();
    gdk_display_sync(gdk_display_get_default());
    ASSERT_TRUE(CaptureWindow(id, &shot, &error)) << error;
    painted = shot.width == kSize && shot.height == kSize && shot.At(kSize - 1, kSize - 1) == kQuadrants[3];
  }
  ASSERT_TRUE(painted) << "the window never showed its last quadrant";
  for (int i = 0; i < 4; ++i) {
    int left = (i % 2) * kSize / 2, top = (i / 2) * kSize / 2;
    EXPECT_EQ(shot.At(left, top), kQuadrants[i]) << "quadrant " << i;
    EXPECT_EQ(shot.At(left + kSize / 2 - 1, top + kSize / 2 - 1), kQuadrants[i]) << "quadrant " << i;
  }
  Screenshot screen;
  ASSERT_TRUE(CaptureWindow(0, &screen, &error)) << error;
  EXPECT_EQ(screen.width, 1280);
  EXPECT_EQ(screen.height, 1024);
  gtk_widget_destroy(window);
}

}  // namespace
