#pragma once
// The window API for the Win32 host. Include it after the program's own headers: the system
// headers define macros (IDOK, MB_OK, LB_ERR, VK_*, ...) over names that those headers declare,
// and A/W macros over names of our classes' members, which are taken back here.

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
// clang-format on

#undef GetOpenFileName
#undef GetSaveFileName
#undef GetWindowText
#undef LoadString
#undef MessageBox
#undef SetWindowText
