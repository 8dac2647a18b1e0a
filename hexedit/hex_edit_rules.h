#pragma once

// Acceptance rules of the hex number edit: what its text means, which keystrokes, characters and
// pastes it lets through, the greyed state of its context menu and the decimal / hexadecimal
// conversion. Everything here is a pure function of the text, the selection and the incoming input,
// so the window layer (CHexEdit and its hosts) only gathers those facts and applies the verdict.
//
// Texts are byte strings; the field only ever holds ASCII, so a byte position is a character
// position. Selections are expected with s <= e <= text length; a selection given the other way
// round or running past the end is ordered and clamped before any rule looks at it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ui/key_decision.h"

namespace hexedit {

// The text and selection of the control. The caret alone is s == e.
struct EditState {
  std::string text;
  size_t s = 0;
  size_t e = 0;
};

// ---- Notation and value -------------------------------------------------------------------------

// The notation flag m_bHex that follows the text: true when the text begins with exactly "0x"
// (lower-case x) or holds any of the upper-case letters 'A' to 'F'. Lower-case letters and a
// capital "0X" prefix do not count, so '1f' and '0X10' are decimal.
bool IsHexText(std::string_view text);

// GetValue's reading of the text. Hexadecimal: a leading "0x" (lower-case x only) is skipped, then
// the longest leading run of hexadecimal digits of either case is read. Decimal: the longest
// leading run of decimal digits. No white space or sign is accepted, and 0 comes back when there is
// no digit to read. A run longer than 32 bits keeps its low 32 bits (the value modulo 2^32), as
// reading with "%x" into an unsigned int gives in practice; saturating instead would turn every
// long address into 0xFFFFFFFF with no more truth to it.
uint32_t ParseValue(std::string_view text, bool isHex);

// SetValue's text: "0x%04x" of the value's unsigned 32-bit view, so 0 gives "0x0000", 8188 gives
// "0x1ffc" and -5 gives "0xfffffffb".
std::string FormatValue(int value);

// OnConvert's new text. Hexadecimal: the value as ParseValue reads it, in unsigned decimal ("%u").
// Decimal: read as "%d" would (an optional '+' or '-' sign, then the longest run of decimal digits,
// low 32 bits), shown as "0x%X" of its unsigned view, so "255" gives "0xFF" and "-5" gives
// "0xFFFFFFFB". Nothing readable converts as 0 ("0" or "0x0").
std::string ConvertedText(std::string_view text, bool isHex);

// The invariant the filter is meant to keep: an optional "0x" or "0X" prefix followed by
// hexadecimal digits of either case only. The empty text and a bare prefix are well formed.
// Well formed is not the same as read as intended: '1f' and '0X10' are well formed and read as
// decimal 1 and 0.
bool IsWellFormed(std::string_view text);

// ---- Keystroke and character filter -------------------------------------------------------------

// The keys the key-down filter tells apart; every other key is kOther and passes.
enum class Key { kOther, kX, kV, kDelete, kInsert };

struct KeyStroke {
  Key key = Key::kOther;
  bool ctrl = false;
  bool shift = false;
};

// What examining the clipboard for a paste found: whether it announced text, whether it could be
// opened, whether its text data could be read, and that text.
struct ClipboardFacts {
  bool hasText = false;
  bool opened = false;
  bool textRead = false;
  std::string text;
};

// Shown, with an OK button, when the clipboard cannot be opened to check a paste.
inline constexpr std::string_view kCannotOpenClipboardText = "Cannot open clipboard!";

// Keys that paste: Ctrl+V, and Shift+Insert, which standard edit controls treat the same way. The
// host examines the clipboard only for these.
bool IsPasteKey(const KeyStroke& key);

// Paste check for a text P arriving at the selection:
//   1. a prefixed text (second character 'x' or 'X') with e <= 1 refuses;
//   2. a P bringing its own "0x" / "0X" needs s = 0, and for a prefixed text also e >= 2;
//   3. a P beginning with 'x' / 'X' needs a leading '0' and s = 1;
//   4. the rest of P must be hexadecimal digits of either case. An empty P is accepted.
bool IsPasteAllowed(const EditState& state, std::string_view p);

// Whether a clipboard paste may go ahead: text announced, opened, read and passing IsPasteAllowed.
// A clipboard that could not be opened or read refuses, since its text would go in unchecked.
bool IsClipboardPasteAllowed(const EditState& state, const ClipboardFacts& clipboard);

// Whether the selection may be cut or cleared: not when it is exactly the '0' of a prefix, which
// would leave the text beginning with 'x'.
bool IsCutAllowed(const EditState& state);

// Key-down filter: Ctrl+X (cut), the paste keys and Delete (any modifiers). The clipboard facts are
// looked at for a paste key only; pass empty facts for any other key.
ui::KeyDecision FilterKeyDown(const EditState& state, const KeyStroke& key,
                              const ClipboardFacts& clipboard);

// Character filter: printable characters (>= 0x20) are kept to hexadecimal digits, with 'a' to 'f'
// raised to upper case and 'x' / 'X' accepted as 'x' right behind a leading '0'; backspace (8)
// may not take the '0' of a prefix; other control characters pass.
ui::KeyDecision FilterChar(const EditState& state, char32_t ch);

// Text arriving by other roads (middle-click paste, drag and drop, input method commit) obeys the
// paste check. The state's selection is where the text would land: for a drop or a middle click
// that is the caret at the drop point, and for a move within the field the text after the source
// has been removed.
bool IsInsertionAllowed(const EditState& state, std::string_view text);

// ---- Clipboard normalisation --------------------------------------------------------------------

// Every character other than 'x' and 'X' in upper case (ASCII only, whatever the locale) and 'X'
// turned into 'x': '0Xab' becomes '0xAB'. Only a text that could be a number, hexadecimal digits
// and 'x' / 'X' alone, is touched: any other text is the user's own clipboard content, which the
// field could not take anyway, and comes back as it is. A text passes IsPasteAllowed exactly when
// its normalised form does.
std::string NormalizedClipboardText(std::string_view text);

// ---- Context menu -------------------------------------------------------------------------------

// Command ids of the menu. The first five are the numbers of the edit-control messages the items
// send (undo, cut, copy, paste, clear).
inline constexpr unsigned kIdUndo = 199;
inline constexpr unsigned kIdCut = 768;
inline constexpr unsigned kIdCopy = 769;
inline constexpr unsigned kIdPaste = 770;
inline constexpr unsigned kIdClear = 771;
inline constexpr unsigned ID_HEXEDIT_SELECTALL = 0x0B00;
inline constexpr unsigned ID_HEXEDIT_CONVERT = 0x0B01;

// Private message the control sends itself to convert its text; wParam and lParam carry nothing.
inline constexpr unsigned WM_HEXEDIT_CONVERT = 0x0B01;

struct MenuEntry {
  std::string_view text;  // UTF-8, with '&' before the mnemonic; empty for a separator
  unsigned id;            // 0 for a separator
  bool separator;
};

// The menu, top to bottom.
inline constexpr std::array<MenuEntry, 10> kContextMenu = {{
    {"&Annuler", kIdUndo, false},
    {"", 0, true},
    {"&Couper", kIdCut, false},
    {"Copi&er", kIdCopy, false},
    {"C&oller", kIdPaste, false},
    {"&Supprimer", kIdClear, false},
    {"", 0, true},
    {"Sélectio&nner tout", ID_HEXEDIT_SELECTALL, false},
    {"", 0, true},
    {"Con&vertir", ID_HEXEDIT_CONVERT, false},
}};

// Facts about the control and the clipboard that the menu's greyed states depend on.
// clipboardTextAllowed is IsClipboardPasteAllowed for the current state.
struct MenuFacts {
  bool canUndo = false;
  bool readOnly = false;
  bool clipboardHasText = false;
  bool clipboardTextAllowed = false;
};

// Whether the entry with this command id is greyed. Unknown ids (and separators) are not.
bool IsMenuEntryGreyed(unsigned id, const EditState& state, const MenuFacts& facts);

// ---- What the standard edit control does with a message that passes -----------------------------
// A model of the control's own editing, for hosts without a real edit control and for tests and
// fuzzing. The caret ends behind what was inserted, or where text was removed.

// Typing, pasting, cutting (with an empty text) and clearing: the selection replaced by text.
EditState ReplaceSelection(const EditState& state, std::string_view text);

// Backspace: removes the selection, or the character before the caret.
EditState DeleteBackward(const EditState& state);

// Delete: removes the selection, or the character behind the caret.
EditState DeleteForward(const EditState& state);

}  // namespace hexedit
