// The dialog library's objects: the dialog registry and its maps, dialogs made, looked into,
// laid out again and freed, and the first error of an open kept as the dialog's error text. A
// dialog freed while one of its layout passes runs (from an event procedure the pass set off)
// is taken apart when the pass is over.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/constants.h"
#include "core/heap.h"
#include "core/map.h"
#include "core/registry.h"
#include "core/string_runtime.h"
#include "dialog.h"
#include "dialog_layout.h"
#include "gui/window.h"
#include "kernel.h"

namespace {

ObjectRegistry* g_dialogs = nullptr;
// Splitter holder container -> splitter element; kept for the splitter element's sake.
Map* g_splitters = nullptr;

// The error buffer's size, terminating zero included.
constexpr int kErrorBufferSize = 512;

DialogRecord* RecordOf(int64_t dialog) { return static_cast<DialogRecord*>(ObjectGet(g_dialogs, dialog)); }

void ErrorForget(DialogRecord* record) {
  if (record->errorText) MainHeapFree(record->errorText);
  record->errorText = nullptr;
}

void Release(DialogRecord* record) {
  DialogDiscard(record);
  ErrorForget(record);
  ObjectRelease(g_dialogs, record->number);
}

void DialogFreeOne(int64_t dialog) {
  DialogRecord* record = RecordOf(dialog);
  if (record == nullptr) return;
  if (record->busy > 0) {
    record->freePending = true;
    return;
  }
  Release(record);
}

// A text argument in the ANSI code page, cut to what the error buffer can hold.
std::string Ansi(const char16_t* text) {
  if (text == nullptr || text[0] == 0) return {};
  int length = static_cast<int>(std::min<int64_t>(StrLen(text), kErrorBufferSize));
  std::string out(static_cast<size_t>(length) * 2 + 1, '\0');
  int written = WideCharToMultiByte(CP_ACP, 0, text, length, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return out;
}

}  // namespace

DialogRecord* DialogRecordOf(int64_t dialog) {
  DialogRecord* record = RecordOf(dialog);
  return record && !record->freePending ? record : nullptr;
}

void DialogBuild::ClearError() { ErrorForget(dialog); }

void DialogBuild::Error(const char* format, const char16_t* first, const char16_t* second) {
  if (failed) return;  // the first error wins
  failed = true;
  char buffer[kErrorBufferSize];
  std::snprintf(buffer, sizeof buffer, format, Ansi(first).c_str(), Ansi(second).c_str());
  ErrorForget(dialog);
  size_t length = std::strlen(buffer);
  dialog->errorText = static_cast<char*>(MainHeapAlloc(length + 1));
  if (dialog->errorText) std::memcpy(dialog->errorText, buffer, length + 1);
}

void DialogDiscard(DialogRecord* dialog) {
  WindowElement* root = dialog->root;
  dialog->root = nullptr;
  if (root == nullptr) return;
  int64_t window = root->window;
  bool stillOurs = DialogWindowAlive(root);
  delete root;
  if (stillOurs) WindowClose(window);
}

void DialogFinishPendingFree(DialogRecord* dialog) {
  if (dialog->freePending && dialog->busy == 0) Release(dialog);
}

void DialogInit() {
  if (g_dialogs) return;
  g_dialogs = ObjectRegistryCreate(sizeof(DialogRecord), 8, DialogFreeOne);
  DialogWindowMapCreate();
  MapCreateIntKeyed(sizeof(void*), nullptr, &g_splitters, 1024);
}

void DialogShutdown() {
  if (g_dialogs) {
    ObjectFreeAll(g_dialogs);
    ObjectRegistryDestroy(g_dialogs);
  }
  g_dialogs = nullptr;
  DialogWindowMapFree();
  if (g_splitters) MapFree(g_splitters);
  g_splitters = nullptr;
  RuntimeNameTableShutdown();
}

int64_t DialogNew(int64_t dialog) {
  if (g_dialogs == nullptr) return 0;
  auto* record = static_cast<DialogRecord*>(ObjectNew(g_dialogs, dialog));
  if (record == nullptr) return 0;
  record->alive = 1;
  record->number = dialog == CV_Any ? static_cast<int64_t>(reinterpret_cast<uintptr_t>(record)) : dialog;
  return record->number;
}

int64_t DialogFree(int64_t dialog) {
  if (g_dialogs == nullptr) return 0;
  if (dialog != CV_Any) {
    if (DialogRecordOf(dialog) == nullptr) return 0;
    DialogFreeOne(dialog);
    return 1;
  }
  // Collected first: freeing changes the registry under the walk.
  std::vector<int64_t> numbers;
  ObjectIterReset(g_dialogs);
  int64_t id;
  while (ObjectIterNext(g_dialogs, &id)) numbers.push_back(id);
  for (int64_t number : numbers) DialogFreeOne(number);
  return 1;
}

int64_t DialogIsValid(int64_t dialog) { return DialogRecordOf(dialog) ? 1 : 0; }

int64_t DialogWindowNumber(int64_t dialog) {
  DialogRecord* record = DialogRecordOf(dialog);
  return record && record->root ? record->root->window : -1;
}

int64_t DialogFindGadget(int64_t dialog, const char16_t* name) {
  DialogRecord* record = DialogRecordOf(dialog);
  if (record == nullptr || record->root == nullptr) return -1;
  DialogElement* found = record->root->FindByName(name);
  return found ? found->gadget : -1;
}

int64_t DialogRefresh(int64_t dialog) {
  DialogRecord* record = DialogRecordOf(dialog);
  if (record == nullptr || record->root == nullptr || !DialogWindowAlive(record->root)) return 0;
  WindowElement* root = record->root;
  ++record->busy;
  DialogLayout(root, WindowGetWidth(root->window, 1), WindowGetHeight(root->window, 1));
  --record->busy;
  DialogFinishPendingFree(record);
  return 1;
}

char16_t* DialogErrorText(int64_t dialog, int64_t start) {
  DialogRecord* record = DialogRecordOf(dialog);
  const char* text = record && record->errorText ? record->errorText : "";
  int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (length < 1) length = 1;
  char16_t* out = StrTempReserve(length - 1, start);
  if (out == nullptr) return nullptr;
  out[0] = 0;
  MultiByteToWideChar(CP_ACP, 0, text, -1, out, length);
  return out;
}
