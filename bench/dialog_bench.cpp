// A dialog of 200 gadgets (20 rows of ten: texts, buttons, strings, checkboxes and spins in
// hboxes inside a vbox): opened and laid out from its parsed description, then freed; laid out
// again when the user resizes the window; and laid out with a fresh size computation
// (DialogRefresh). Compared with the least that work can cost: the same 200 gadgets created by
// hand, and moved by hand to the places the layout gives them. A re-layout should stay well
// under a frame (16 ms).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "corvid.h"
#include "input.h"
#include "ratio_reporter.h"

namespace {

// The whole runtime, started and ended as the program does.
struct Runtime {
  Runtime() { ProgramStart(); }
  ~Runtime() {
    ProgramEnd();
    platform::PumpMessages();
    StringHeapShutdown();
    MainHeapDestroy();
  }
};

const char16_t* const kRow = u"<hbox><text text='Label'/><button text='Press'/><string text='value'/>"
                             u"<checkbox text='On'/><spin min='0' max='99'/><text text='More'/>"
                             u"<button text='Go'/><string/><checkbox text='Off'/><spin/></hbox>";

int64_t ParsedDescription() {
  std::u16string xml = u"<window flags='#CV_Window_SizeGadget'><vbox>";
  for (int row = 0; row < 20; ++row) xml += kRow;
  xml += u"</vbox></window>";
  return XmlParse(CV_Any, xml.data(), static_cast<int64_t>(xml.size() * 2), 0, 2);
}

HWND HandleOf(int64_t window) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(window))); }

// The gadgets of a window with their rectangles, as the layout left them.
struct Placed {
  int64_t gadget;
  RECT rect;
};

std::vector<Placed> PlacedGadgets(int64_t window) {
  std::vector<Placed> placed;
  for (HWND child = GetWindow(HandleOf(window), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, HandleOf(window), reinterpret_cast<POINT*>(&r), 2);
    placed.push_back({GetWindowLongPtrW(child, GWLP_ID), r});
  }
  return placed;
}

void DialogOpen200(benchmark::State& state) {
  Runtime runtime;
  int64_t document = ParsedDescription();
  for (auto _ : state) {
    int64_t dialog = DialogNew(CV_Any);
    if (DialogOpenXml(dialog, document, u"", 0, 0, 300, 100) != 1) state.SkipWithError("open failed");
    DialogFree(dialog);
  }
  state.counters["ops"] = 200;
}

void HandCreate200(benchmark::State& state) {
  Runtime runtime;
  for (auto _ : state) {
    WindowOpen(1, 0, 0, 900, 600, u"", CV_Window_SizeGadget | CV_Window_Invisible);
    for (int row = 0; row < 20; ++row) {
      int y = 8 + row * 29;
      GadgetTextCreate(CV_Any, 8, y, 60, 24, u"Label");
      GadgetButtonCreate(CV_Any, 70, y, 60, 24, u"Press");
      GadgetStringCreate(CV_Any, 135, y, 60, 24, u"value");
      GadgetCheckBoxCreate(CV_Any, 200, y, 60, 24, u"On");
      GadgetSpinCreate(CV_Any, 265, y, 60, 24, 0, 99);
      GadgetTextCreate(CV_Any, 330, y, 60, 24, u"More");
      GadgetButtonCreate(CV_Any, 395, y, 60, 24, u"Go");
      GadgetStringCreate(CV_Any, 460, y, 60, 24, u"");
      GadgetCheckBoxCreate(CV_Any, 525, y, 60, 24, u"Off");
      GadgetSpinCreate(CV_Any, 590, y, 60, 24, 0, 100);
    }
    WindowHide(1, 0);
    WindowClose(1);
  }
  state.counters["ops"] = 200;
}

// The user drags the frame between two sizes; every size event places the whole tree.
void DialogResize200(benchmark::State& state) {
  Runtime runtime;
  int64_t dialog = DialogNew(CV_Any);
  DialogOpenXml(dialog, ParsedDescription(), u"", 0, 0, 300, 100);
  HWND window = HandleOf(DialogWindowNumber(dialog));
  RECT frame;
  GetWindowRect(window, &frame);
  bool wide = false;
  for (auto _ : state) {
    wide = !wide;
    platform::InputResize(window, frame.right - frame.left + (wide ? 200 : 0), frame.bottom - frame.top + (wide ? 100 : 0));
  }
  state.counters["ops"] = 200;
}

// The same moves made by hand: every gadget to the rectangle the layout gave it at each size.
void HandResize200(benchmark::State& state) {
  Runtime runtime;
  int64_t dialog = DialogNew(CV_Any);
  DialogOpenXml(dialog, ParsedDescription(), u"", 0, 0, 300, 100);
  int64_t number = DialogWindowNumber(dialog);
  HWND window = HandleOf(number);
  RECT frame;
  GetWindowRect(window, &frame);
  std::vector<Placed> narrow = PlacedGadgets(number);
  platform::InputResize(window, frame.right - frame.left + 200, frame.bottom - frame.top + 100);
  std::vector<Placed> wideRects = PlacedGadgets(number);
  DialogFree(dialog);
  WindowOpen(1, 0, 0, 900, 600, u"", CV_Window_SizeGadget);
  std::vector<int64_t> gadgets;
  for (size_t i = 0; i < narrow.size(); ++i) gadgets.push_back(GadgetButtonCreate(CV_Any, 0, 0, 10, 10, u"x"));
  bool wide = false;
  for (auto _ : state) {
    wide = !wide;
    const std::vector<Placed>& target = wide ? wideRects : narrow;
    WindowResize(1, CV_Keep, CV_Keep, 900 + (wide ? 200 : 0), 600 + (wide ? 100 : 0));
    for (size_t i = 0; i < gadgets.size(); ++i) {
      const RECT& r = target[i].rect;
      GadgetResize(gadgets[i], r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
  }
  state.counters["ops"] = 200;
}

// A fresh size computation and placement, as after the program changed a text.
void DialogRefresh200(benchmark::State& state) {
  Runtime runtime;
  int64_t dialog = DialogNew(CV_Any);
  DialogOpenXml(dialog, ParsedDescription(), u"", 0, 0, 300, 100);
  for (auto _ : state) DialogRefresh(dialog);
  state.counters["ops"] = 200;
}

BENCHMARK(DialogOpen200)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(HandCreate200)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DialogResize200)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(HandResize200)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DialogRefresh200)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return RunWithRatios(argc, argv,
                       {{"DialogOpen200/real_time", "HandCreate200/real_time"},
                        {"DialogResize200/real_time", "HandResize200/real_time"},
                        {"DialogRefresh200/real_time", "HandResize200/real_time"}});
}
