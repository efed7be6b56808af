// The multi-line edit control under a 1 MB text (about 13,000 paragraphs of 80 characters):
// opening it (the text set and laid out with word wrap), laying it out again for a new width,
// scrolling a page with the repaint that follows, and typing one character in its middle. Opening
// and re-wrapping are compared with the least any editor does with such a text: copying it and
// finding its line ends. Typing must not depend on the text's length: it is compared with typing
// into a text of one line.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "controls/rich_edit.h"
#include "input.h"
#include "ratio_reporter.h"

namespace {

std::u16string Text(size_t bytes) {
  const std::u16string line =
      u"Permission is hereby granted, free of charge, to any person obtaining a copy of\r\n";
  std::u16string text;
  while (text.size() < bytes) text += line;
  return text;
}

struct Editor {
  Editor() {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&init);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.lpszClassName = u"EditorBench";
    RegisterClassExW(&windowClass);
    parent = CreateWindowExW(0, u"EditorBench", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 400, nullptr, nullptr,
                             nullptr, nullptr);
    edit = CreateWindowExW(0, RICHEDIT_CLASSW, u"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE, 10, 10, 300, 300,
                           parent, nullptr, nullptr, nullptr);
    SendMessageW(edit, EM_EXLIMITTEXT, 0, 0);
    SendMessageW(edit, EM_SETTARGETDEVICE, 0, 0);
    platform::PumpMessages();
  }
  ~Editor() {
    DestroyWindow(parent);
    platform::PumpMessages();
    UnregisterClassW(u"EditorBench", nullptr);
  }
  HWND parent, edit;
};

void EditorOpen(benchmark::State& state) {
  Editor editor;
  std::u16string text = Text(static_cast<size_t>(state.range(0)));
  for (auto _ : state) SendMessageW(editor.edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  state.counters["lines"] = static_cast<double>(SendMessageW(editor.edit, EM_GETLINECOUNT, 0, 0));
}

void EditorRewrap(benchmark::State& state) {
  Editor editor;
  std::u16string text = Text(static_cast<size_t>(state.range(0)));
  SendMessageW(editor.edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  int width = 300;
  for (auto _ : state) {
    width = width == 300 ? 340 : 300;
    MoveWindow(editor.edit, 10, 10, width, 300, FALSE);
  }
}

void CopyAndFindLineEnds(benchmark::State& state) {
  std::u16string text = Text(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    std::u16string copy = text;
    benchmark::DoNotOptimize(std::count(copy.begin(), copy.end(), u'\n'));
  }
}

void EditorScrollPage(benchmark::State& state) {
  Editor editor;
  std::u16string text = Text(static_cast<size_t>(state.range(0)));
  SendMessageW(editor.edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  for (auto _ : state) {
    SendMessageW(editor.edit, WM_VSCROLL, SB_PAGEDOWN, 0);
    platform::PumpMessages();
    if (SendMessageW(editor.edit, EM_GETFIRSTVISIBLELINE, 0, 0) > 20000) SendMessageW(editor.edit, WM_VSCROLL, SB_TOP, 0);
  }
}

void EditorTypeInTheMiddle(benchmark::State& state) {
  Editor editor;
  std::u16string text = Text(static_cast<size_t>(state.range(0)));
  SendMessageW(editor.edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(editor.edit, EM_SETSEL, text.size() / 2, text.size() / 2);
  bool insert = true;
  for (auto _ : state) {
    SendMessageW(editor.edit, WM_CHAR, insert ? u'x' : VK_BACK, 0);
    insert = !insert;
  }
}

BENCHMARK(EditorOpen)->Arg(1 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CopyAndFindLineEnds)->Arg(1 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EditorRewrap)->Arg(1 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EditorScrollPage)->Arg(1 << 20)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(EditorTypeInTheMiddle)->Arg(1 << 20)->Arg(80)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return RunWithRatios(argc, argv,
                       {{"EditorOpen/1048576/real_time", "CopyAndFindLineEnds/1048576/real_time"},
                        {"EditorRewrap/1048576/real_time", "CopyAndFindLineEnds/1048576/real_time"},
                        {"EditorTypeInTheMiddle/1048576/real_time", "EditorTypeInTheMiddle/80/real_time"}});
}
