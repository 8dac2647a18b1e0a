#include "win32/dialog_builder.h"

#include <cstdint>

#include "win32/dialog_template.h"
#include "win32/text_convert.h"

namespace win32host {

using ui::ControlKind;

HWND CreateDialogWindow(const ui::DialogTemplate& tmpl, HWND owner, DLGPROC proc, LPARAM param) {
  const std::vector<std::uint8_t> bytes = BuildDialogTemplate(tmpl);
  return CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                    reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()), owner, proc,
                                    param);
}

std::vector<HWND> FindControls(HWND dialog, const ui::DialogTemplate& tmpl) {
  // The dialog manager makes the controls in template order, each below the one before.
  std::vector<HWND> controls(tmpl.controls.size(), nullptr);
  HWND child = GetWindow(dialog, GW_CHILD);
  for (std::size_t i = 0; i < controls.size() && child; ++i) {
    controls[i] = child;
    child = GetWindow(child, GW_HWNDNEXT);
  }
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const int id = tmpl.controls[i].id;
    if (id != -1 && (!controls[i] || GetDlgCtrlID(controls[i]) != id)) {
      controls[i] = GetDlgItem(dialog, id);
    }
  }
  return controls;
}

void FillControls(std::span<const HWND> controls, const ui::DialogTemplate& tmpl, HICON icon) {
  for (std::size_t i = 0; i < controls.size() && i < tmpl.controls.size(); ++i) {
    const ui::ControlTemplate& c = tmpl.controls[i];
    const HWND w = controls[i];
    if (!w) continue;
    const bool combo = c.kind == ControlKind::DropDownList;
    if (combo || c.kind == ControlKind::ListBox) {
      for (auto item : c.items) {
        SendMessageW(w, combo ? CB_ADDSTRING : LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(Widen(item).c_str()));
      }
    }
    if (c.kind == ControlKind::Icon) {
      SendMessageW(w, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    }
  }
}

}  // namespace win32host
