#pragma once
// In-memory dialog templates (DLGTEMPLATEEX) built from the program's resource tables, so that
// the system lays the dialogs out in dialog units from their font as it does for compiled
// resources.

#include <cstdint>
#include <vector>

#include "ui/resources.h"

namespace win32host {

// The predefined window classes of dialog controls, as template ordinals.
enum ClassAtom : std::uint16_t {
  kButtonClass = 0x0080,
  kEditClass = 0x0081,
  kStaticClass = 0x0082,
  kListBoxClass = 0x0083,
  kComboBoxClass = 0x0085,
};

struct WindowStyles {
  std::uint32_t style = 0;
  std::uint32_t exStyle = 0;
};

struct ControlStyles : WindowStyles {
  ClassAtom classAtom = kStaticClass;
};

ControlStyles StylesOf(const ui::ControlTemplate& control);

// Every dialog with a caption gets a system menu, so that the items the program appends to it can
// be reached; the host takes the close command out again where the template has no system menu.
WindowStyles StylesOf(const ui::DialogTemplate& dialog);

// The template: header, font, then one item a control in tab order. The result starts the
// DWORD-aligned block the dialog functions take.
std::vector<std::uint8_t> BuildDialogTemplate(const ui::DialogTemplate& dialog);

}  // namespace win32host
