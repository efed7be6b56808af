// The common dialogs of the platform: the open-file, save-file and colour choosers, and COM's
// per-thread start. The display backend shows each chooser: a desktop's own, or headless the
// answers a test or script queued.
#pragma once

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
