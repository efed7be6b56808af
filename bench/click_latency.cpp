// Time from a click on a window to its changed pixels on the screen, as a person sees it: the
// click is injected into the X server (XTest), and the window's pixels in a region are read back
// from the server until they differ. Clicks alternate between two points, so every click changes
// what the region shows. Prints the median, the 90th percentile and the largest time.
//   click_latency WINDOW X1 Y1 X2 Y2 LEFT TOP WIDTH HEIGHT [ROUNDS]
// (points and region in the window's own coordinates; WINDOW as xdotool prints it)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::vector<char> PixelsOf(Display* display, Window window, int left, int top, int width, int height) {
  XImage* image = XGetImage(display, window, left, top, static_cast<unsigned>(width), static_cast<unsigned>(height),
                            AllPlanes, ZPixmap);
  if (!image) return {};
  std::vector<char> pixels(image->data, image->data + static_cast<size_t>(image->bytes_per_line) * image->height);
  XDestroyImage(image);
  return pixels;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 10) {
    std::fprintf(stderr, "usage: click_latency WINDOW X1 Y1 X2 Y2 LEFT TOP WIDTH HEIGHT [ROUNDS]\n");
    return 2;
  }
  const Window window = std::strtoul(argv[1], nullptr, 0);
  const int points[2][2] = {{std::atoi(argv[2]), std::atoi(argv[3])}, {std::atoi(argv[4]), std::atoi(argv[5])}};
  const int left = std::atoi(argv[6]), top = std::atoi(argv[7]), width = std::atoi(argv[8]), height = std::atoi(argv[9]);
  const int rounds = argc > 10 ? std::atoi(argv[10]) : 40;
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "click_latency: no display\n");
    return 2;
  }
  std::vector<double> times;
  for (int round = 0; round < rounds; ++round) {
    const std::vector<char> before = PixelsOf(display, window, left, top, width, height);
    int rootX = 0, rootY = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), points[round % 2][0], points[round % 2][1], &rootX,
                          &rootY, &child);
    const auto start = Clock::now();
    XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
    bool changed = false;
    while (Clock::now() - start < std::chrono::seconds(2)) {
      if (PixelsOf(display, window, left, top, width, height) != before) {
        changed = true;
        break;
      }
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (!changed) {
      std::fprintf(stderr, "click_latency: round %d: nothing changed within 2 s\n", round);
      return 1;
    }
    times.push_back(ms);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));  // let the program go idle again
  }
  std::sort(times.begin(), times.end());
  std::printf("click to changed pixels over %d clicks: median %.2f ms, 90th percentile %.2f ms, largest %.2f ms\n",
              rounds, times[times.size() / 2], times[times.size() * 9 / 10], times.back());
  XCloseDisplay(display);
  return 0;
}
