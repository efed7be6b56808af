// The window library's own state, shared by window.cpp and window_procedure.cpp.
#pragma once

#include "window.h"

struct ObjectRegistry;

struct WindowState {
  WPARAM wParam;
  LPARAM lParam;
  WPARAM wParamCopy;
  LPARAM lParamCopy;
  WindowCallback fallbackCallback;
};

struct WindowLibrary {
  ObjectRegistry* registry = nullptr;
  WindowState* state = nullptr;
  void* secondState = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  WindowPreDispatchHook preDispatchHook = nullptr;
  bool frameCorrectionKnown = false;
  int64_t frameCorrection = 0;
  double dpiScaleX = 1.0;
  double dpiScaleY = 1.0;
};

extern WindowLibrary g_windowLibrary;
