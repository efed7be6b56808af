// The common dialogs of the platform: the open-file, save-file and colour choosers, and COM's
// per-thread start. A chooser is answered by the installed
// presenter (a desktop backend's real chooser), else by answers a test or script queued, else it
// is cancelled, which is all a machine without a display can honestly do.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "user.h"

// ---- file choosers ----
#define OFN_READONLY 0x00000001u
#define OFN_OVERWRITEPROMPT 0x00000002u
#define OFN_HIDEREADONLY 0x00000004u
#define OFN_NOCHANGEDIR 0x00000008u
#define OFN_ALLOWMULTISELECT 0x00000200u
#define OFN_PATHMUSTEXIST 0x00000800u
#define OFN_FILEMUSTEXIST 0x00001000u
#define OFN_EXPLORER 0x00080000u

struct OPENFILENAMEW {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCWSTR lpstrFilter;
  LPWSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;
  LPWSTR lpstrFile;
  DWORD nMaxFile;
  LPWSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCWSTR lpstrInitialDir;
  LPCWSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCWSTR lpstrDefExt;
  LPARAM lCustData;
  void* lpfnHook;
  LPCWSTR lpTemplateName;
  void* pvReserved;
  DWORD dwReserved;
  DWORD FlagsEx;
};

BOOL GetOpenFileNameW(OPENFILENAMEW* request);
BOOL GetSaveFileNameW(OPENFILENAMEW* request);

// ---- colour chooser ----
#define CC_RGBINIT 0x00000001u
#define CC_FULLOPEN 0x00000002u
#define CC_ANYCOLOR 0x00000100u

struct CHOOSECOLORW {
  DWORD lStructSize;
  HWND hwndOwner;
  HWND hInstance;
  COLORREF rgbResult;
  COLORREF* lpCustColors;
  DWORD Flags;
  LPARAM lCustData;
  void* lpfnHook;
  LPCWSTR lpTemplateName;
};

BOOL ChooseColorW(CHOOSECOLORW* request);

// Why the last chooser of this thread returned FALSE: 0 for a cancel.
#define CDERR_STRUCTSIZE 0x0001u
#define CDERR_INITIALIZATION 0x0002u
#define FNERR_INVALIDFILENAME 0x3002u
#define FNERR_BUFFERTOOSMALL 0x3003u
DWORD CommDlgExtendedError();

// ---- COM ----
HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();

namespace platform {

// What a program handed to a file chooser, as the chooser understood it.
struct FileDialogRequest {
  bool save = false;
  HWND owner = nullptr;
  std::u16string title;
  std::vector<std::pair<std::u16string, std::u16string>> filters;  // (description, patterns)
  DWORD filterIndex = 0;                                           // 1-based; 0 = none
  std::u16string initialDirectory;
  std::u16string initialFile;  // what the name buffer held on entry
  DWORD flags = 0;
  DWORD bufferChars = 0;
};

struct ColorDialogRequest {
  HWND owner = nullptr;
  COLORREF initial = 0;
  COLORREF custom[16] = {};
  bool hasCustom = false;
  DWORD flags = 0;
};

// An answer for the next chooser. An empty path list cancels a file chooser; `colour` < 0
// cancels a colour chooser. `filterIndex` (1-based, 0 = keep) is the filter the user left
// selected. `whileOpen` runs while the chooser is open, before it answers, so that a test can
// look at the program's windows in that moment.
struct DialogAnswer {
  std::vector<std::u16string> paths;
  DWORD filterIndex = 0;
  int64_t colour = -1;
  COLORREF custom[16] = {};
  bool setsCustom = false;
  std::function<void()> whileOpen;
};

void DialogsQueueFileAnswer(DialogAnswer answer);
void DialogsQueueColorAnswer(DialogAnswer answer);
// Drops queued answers and the recorded requests.
void DialogsReset();
// The last request each kind of chooser received, and how many it received so far.
FileDialogRequest DialogsLastFileRequest();
ColorDialogRequest DialogsLastColorRequest();
int64_t DialogsFileRequestCount();
int64_t DialogsColorRequestCount();

// A desktop backend's real choosers. Each returns false for a cancel; a file chooser fills
// `paths` (one, or several for a multi-selection) and may change `filterIndex`.
class DialogPresenter {
 public:
  virtual ~DialogPresenter() = default;
  virtual bool FileDialog(const FileDialogRequest& request, std::vector<std::u16string>* paths,
                          DWORD* filterIndex) = 0;
  virtual bool ColorDialog(const ColorDialogRequest& request, COLORREF* chosen, COLORREF* custom) = 0;
};
// Not owned; null returns to scripted answers only.
void DialogsInstallPresenter(DialogPresenter* presenter);

}  // namespace platform
