#include "hexedit/hex_edit_rules.h"

#include <algorithm>
#include <cstdio>

namespace hexedit {

namespace {

constexpr char32_t kBackspace = 8;

struct Selection {
  size_t s;
  size_t e;
};

// The selection ordered and kept inside the text, so that no rule or edit reads past the end.
Selection SelectionOf(const EditState& state) {
  const size_t n = state.text.size();
  const size_t lo = std::min(std::min(state.s, state.e), n);
  const size_t hi = std::min(std::max(state.s, state.e), n);
  return {lo, hi};
}

bool IsX(char c) {
  return c == 'x' || c == 'X';
}

bool IsDecimalDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsHexDigit(char c) {
  return HexDigitValue(c) >= 0;
}

// The rules look at the second character alone; whether the first is '0' is asked separately.
bool IsPrefixed(std::string_view text) {
  return text.size() >= 2 && IsX(text[1]);
}

bool StartsWithZero(std::string_view text) {
  return !text.empty() && text[0] == '0';
}

// Longest leading run of hexadecimal digits, modulo 2^32.
uint32_t ReadHexRun(std::string_view text) {
  uint32_t value = 0;
  for (char c : text) {
    const int d = HexDigitValue(c);
    if (d < 0) break;
    value = value * 16u + static_cast<uint32_t>(d);
  }
  return value;
}

// Longest leading run of decimal digits, modulo 2^32.
uint32_t ReadDecimalRun(std::string_view text) {
  uint32_t value = 0;
  for (char c : text) {
    if (!IsDecimalDigit(c)) break;
    value = value * 10u + static_cast<uint32_t>(c - '0');
  }
  return value;
}

// "%d" into an int, seen as unsigned: an optional sign, then the digits. Unsigned arithmetic
// negates modulo 2^32, which is the two's complement view the "%X" output shows.
uint32_t ReadSignedDecimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  const uint32_t magnitude = ReadDecimalRun(text);
  return negative ? 0u - magnitude : magnitude;
}

std::string Printed(const char* format, uint32_t value) {
  char buffer[16];
  const int n = std::snprintf(buffer, sizeof buffer, format, static_cast<unsigned>(value));
  return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr ui::KeyDecision kPass{ui::KeyVerdict::Pass, 0};
constexpr ui::KeyDecision kSwallow{ui::KeyVerdict::Swallow, 0};

ui::KeyDecision Replace(char32_t ch) {
  return {ui::KeyVerdict::Replace, ch};
}

}  // namespace

bool IsHexText(std::string_view text) {
  if (text.starts_with("0x")) return true;
  return std::any_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'F'; });
}

uint32_t ParseValue(std::string_view text, bool isHex) {
  if (!isHex) return ReadDecimalRun(text);
  if (text.starts_with("0x")) text.remove_prefix(2);
  return ReadHexRun(text);
}

std::string FormatValue(int value) {
  return Printed("0x%04x", static_cast<uint32_t>(value));
}

std::string ConvertedText(std::string_view text, bool isHex) {
  if (isHex) return Printed("%u", ParseValue(text, true));
  return Printed("0x%X", ReadSignedDecimal(text));
}

bool IsWellFormed(std::string_view text) {
  if (text.size() >= 2 && text[0] == '0' && IsX(text[1])) text.remove_prefix(2);
  return std::all_of(text.begin(), text.end(), IsHexDigit);
}

bool IsPasteKey(const KeyStroke& key) {
  return (key.key == Key::kV && key.ctrl) || (key.key == Key::kInsert && key.shift && !key.ctrl);
}

bool IsPasteAllowed(const EditState& state, std::string_view p) {
  const std::string_view t = state.text;
  const auto [s, e] = SelectionOf(state);
  const bool prefixed = IsPrefixed(t);

  // Nothing may land in front of or inside the "0x" without replacing all of it.
  if (prefixed && e <= 1) return false;

  size_t i = 0;
  if (p.size() >= 2 && p[0] == '0' && IsX(p[1])) {
    if (prefixed ? !(s == 0 && e >= 2) : s != 0) return false;
    i = 2;
  } else if (!p.empty() && IsX(p[0])) {
    if (!(StartsWithZero(t) && s == 1)) return false;
    i = 1;
  }
  return std::all_of(p.begin() + static_cast<std::ptrdiff_t>(i), p.end(), IsHexDigit);
}

bool IsClipboardPasteAllowed(const EditState& state, const ClipboardFacts& clipboard) {
  return clipboard.hasText && clipboard.opened && clipboard.textRead &&
         IsPasteAllowed(state, clipboard.text);
}

bool IsCutAllowed(const EditState& state) {
  const auto [s, e] = SelectionOf(state);
  return !(IsPrefixed(state.text) && s == 0 && e == 1);
}

ui::KeyDecision FilterKeyDown(const EditState& state, const KeyStroke& key,
                              const ClipboardFacts& clipboard) {
  if (key.key == Key::kX && key.ctrl) return IsCutAllowed(state) ? kPass : kSwallow;
  if (IsPasteKey(key)) return IsClipboardPasteAllowed(state, clipboard) ? kPass : kSwallow;
  if (key.key == Key::kDelete) {
    const auto [s, e] = SelectionOf(state);
    if (IsPrefixed(state.text) && s == 0 && e <= 1) return kSwallow;
  }
  return kPass;
}

ui::KeyDecision FilterChar(const EditState& state, char32_t ch) {
  const std::string_view t = state.text;
  const auto [s, e] = SelectionOf(state);
  const bool prefixed = IsPrefixed(t);

  if (ch >= 0x20) {
    if (prefixed && s <= 1 && e <= 1) return kSwallow;
    if (s == 1 && (ch == U'x' || ch == U'X') && StartsWithZero(t)) return Replace(U'x');
    if ((ch >= U'0' && ch <= U'9') || (ch >= U'A' && ch <= U'F')) return kPass;
    if (ch >= U'a' && ch <= U'f') return Replace(ch - U'a' + U'A');
    return kSwallow;
  }
  if (ch == kBackspace && prefixed && StartsWithZero(t) && e == 1) return kSwallow;
  return kPass;
}

bool IsInsertionAllowed(const EditState& state, std::string_view text) {
  return IsPasteAllowed(state, text);
}

std::string NormalizedClipboardText(std::string_view text) {
  std::string out(text);
  if (!std::all_of(text.begin(), text.end(), [](char c) { return IsHexDigit(c) || IsX(c); })) {
    return out;
  }
  for (char& c : out) c = IsX(c) ? 'x' : AsciiUpper(c);
  return out;
}

bool IsMenuEntryGreyed(unsigned id, const EditState& state, const MenuFacts& facts) {
  const auto [s, e] = SelectionOf(state);
  const bool empty = s == e;
  switch (id) {
    case kIdUndo:
      return !facts.canUndo || facts.readOnly;
    case kIdCut:
    case kIdClear:
      return empty || facts.readOnly || !IsCutAllowed(state);
    case kIdCopy:
      return empty;
    case kIdPaste:
      return !facts.clipboardHasText || facts.readOnly || !facts.clipboardTextAllowed;
    case ID_HEXEDIT_SELECTALL:
      return state.text.empty() || (s == 0 && e == state.text.size());
    case ID_HEXEDIT_CONVERT:
      return state.text.empty() || state.text == "0x";
    default:
      return false;
  }
}

EditState ReplaceSelection(const EditState& state, std::string_view text) {
  const auto [s, e] = SelectionOf(state);
  EditState out;
  out.text.reserve(state.text.size() - (e - s) + text.size());
  out.text.append(state.text, 0, s).append(text).append(state.text, e, std::string::npos);
  out.s = out.e = s + text.size();
  return out;
}

EditState DeleteBackward(const EditState& state) {
  const auto [s, e] = SelectionOf(state);
  if (s != e || s == 0) return ReplaceSelection({state.text, s, e}, "");
  return ReplaceSelection({state.text, s - 1, s}, "");
}

EditState DeleteForward(const EditState& state) {
  const auto [s, e] = SelectionOf(state);
  if (s != e || e == state.text.size()) return ReplaceSelection({state.text, s, e}, "");
  return ReplaceSelection({state.text, s, s + 1}, "");
}

}  // namespace hexedit
