// The shell's way of starting things: ShellExecuteExW and ShellExecuteW open a program, a
// document or a web address. A program file runs directly; a document or an address goes to the
// display backend's opener (headless: xdg-open, found on the search path), which hands it to
// the user's application for it. Results and error codes are those Windows gives.
#pragma once

#include <string>

#include "kernel.h"
#include "user.h"

#define SEE_MASK_NOCLOSEPROCESS 0x00000040u
#define SEE_MASK_FLAG_DDEWAIT 0x00000100u
#define SEE_MASK_NOASYNC 0x00000100u
#define SEE_MASK_FLAG_NO_UI 0x00000400u

#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_NOASSOC 31

struct SHELLEXECUTEINFOW {
  DWORD cbSize;
  ULONG fMask;
  HWND hwnd;
  LPCWSTR lpVerb;
  LPCWSTR lpFile;
  LPCWSTR lpParameters;
  LPCWSTR lpDirectory;
  int nShow;
  HINSTANCE hInstApp;
  void* lpIDList;
  LPCWSTR lpClass;
  void* hkeyClass;
  DWORD dwHotKey;
  HANDLE hIcon;
  HANDLE hProcess;
};

// TRUE when started; hInstApp then holds a value above 32, else an SE_ERR_ code, and the last
// error says why. With SEE_MASK_NOCLOSEPROCESS hProcess is the started process.
BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info);
// Above 32 on success, else an SE_ERR_ code.
HINSTANCE ShellExecuteW(HWND window, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                        int showCommand);
