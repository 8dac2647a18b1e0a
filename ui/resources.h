#pragma once
// Dialog templates and the string table as plain data. Every host builds its windows from these,
// so the layout lives in one place.

#include <span>
#include <string>
#include <string_view>

namespace ui {

enum class ControlKind {
  PushButton,
  DefPushButton,
  CheckBox,      // not automatic: only the program changes its check
  AutoCheckBox,  // toggles when clicked
  AutoRadioButton,
  Edit,
  DropDownList,
  ListBox,
  Label,
  GroupBox,
  Icon,
};

// Control styles. One flag set for every kind; each flag means what its name says for the kinds
// that have it.
enum ControlStyle : unsigned {
  kVisible = 1u << 0,
  kDisabled = 1u << 1,
  kTabStop = 1u << 2,
  kGroup = 1u << 3,         // starts a group (radio groups, tab groups)
  kMultiline = 1u << 4,     // push button caption may wrap
  kTextLeft = 1u << 5,      // check box / radio: text left of the box
  kRightAligned = 1u << 6,  // label text or check box caption aligned right
  kCentered = 1u << 7,      // label text or group box caption centred
  kNumber = 1u << 8,        // edit takes digits only
  kAutoHScroll = 1u << 9,   // edit scrolls horizontally
  kBorder = 1u << 10,
  kSort = 1u << 11,  // list entries kept sorted
  kVScroll = 1u << 12,
  kNotify = 1u << 13,  // list box notifies its parent
  kNoIntegralHeight = 1u << 14,
  kNoPrefix = 1u << 15,  // label: '&' is shown, not a mnemonic
  kReadOnly = 1u << 16,
};

enum DialogStyle : unsigned {
  kDsVisible = 1u << 0,
  kDsCaption = 1u << 1,
  kDsSysMenu = 1u << 2,  // has a system menu and a close box
  kDsModalFrame = 1u << 3,
  kDsAppWindow = 1u << 4,  // shown in the task bar
};

// A rectangle in dialog units: x, y, width, height.
struct DlgRect {
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
};

struct ControlTemplate {
  ControlKind kind = ControlKind::Label;
  int id = -1;  // -1: a label or group box nobody addresses
  std::string_view caption;
  DlgRect rect;
  unsigned style = kVisible;
  std::span<const std::string_view> items = {};  // initial list entries of the resource data
};

struct DialogTemplate {
  int id = 0;
  std::string_view caption;
  DlgRect rect;  // x, y ignored: dialogs are centred on their owner or the screen
  unsigned style = 0;
  std::string_view fontName = "MS Shell Dlg";
  int pointSize = 8;
  std::span<const ControlTemplate> controls;  // in tab order

  const ControlTemplate* FindControl(int controlId) const;
};

struct StringEntry {
  int id = 0;
  std::string_view text;
};

struct Resources {
  std::string_view appName;  // caption of application message boxes
  std::span<const DialogTemplate* const> dialogs;
  std::span<const StringEntry> strings;

  const DialogTemplate* FindDialog(int id) const;
  // Empty when the string table has no such entry.
  std::string LoadString(int id) const;
};

// The resources of the running program; set once at start.
void SetResources(const Resources* resources);
const Resources& GetResources();

// Ids of the controls of a radio group starting at `firstId`, in tab order: the first control and
// every radio button after it up to the next control that starts a group.
std::span<const ControlTemplate> RadioGroup(const DialogTemplate& dialog, int firstId);

}  // namespace ui
