#pragma once
// The controls of a dialog template on Windows: the dialog manager makes the window and its
// controls from the in-memory template (win32/dialog_template.h); here each template entry finds
// its control window and gets the entries and the icon the template gives it. Nothing here is
// wired to the dialog; the window turns the controls' notifications into its messages.

#include <span>
#include <vector>

#include "ui/resources.h"
#include "win32/win32_api.h"

namespace win32host {

// Creates the window of `tmpl` owned by `owner` (may be null); `proc` hears WM_INITDIALOG with
// `param` before this returns. Null on failure.
HWND CreateDialogWindow(const ui::DialogTemplate& tmpl, HWND owner, DLGPROC proc, LPARAM param);

// The control window of every entry of `tmpl` in `dialog`, in template order; null where there is
// none.
std::vector<HWND> FindControls(HWND dialog, const ui::DialogTemplate& tmpl);

// Fills lists and combos with their template entries and shows `icon` in icon controls.
void FillControls(std::span<const HWND> controls, const ui::DialogTemplate& tmpl, HICON icon);

}  // namespace win32host
