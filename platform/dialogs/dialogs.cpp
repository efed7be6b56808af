// The file and colour choosers behind GetOpenFileNameW, GetSaveFileNameW and ChooseColorW: they
// read the request the way the Windows choosers do (filter pairs, 1-based filter index, the
// name buffer's initial text), ask the display backend, and write the result in
// the Windows layout, including the multi-selection form and the too-small-buffer failure.
#include "dialogs.h"

#include <mutex>

#include "backend.h"
#include "dialogs_records.h"
#include "headless/headless_backend.h"
#include "kernel.h"

namespace {

struct DialogState {
  std::mutex lock;
  platform::FileDialogRequest lastFile;
  platform::ColorDialogRequest lastColor;
  int64_t fileCount = 0;
  int64_t colorCount = 0;
};

DialogState& State() {
  static DialogState state;
  return state;
}

thread_local DWORD t_extendedError = 0;

// Records a chooser's request.
template <class Request>
void Record(Request DialogState::*last, int64_t DialogState::*count, const Request& seen) {
  DialogState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  state.*last = seen;
  ++(state.*count);
}

// A chooser is modal to its owner: the owner takes no input while the chooser is open and is
// enabled again when it closes.
class OwnerDisabled {
 public:
  explicit OwnerDisabled(HWND owner) : owner_(owner) {
    disabled_ = owner_ != nullptr && IsWindow(owner_) && IsWindowEnabled(owner_);
    if (disabled_) EnableWindow(owner_, FALSE);
  }
  ~OwnerDisabled() {
    if (disabled_ && IsWindow(owner_)) EnableWindow(owner_, TRUE);
  }
  OwnerDisabled(const OwnerDisabled&) = delete;
  OwnerDisabled& operator=(const OwnerDisabled&) = delete;

 private:
  HWND owner_;
  bool disabled_ = false;
};

// Reads a filter list: (description, patterns) pairs of NUL-terminated texts, ending with an
// empty text. A description without its patterns ends the list.
std::vector<std::pair<std::u16string, std::u16string>> ReadFilters(LPCWSTR filter) {
  std::vector<std::pair<std::u16string, std::u16string>> pairs;
  if (filter == nullptr) return pairs;
  const WCHAR* at = filter;
  while (*at) {
    std::u16string description(at);
    at += description.size() + 1;
    if (*at == 0) break;
    std::u16string patterns(at);
    at += patterns.size() + 1;
    pairs.emplace_back(std::move(description), std::move(patterns));
  }
  return pairs;
}

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

// Offset of the name in a full path, and of its extension (the length when there is none).
void NameOffsets(const std::u16string& path, WORD* name, WORD* extension) {
  size_t slash = path.find_last_of(u"/\\");
  size_t nameAt = slash == std::u16string::npos ? 0 : slash + 1;
  size_t dot = path.find_last_of(u'.');
  size_t extensionAt = (dot == std::u16string::npos || dot < nameAt) ? path.size() : dot + 1;
  *name = static_cast<WORD>(std::min<size_t>(nameAt, 0xFFFF));
  *extension = static_cast<WORD>(std::min<size_t>(extensionAt, 0xFFFF));
}

// Writes the chosen paths into the request's buffer: one path as a full path; several as the
// directory they share, a NUL, each name and a NUL, and a final NUL. False when it does not fit,
// with the needed character count in the buffer's first two bytes as Windows does it.
bool WriteChosen(OPENFILENAMEW* request, const std::vector<std::u16string>& paths) {
  std::u16string result;
  bool several = paths.size() > 1 && (request->Flags & OFN_ALLOWMULTISELECT);
  if (!several) {
    result = paths.front();
    result.push_back(0);
  } else {
    const std::u16string& first = paths.front();
    size_t slash = first.find_last_of(u"/\\");
    std::u16string directory = slash == std::u16string::npos ? std::u16string() : first.substr(0, slash);
    if (directory.empty() && slash != std::u16string::npos) directory = first.substr(0, 1);  // the root
    result = directory;
    result.push_back(0);
    for (const std::u16string& path : paths) {
      size_t cut = path.find_last_of(u"/\\");
      result += cut == std::u16string::npos ? path : path.substr(cut + 1);
      result.push_back(0);
    }
    result.push_back(0);
  }
  if (result.size() > request->nMaxFile) {
    if (request->nMaxFile >= 1) request->lpstrFile[0] = static_cast<WCHAR>(std::min<size_t>(result.size(), 0xFFFF));
    t_extendedError = FNERR_BUFFERTOOSMALL;
    return false;
  }
  std::copy(result.begin(), result.end(), request->lpstrFile);
  if (!several) {
    NameOffsets(paths.front(), &request->nFileOffset, &request->nFileExtension);
  } else {
    request->nFileOffset = static_cast<WORD>(std::min<size_t>(std::u16string(request->lpstrFile).size() + 1, 0xFFFF));
    request->nFileExtension = 0;
  }
  return true;
}

BOOL RunFileDialog(OPENFILENAMEW* request, bool save) {
  t_extendedError = 0;
  if (request == nullptr || request->lStructSize != sizeof(OPENFILENAMEW)) {
    t_extendedError = CDERR_STRUCTSIZE;
    return FALSE;
  }
  if (request->lpstrFile == nullptr || request->nMaxFile == 0) {
    t_extendedError = CDERR_INITIALIZATION;
    return FALSE;
  }
  platform::FileDialogRequest seen;
  seen.save = save;
  seen.owner = request->hwndOwner;
  seen.title = request->lpstrTitle ? request->lpstrTitle : u"";
  seen.filters = ReadFilters(request->lpstrFilter);
  seen.filterIndex = request->nFilterIndex;
  seen.initialDirectory = request->lpstrInitialDir ? request->lpstrInitialDir : u"";
  // The buffer's initial text is bounded by the buffer itself, terminated or not.
  size_t initialLength = 0;
  while (initialLength < request->nMaxFile && request->lpstrFile[initialLength]) ++initialLength;
  seen.initialFile.assign(request->lpstrFile, initialLength);
  seen.flags = request->Flags;
  seen.bufferChars = request->nMaxFile;

  Record(&DialogState::lastFile, &DialogState::fileCount, seen);
  std::vector<std::u16string> paths;
  DWORD filterIndex = 0;
  OwnerDisabled modal(request->hwndOwner);
  if (!platform::Display().FileChooser(seen, &paths, &filterIndex)) paths.clear();
  // An answer naming an empty path is no choice at all.
  std::erase_if(paths, [](const std::u16string& path) { return path.empty() || IsSeparator(path.back()); });
  if (paths.empty()) return FALSE;
  if (!WriteChosen(request, paths)) return FALSE;
  if (filterIndex != 0 && filterIndex <= seen.filters.size()) request->nFilterIndex = filterIndex;
  return TRUE;
}

}  // namespace

BOOL GetOpenFileNameW(OPENFILENAMEW* request) { return RunFileDialog(request, false); }
BOOL GetSaveFileNameW(OPENFILENAMEW* request) { return RunFileDialog(request, true); }

BOOL ChooseColorW(CHOOSECOLORW* request) {
  t_extendedError = 0;
  if (request == nullptr || request->lStructSize != sizeof(CHOOSECOLORW)) {
    t_extendedError = CDERR_STRUCTSIZE;
    return FALSE;
  }
  // Windows insists on the custom colour array; without it the chooser has nowhere to keep them.
  if (request->lpCustColors == nullptr) {
    t_extendedError = CDERR_INITIALIZATION;
    return FALSE;
  }
  platform::ColorDialogRequest seen;
  seen.owner = request->hwndOwner;
  seen.flags = request->Flags;
  seen.initial = (request->Flags & CC_RGBINIT) ? (request->rgbResult & 0xFFFFFF) : 0;
  std::copy(request->lpCustColors, request->lpCustColors + 16, seen.custom);
  seen.hasCustom = true;

  Record(&DialogState::lastColor, &DialogState::colorCount, seen);
  COLORREF chosen = 0;
  COLORREF custom[16];
  std::copy(seen.custom, seen.custom + 16, custom);
  OwnerDisabled modal(request->hwndOwner);
  bool accepted = platform::Display().ColourChooser(seen, &chosen, custom);
  chosen &= 0xFFFFFF;
  // Custom colours the user defined are kept even when the chooser is cancelled, as on Windows.
  for (int i = 0; i < 16; ++i) request->lpCustColors[i] = custom[i] & 0xFFFFFF;
  if (!accepted) return FALSE;
  request->rgbResult = chosen;
  return TRUE;
}

DWORD CommDlgExtendedError() { return t_extendedError; }

namespace {
thread_local int t_comInitialised = 0;
}

HRESULT CoInitialize(LPVOID reserved) {
  if (reserved != nullptr) return E_INVALIDARG;
  // The first call on a thread starts COM for it; later ones only count, as on Windows.
  return t_comInitialised++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
  if (t_comInitialised > 0) --t_comInitialised;
}

namespace platform::testing {

void DialogsReset() {
  DialogsDropAnswers();
  std::lock_guard<std::mutex> guard(State().lock);
  State().lastFile = FileDialogRequest{};
  State().lastColor = ColorDialogRequest{};
  State().fileCount = 0;
  State().colorCount = 0;
}

FileDialogRequest DialogsLastFileRequest() {
  std::lock_guard<std::mutex> guard(State().lock);
  return State().lastFile;
}

ColorDialogRequest DialogsLastColorRequest() {
  std::lock_guard<std::mutex> guard(State().lock);
  return State().lastColor;
}

int64_t DialogsFileRequestCount() {
  std::lock_guard<std::mutex> guard(State().lock);
  return State().fileCount;
}

int64_t DialogsColorRequestCount() {
  std::lock_guard<std::mutex> guard(State().lock);
  return State().colorCount;
}

}  // namespace platform::testing
