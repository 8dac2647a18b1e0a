#include "win32/dialog_template.h"

#include <string>

#include "win32/text_convert.h"
#include "win32/win32_api.h"

namespace win32host {

namespace {

using ui::ControlKind;

class TemplateWriter {
 public:
  void Word(std::uint16_t v) {
    bytes_.push_back(static_cast<std::uint8_t>(v & 0xFF));
    bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void Dword(std::uint32_t v) {
    Word(static_cast<std::uint16_t>(v & 0xFFFF));
    Word(static_cast<std::uint16_t>(v >> 16));
  }
  void Short(int v) { Word(static_cast<std::uint16_t>(static_cast<std::int16_t>(v))); }
  void Byte(std::uint8_t v) { bytes_.push_back(v); }
  void Text(std::string_view utf8) {
    for (wchar_t c : Widen(utf8)) Word(static_cast<std::uint16_t>(c));
    Word(0);
  }
  void Ordinal(std::uint16_t v) {
    Word(0xFFFF);
    Word(v);
  }
  void AlignDword() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

std::uint32_t CommonStyles(unsigned s) {
  std::uint32_t style = WS_CHILD;
  if (s & ui::kVisible) style |= WS_VISIBLE;
  if (s & ui::kDisabled) style |= WS_DISABLED;
  if (s & ui::kTabStop) style |= WS_TABSTOP;
  if (s & ui::kGroup) style |= WS_GROUP;
  if (s & ui::kBorder) style |= WS_BORDER;
  if (s & ui::kVScroll) style |= WS_VSCROLL;
  return style;
}

// Bordered edits and lists get the sunken edge, the three-dimensional look that the dialog
// manager gives them for programs of this age (Wine's does not, so it is asked for here).
void SunkenBorder(unsigned s, ControlStyles& out) {
  if (!(s & ui::kBorder)) return;
  out.style &= ~static_cast<std::uint32_t>(WS_BORDER);
  out.exStyle |= WS_EX_CLIENTEDGE;
}

}  // namespace

ControlStyles StylesOf(const ui::ControlTemplate& c) {
  const unsigned s = c.style;
  ControlStyles out;
  out.style = CommonStyles(s);
  switch (c.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
      out.classAtom = kButtonClass;
      out.style |= c.kind == ControlKind::DefPushButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
      if (s & ui::kMultiline) out.style |= BS_MULTILINE;
      break;
    case ControlKind::CheckBox:
    case ControlKind::AutoCheckBox:
    case ControlKind::AutoRadioButton:
      out.classAtom = kButtonClass;
      out.style |= c.kind == ControlKind::CheckBox       ? BS_CHECKBOX
                   : c.kind == ControlKind::AutoCheckBox ? BS_AUTOCHECKBOX
                                                         : BS_AUTORADIOBUTTON;
      if (s & ui::kTextLeft) out.style |= BS_LEFTTEXT;
      if (s & ui::kMultiline) out.style |= BS_MULTILINE;
      // A right-aligned check box is laid out from the right, box included.
      if (s & ui::kRightAligned) out.exStyle |= WS_EX_RIGHT;
      break;
    case ControlKind::Edit:
      out.classAtom = kEditClass;
      SunkenBorder(s, out);
      out.style |= (s & ui::kRightAligned) ? ES_RIGHT : (s & ui::kCentered) ? ES_CENTER : ES_LEFT;
      if (s & ui::kAutoHScroll) out.style |= ES_AUTOHSCROLL;
      if (s & ui::kNumber) out.style |= ES_NUMBER;
      if (s & ui::kReadOnly) out.style |= ES_READONLY;
      break;
    case ControlKind::DropDownList:
      out.classAtom = kComboBoxClass;
      out.style |= CBS_DROPDOWNLIST;
      if (s & ui::kSort) out.style |= CBS_SORT;
      break;
    case ControlKind::ListBox:
      out.classAtom = kListBoxClass;
      SunkenBorder(s, out);
      if (s & ui::kSort) out.style |= LBS_SORT;
      if (s & ui::kNotify) out.style |= LBS_NOTIFY;
      if (s & ui::kNoIntegralHeight) out.style |= LBS_NOINTEGRALHEIGHT;
      break;
    case ControlKind::Label:
      out.classAtom = kStaticClass;
      out.style |= (s & ui::kRightAligned) ? SS_RIGHT : (s & ui::kCentered) ? SS_CENTER : SS_LEFT;
      if (s & ui::kNoPrefix) out.style |= SS_NOPREFIX;
      break;
    case ControlKind::GroupBox:
      out.classAtom = kButtonClass;
      out.style |= BS_GROUPBOX;
      if (s & ui::kCentered) out.style |= BS_CENTER;
      break;
    case ControlKind::Icon:
      out.classAtom = kStaticClass;
      out.style |= SS_ICON;
      break;
  }
  return out;
}

WindowStyles StylesOf(const ui::DialogTemplate& d) {
  WindowStyles out;
  out.style = WS_POPUP | DS_SETFONT | DS_3DLOOK;
  if (d.style & ui::kDsVisible) out.style |= WS_VISIBLE;
  if (d.style & ui::kDsCaption) out.style |= WS_CAPTION | WS_SYSMENU;
  if (d.style & ui::kDsSysMenu) out.style |= WS_SYSMENU;
  if (d.style & ui::kDsModalFrame) out.style |= DS_MODALFRAME;
  if (d.style & ui::kDsAppWindow) out.exStyle |= WS_EX_APPWINDOW;
  return out;
}

std::vector<std::uint8_t> BuildDialogTemplate(const ui::DialogTemplate& d) {
  TemplateWriter w;
  const WindowStyles dialogStyles = StylesOf(d);
  w.Word(1);       // dlgVer
  w.Word(0xFFFF);  // signature: the extended template
  w.Dword(0);      // helpID
  w.Dword(dialogStyles.exStyle);
  w.Dword(dialogStyles.style);
  w.Word(static_cast<std::uint16_t>(d.controls.size()));
  w.Short(d.rect.x);
  w.Short(d.rect.y);
  w.Short(d.rect.cx);
  w.Short(d.rect.cy);
  w.Word(0);  // no menu
  w.Word(0);  // the dialog class
  w.Text(d.caption);
  w.Word(static_cast<std::uint16_t>(d.pointSize));
  w.Word(FW_NORMAL);
  w.Byte(0);  // not italic
  w.Byte(DEFAULT_CHARSET);
  w.Text(d.fontName);

  for (const auto& c : d.controls) {
    const ControlStyles styles = StylesOf(c);
    w.AlignDword();
    w.Dword(0);  // helpID
    w.Dword(styles.exStyle);
    w.Dword(styles.style);
    w.Short(c.rect.x);
    w.Short(c.rect.y);
    w.Short(c.rect.cx);
    w.Short(c.rect.cy);
    w.Dword(static_cast<std::uint32_t>(c.id));
    w.Ordinal(styles.classAtom);
    // An icon's title names its image; the host sets the image after creation instead.
    w.Text(c.kind == ControlKind::Icon ? std::string_view() : c.caption);
    w.Word(0);  // no creation data
  }
  return w.Take();
}

}  // namespace win32host
