#include "hexedit/hex_edit.h"

#include <string>
#include <vector>

#include "hexedit/hex_edit_rules.h"
#include "ui/window_port.h"

namespace hexedit {

namespace {

inline constexpr int VK_INSERT = 0x2D;

ClipboardFacts ExamineClipboard() {
  auto& host = ui::CurrentHost();
  ClipboardFacts facts;
  facts.hasText = host.IsClipboardTextAvailable();
  facts.opened = host.OpenClipboard();
  if (!facts.opened) {
    ui::AfxMessageBox(kCannotOpenClipboardText, ui::MB_OK);
    return facts;
  }
  if (auto text = host.GetClipboardText()) {
    facts.textRead = true;
    facts.text = std::move(*text);
  }
  host.CloseClipboard();
  return facts;
}

}  // namespace

void CHexEdit::SetValue(int nValue) {
  SetWindowText(FormatValue(nValue));
}

std::uint32_t CHexEdit::GetValue() const {
  return ParseValue(GetWindowText(), m_bHex);
}

void CHexEdit::OnTextUpdate() {
  m_bHex = IsHexText(GetWindowText());
}

void CHexEdit::OnReflectedNotify(ui::Notification code) {
  if (code == ui::Notification::Update) OnTextUpdate();
}

void CHexEdit::OnConvert() {
  SetWindowText(ConvertedText(GetWindowText(), m_bHex));
}

static EditState StateOf(const CHexEdit& edit) {
  EditState state;
  state.text = edit.GetWindowText();
  int s = 0, e = 0;
  edit.GetSel(s, e);
  state.s = static_cast<std::size_t>(s < 0 ? 0 : s);
  state.e = static_cast<std::size_t>(e < 0 ? 0 : e);
  return state;
}

ui::KeyDecision CHexEdit::PreTranslateKey(const ui::KeyMessage& message) {
  const EditState state = StateOf(*this);
  if (message.kind == ui::KeyMessage::KeyDown) {
    KeyStroke key;
    key.ctrl = message.ctrl;
    key.shift = message.shift;
    switch (message.key) {
      case 'X':
        key.key = Key::kX;
        break;
      case 'V':
        key.key = Key::kV;
        break;
      case ui::VK_DELETE:
        key.key = Key::kDelete;
        break;
      case VK_INSERT:
        key.key = Key::kInsert;
        break;
      default:
        key.key = Key::kOther;
        break;
    }
    const ClipboardFacts facts = IsPasteKey(key) ? ExamineClipboard() : ClipboardFacts{};
    return FilterKeyDown(state, key, facts);
  }
  return FilterChar(state, message.ch);
}

bool CHexEdit::AcceptInsertion(std::string_view text) {
  return IsInsertionAllowed(StateOf(*this), text);
}

// A removal is a cut of those characters: it may not take the '0' of a prefix alone.
bool CHexEdit::AcceptRemoval(std::size_t start, std::size_t end) {
  EditState state = StateOf(*this);
  state.s = start;
  state.e = end;
  return start >= end || IsCutAllowed(state);
}

bool CHexEdit::OnContextMenu(ui::Point screenPoint) {
  auto* port = Port();
  if (!port) return false;
  SetFocus();
  const EditState state = StateOf(*this);
  MenuFacts facts;
  facts.canUndo = CanUndo();
  facts.readOnly = IsReadOnly();
  facts.clipboardHasText = ui::CurrentHost().IsClipboardTextAvailable();
  const ClipboardFacts clip = ExamineClipboard();
  facts.clipboardTextAllowed = IsClipboardPasteAllowed(state, clip);

  std::vector<ui::MenuItem> items;
  for (const auto& entry : kContextMenu) {
    if (entry.separator) {
      items.push_back({0, "", true, false});
    } else {
      items.push_back({static_cast<int>(entry.id), std::string(entry.text), false,
                       IsMenuEntryGreyed(entry.id, state, facts)});
    }
  }
  const int chosen = port->TrackPopupMenu(items, screenPoint);
  if (chosen != 0) OnCommand(static_cast<unsigned>(chosen));
  return true;
}

void CHexEdit::NormalizeClipboardText() {
  auto& host = ui::CurrentHost();
  if (host.IsClipboardTextAvailable()) {
    // Writing the clipboard replaces everything on it: only a text that changes is written back.
    if (auto text = host.GetClipboardText()) {
      std::string normalized = NormalizedClipboardText(*text);
      if (normalized != *text) host.SetClipboardText(normalized);
    }
  }
  host.CloseClipboard();
}

bool CHexEdit::OnCommand(unsigned id) {
  switch (id) {
    case kIdUndo:
    case kIdCut:
    case kIdCopy:
    case kIdPaste:
    case kIdClear: {
      if (ui::CurrentHost().OpenClipboard()) NormalizeClipboardText();
      // The menu was built from an earlier look at the text and the clipboard: check again.
      const EditState state = StateOf(*this);
      if (id == kIdUndo) Undo();
      if (id == kIdCopy) Copy();
      if ((id == kIdCut || id == kIdClear) && IsCutAllowed(state) && state.s != state.e) {
        id == kIdCut ? Cut() : Clear();
      }
      if (id == kIdPaste) {
        auto& host = ui::CurrentHost();
        std::optional<std::string> text;
        if (host.OpenClipboard()) {
          text = host.GetClipboardText();
          host.CloseClipboard();
        }
        if (text && IsPasteAllowed(state, *text)) Paste();
      }
      return true;
    }
    case ID_HEXEDIT_SELECTALL:
      SetSel(0, -1);
      return true;
    case ID_HEXEDIT_CONVERT:
      OnConvert();
      return true;
    default:
      return false;
  }
}

}  // namespace hexedit
