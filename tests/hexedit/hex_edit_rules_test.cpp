#include "hexedit/hex_edit_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

using hexedit::ClipboardFacts;
using hexedit::EditState;
using hexedit::Key;
using hexedit::KeyStroke;
using hexedit::MenuFacts;
using ui::KeyVerdict;

constexpr ui::KeyDecision kPass{KeyVerdict::Pass, 0};
constexpr ui::KeyDecision kSwallow{KeyVerdict::Swallow, 0};
constexpr ui::KeyDecision As(char32_t ch) {
  return {KeyVerdict::Replace, ch};
}

constexpr char32_t kBs = 8;

std::string Show(const EditState& st) {
  return "'" + st.text + "' [" + std::to_string(st.s) + "," + std::to_string(st.e) + "]";
}

// Types one character the way the control would: filtered, then inserted at the selection.
EditState Type(const EditState& st, char32_t ch) {
  const ui::KeyDecision d = hexedit::FilterChar(st, ch);
  if (d.verdict == KeyVerdict::Swallow) return st;
  const char32_t c = d.verdict == KeyVerdict::Replace ? d.replacement : ch;
  if (c == kBs) return hexedit::DeleteBackward(st);
  if (c < 0x20) return st;
  return hexedit::ReplaceSelection(st, std::string(1, static_cast<char>(c)));
}

EditState TypeAll(EditState st, std::string_view chars) {
  for (char c : chars) st = Type(st, static_cast<unsigned char>(c));
  return st;
}

ClipboardFacts Clip(std::string text) {
  return {true, true, true, std::move(text)};
}

TEST(HexEditRulesTest, NotationFlagAndValueFollowTheText) {
  struct Case {
    std::string_view text;
    bool hex;
    uint32_t value;
  };
  const Case cases[] = {
      {"10", false, 10},
      {"0x10", true, 16},
      {"1F", true, 31},
      {"0x", true, 0},
      {"", false, 0},
      {"1f", false, 1},  // lower-case letters do not make it hexadecimal
      {"12ab", false, 12},
      {"AB", true, 171},
      {"0x0000", true, 0},
      {"0x1ffc", true, 8188},
      {"0x00ff", true, 255},
      {"0X10", false, 0},  // a capital X is no prefix: decimal, read up to the X
      {"0X1F", true, 0},   // hexadecimal by its F, but "0X" is not skipped: the run is "0"
      {"0xg", true, 0},
      {"x5", false, 0},
      {"0xFFFFFFFF", true, 0xFFFFFFFFu},
      {"4294967295", false, 0xFFFFFFFFu},
      // Longer runs keep their low 32 bits.
      {"0x123456789", true, 0x23456789u},
      {"0x1000000005", true, 5},
      {"4294967296", false, 0},
      {"4294967301", false, 5},
      {"99999999999", false, 1215752191u},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hexedit::IsHexText(c.text), c.hex) << c.text;
    EXPECT_EQ(hexedit::ParseValue(c.text, hexedit::IsHexText(c.text)), c.value) << c.text;
  }
  // The flag, not the look of the text, decides the reading.
  EXPECT_EQ(hexedit::ParseValue("0x10", false), 0u);
  EXPECT_EQ(hexedit::ParseValue("10", true), 16u);
}

TEST(HexEditRulesTest, SetValueFormatsTheUnsignedViewAndReadsBack) {
  const std::pair<int, std::string_view> cases[] = {
      {0, "0x0000"},      {8188, "0x1ffc"},        {0x12345, "0x12345"},
      {-5, "0xfffffffb"}, {INT_MIN, "0x80000000"}, {INT_MAX, "0x7fffffff"},
  };
  for (const auto& [value, text] : cases) {
    const std::string shown = hexedit::FormatValue(value);
    EXPECT_EQ(shown, text) << value;
    EXPECT_TRUE(hexedit::IsHexText(shown)) << value;
    EXPECT_EQ(hexedit::ParseValue(shown, true), static_cast<uint32_t>(value)) << value;
    EXPECT_TRUE(hexedit::IsWellFormed(shown)) << value;
  }
}

TEST(HexEditRulesTest, ConversionSwitchesNotation) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"255", "0xFF"},
      {"0xFF", "255"},
      {"0x00ff", "255"},
      {"0x0000", "0"},
      {"0x", "0"},
      {"", "0x0"},
      {"0", "0x0"},
      {"1f", "0x1"},
      {"0X10", "0x0"},
      {"-5", "0xFFFFFFFB"},  // read as "%d" would, shown as its unsigned view
      {"+5", "0x5"},
      {"-", "0x0"},
      {"4294967295", "0xFFFFFFFF"},
      {"0xffffffff", "4294967295"},
      {"4294967296", "0x0"},
  };
  for (const auto& [text, converted] : cases) {
    const std::string out = hexedit::ConvertedText(text, hexedit::IsHexText(text));
    EXPECT_EQ(out, converted) << text;
    // The new text's flag is the other notation, so converting twice comes back to the value.
    EXPECT_NE(hexedit::IsHexText(out), hexedit::IsHexText(text)) << text;
    const std::string back = hexedit::ConvertedText(out, hexedit::IsHexText(out));
    EXPECT_EQ(hexedit::ParseValue(back, hexedit::IsHexText(back)),
              hexedit::ParseValue(out, hexedit::IsHexText(out)))
        << text;
  }
}

TEST(HexEditRulesTest, TypedTextIsKeptToANumber) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"a", "A"},
      {"0X", "0x"},
      {"0x", "0x"},
      {"0x1f", "0x1F"},
      {"x", ""},
      {"1x", "1"},
      {"0Xx", "0x"},
      {"g", ""},
      {"-", ""},
      {"12-3", "123"},
      {"0x1x2", "0x12"},
      {"00x1", "001"},  // 'x' only at 1
      {"abcdefg", "ABCDEF"},
  };
  for (const auto& [typed, text] : cases) {
    EXPECT_EQ(TypeAll({}, typed).text, text) << typed;
  }
}

TEST(HexEditRulesTest, CharacterFilterTable) {
  struct Case {
    EditState st;
    char32_t ch;
    ui::KeyDecision want;
  };
  const Case cases[] = {
      {{"", 0, 0}, U'a', As(U'A')},
      {{"", 0, 0}, U'F', kPass},
      {{"", 0, 0}, U'7', kPass},
      {{"0", 1, 1}, U'X', As(U'x')},
      {{"0", 1, 1}, U'x', As(U'x')},
      {{"05", 1, 2}, U'x', As(U'x')},
      {{"", 0, 0}, U'x', kSwallow},
      {{"05", 0, 0}, U'x', kSwallow},
      {{"5", 1, 1}, U'x', kSwallow},  // behind a digit other than '0'
      {{"0", 0, 0}, U'g', kSwallow},
      {{"0", 1, 1}, U'-', kSwallow},
      {{"0", 1, 1}, U' ', kSwallow},
      {{"0", 1, 1}, 0x7F, kSwallow},
      {{"0", 1, 1}, U'\u00E9', kSwallow},
      {{"0", 1, 1}, U'\uFF11', kSwallow},  // full-width digit one
      // Nothing goes in front of or inside a prefix unless all of it is replaced.
      {{"0x1F", 0, 0}, U'5', kSwallow},
      {{"0x1F", 1, 1}, U'5', kSwallow},
      {{"0x1F", 0, 1}, U'5', kSwallow},
      {{"0x1F", 1, 1}, U'x', kSwallow},
      {{"0x1F", 2, 2}, U'5', kPass},
      {{"0x1F", 4, 4}, U'a', As(U'A')},
      {{"0x1F", 0, 2}, U'5', kPass},
      {{"0x1F", 1, 2}, U'x', As(U'x')},
      {{"0x1F", 1, 2}, U'5', kPass},
      // Backspace may not take the '0' of a prefix.
      {{"0x1F", 1, 1}, kBs, kSwallow},
      {{"0x1F", 0, 1}, kBs, kSwallow},
      {{"0X1F", 1, 1}, kBs, kSwallow},
      {{"0x1F", 2, 2}, kBs, kPass},
      {{"0x1F", 0, 2}, kBs, kPass},
      {{"01F", 1, 1}, kBs, kPass},
      // Other control characters (Ctrl+C, Ctrl+Z, Enter) are the control's business.
      {{"0x1F", 0, 0}, 0x03, kPass},
      {{"0x1F", 0, 0}, 0x1A, kPass},
      {{"0x1F", 1, 1}, 0x0D, kPass},
  };
  for (const Case& c : cases) {
    const ui::KeyDecision got = hexedit::FilterChar(c.st, c.ch);
    EXPECT_EQ(got, c.want) << Show(c.st) << " char " << static_cast<uint32_t>(c.ch) << " got "
                           << static_cast<int>(got.verdict) << "/"
                           << static_cast<uint32_t>(got.replacement);
  }
}

TEST(HexEditRulesTest, RemovingTheXOfAPrefixKeepsTheZero) {
  ASSERT_EQ(hexedit::FilterKeyDown({"0x1F", 1, 1}, {Key::kDelete}, {}), kPass);
  EXPECT_EQ(hexedit::DeleteForward({"0x1F", 1, 1}).text, "01F");
  EXPECT_EQ(Type({"0x1F", 2, 2}, kBs).text, "01F");
  EXPECT_EQ(Type({"0x1F", 1, 1}, kBs).text, "0x1F");
}

TEST(HexEditRulesTest, KeyDownFilterTable) {
  const KeyStroke del{Key::kDelete};
  const KeyStroke shiftDel{Key::kDelete, false, true};
  const KeyStroke ctrlX{Key::kX, true};
  const KeyStroke ctrlV{Key::kV, true};
  const KeyStroke shiftIns{Key::kInsert, false, true};
  struct Case {
    EditState st;
    KeyStroke key;
    ClipboardFacts clip;
    ui::KeyDecision want;
  };
  const Case cases[] = {
      {{"0x1F", 0, 0}, del, {}, kSwallow},
      {{"0x1F", 0, 1}, del, {}, kSwallow},
      {{"0x1F", 0, 1}, shiftDel, {}, kSwallow},
      {{"0x1F", 1, 1}, del, {}, kPass},
      {{"0x1F", 0, 2}, del, {}, kPass},
      {{"01F", 0, 0}, del, {}, kPass},
      {{"0x1F", 0, 1}, ctrlX, {}, kSwallow},
      {{"0X1F", 0, 1}, ctrlX, {}, kSwallow},
      {{"0x1F", 0, 0}, ctrlX, {}, kPass},  // nothing to cut
      {{"0x1F", 0, 2}, ctrlX, {}, kPass},
      {{"0x1F", 1, 2}, ctrlX, {}, kPass},
      {{"01F", 0, 1}, ctrlX, {}, kPass},
      {{"0x1F", 0, 1}, {Key::kX}, {}, kPass},  // plain 'x' key: the character filter decides
      {{"0x1F", 0, 1}, {Key::kOther, true}, {}, kPass},
      // Pastes pass only with clipboard text that was read and passes the paste check.
      {{"", 0, 0}, ctrlV, Clip("0x12"), kPass},
      {{"0x5", 3, 3}, ctrlV, Clip("0x12"), kSwallow},
      {{"0x5", 3, 3}, ctrlV, Clip("12"), kPass},
      {{"", 0, 0}, ctrlV, Clip("12 "), kSwallow},
      {{"", 0, 0}, ctrlV, {false, true, false, ""}, kSwallow},  // no text on the clipboard
      {{"", 0, 0}, ctrlV, {true, false, false, ""}, kSwallow},  // could not be opened
      {{"", 0, 0}, ctrlV, {true, true, false, ""}, kSwallow},   // text could not be read
      {{"", 0, 0}, shiftIns, Clip("g"), kSwallow},
      {{"", 0, 0}, shiftIns, Clip("1f"), kPass},
      {{"0x1F", 0, 0}, {Key::kV}, {}, kPass},
      {{"0x1F", 0, 0}, {Key::kInsert, true}, {}, kPass},  // Ctrl+Insert copies
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hexedit::FilterKeyDown(c.st, c.key, c.clip), c.want)
        << Show(c.st) << " key " << static_cast<int>(c.key.key) << " ctrl " << c.key.ctrl
        << " shift " << c.key.shift << " clip '" << c.clip.text << "'";
  }
  EXPECT_TRUE(hexedit::IsPasteKey(ctrlV));
  EXPECT_TRUE(hexedit::IsPasteKey(shiftIns));
  EXPECT_FALSE(hexedit::IsPasteKey({Key::kV}));
  EXPECT_FALSE(hexedit::IsPasteKey(ctrlX));
}

TEST(HexEditRulesTest, PasteCheckTable) {
  struct Case {
    EditState st;
    std::string_view p;
    bool allowed;
  };
  const Case cases[] = {
      {{"", 0, 0}, "0x12", true},
      {{"5", 0, 0}, "0x12", true},
      {{"512", 0, 1}, "0X12", true},
      {{"512", 1, 1}, "0x12", false},
      {{"0x5", 3, 3}, "0x12", false},
      {{"0x5", 0, 3}, "0x12", true},  // replaces the prefix
      {{"0x5", 0, 2}, "0x12", true},
      {{"0x5", 1, 3}, "0x12", false},
      {{"0", 1, 1}, "x5", true},
      {{"05", 1, 2}, "X5", true},
      {{"0x5", 1, 2}, "x5", true},
      {{"1", 1, 1}, "x5", false},
      {{"0", 0, 0}, "x5", false},
      {{"", 0, 0}, "x5", false},
      {{"0x5", 1, 1}, "5", false},
      {{"0x5", 0, 1}, "", false},  // even nothing may go in front of the 'x'
      {{"0x5", 2, 2}, "", true},
      {{"", 0, 0}, "", true},
      {{"", 0, 0}, "0X", true},
      {{"12", 2, 2}, "1f", true},
      {{"12", 1, 1}, "aBcDeF09", true},
      {{"12", 1, 1}, "g", false},
      {{"12", 0, 0}, " 1", false},
      {{"12", 0, 0}, "1 ", false},
      {{"12", 0, 0}, "-5", false},
      {{"12", 0, 0}, "1\n", false},
      {{"0", 1, 1}, "xx", false},
      {{"", 0, 0}, "0xx", false},
      {{"", 0, 0},
       std::string_view("1\0"
                        "2",
                        3),
       false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hexedit::IsPasteAllowed(c.st, c.p), c.allowed) << Show(c.st) << " P '" << c.p << "'";
    EXPECT_EQ(hexedit::IsInsertionAllowed(c.st, c.p), c.allowed) << Show(c.st) << " " << c.p;
  }
}

TEST(HexEditRulesTest, PastedTextLandsAsExpected) {
  EXPECT_EQ(hexedit::ReplaceSelection({"0", 1, 1}, "x5").text, "0x5");
  // Ctrl+V inserts the text unchanged: lower-case letters stay, and without a prefix or an
  // upper-case letter the result counts as decimal.
  const EditState pasted = hexedit::ReplaceSelection({"", 0, 0}, "1f");
  EXPECT_EQ(pasted.text, "1f");
  EXPECT_FALSE(hexedit::IsHexText(pasted.text));
  EXPECT_EQ(hexedit::ParseValue(pasted.text, false), 1u);
}

TEST(HexEditRulesTest, NormalisationRaisesAllButTheX) {
  // Only a text that could be a number is touched; any other is left as the user copied it.
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"0Xab", "0xAB"},         {"xX", "xx"},       {"0x1f", "0x1F"},
      {"abc", "ABC"},           {"hello", "hello"}, {"", ""},
      {"12 -", "12 -"},         {"0x1f ", "0x1f "}, {"Dear Bob", "Dear Bob"},
      {"\xC3\xA9", "\xC3\xA9"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(hexedit::NormalizedClipboardText(in), out) << in;

  // Normalising never turns a refused paste into an allowed one or the other way round.
  const EditState states[] = {{"", 0, 0}, {"0", 1, 1}, {"0x5", 3, 3}, {"0x5", 0, 2}, {"05", 1, 1}};
  const std::string_view pastes[] = {"0Xab", "xF", "Xf", "1f", "g", "0xg", "xx", "0x", "X", "a-"};
  for (const EditState& st : states) {
    for (std::string_view p : pastes) {
      EXPECT_EQ(hexedit::IsPasteAllowed(st, hexedit::NormalizedClipboardText(p)),
                hexedit::IsPasteAllowed(st, p))
          << Show(st) << " " << p;
    }
  }
}

// The greyed entries, in menu order of the commands: undo, cut, copy, paste, clear, select all,
// convert ('#' greyed, '.' enabled).
std::string GreyedPattern(const EditState& st, const MenuFacts& facts) {
  const unsigned ids[] = {hexedit::kIdUndo,           hexedit::kIdCut,
                          hexedit::kIdCopy,           hexedit::kIdPaste,
                          hexedit::kIdClear,          hexedit::ID_HEXEDIT_SELECTALL,
                          hexedit::ID_HEXEDIT_CONVERT};
  std::string out;
  for (unsigned id : ids) out += hexedit::IsMenuEntryGreyed(id, st, facts) ? '#' : '.';
  return out;
}

TEST(HexEditRulesTest, ContextMenuGreyedStates) {
  const MenuFacts all{true, false, true, true};
  const MenuFacts readOnly{true, true, true, true};
  struct Case {
    EditState st;
    MenuFacts facts;
    std::string_view pattern;  // undo cut copy paste clear selectall convert
  };
  const Case cases[] = {
      {{"", 0, 0}, all, ".##.###"},  // an empty field enables only undo and paste
      {{"", 0, 0}, {false, false, false, false}, "#######"},
      {{"0x", 2, 2}, all, ".##.#.#"},
      {{"0x", 0, 2}, all, ".....##"},  // all selected: nothing more to select
      {{"0x", 0, 1}, all, ".#..#.#"},  // exactly the '0' of the prefix
      {{"0X", 2, 2}, all, ".##.#.."},  // only the exact "0x" has nothing to convert
      {{"0x1F", 0, 1}, all, ".#..#.."},
      {{"01F", 0, 1}, all, "......."},
      {{"0x1F", 2, 4}, readOnly, "##.##.."},
      {{"0x1F", 2, 4}, {true, false, false, true}, "...#..."},  // no text on the clipboard
      {{"0x1F", 2, 4}, {true, false, true, false}, "...#..."},  // text refused
      {{"0x1F", 2, 4}, {false, false, true, true}, "#......"},
      {{"0x1F", 4, 2}, all, "......."},  // selection given end first
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GreyedPattern(c.st, c.facts), c.pattern) << Show(c.st);
  }
  EXPECT_FALSE(hexedit::IsMenuEntryGreyed(0, {"", 0, 0}, {}));
}

TEST(HexEditRulesTest, SelectionsOutOfOrderOrRangeAreOrderedAndClamped) {
  EXPECT_EQ(hexedit::FilterChar({"0x1F", 1, 0}, U'5'), kSwallow);
  EXPECT_EQ(hexedit::FilterChar({"0x1F", 9, 9}, U'5'), kPass);
  EXPECT_FALSE(hexedit::IsCutAllowed({"0x1F", 1, 0}));
  const EditState appended = hexedit::ReplaceSelection({"12", 9, 7}, "3");
  EXPECT_EQ(appended.text, "123");
  EXPECT_EQ(appended.s, 3u);
  EXPECT_EQ(appended.e, 3u);
  EXPECT_EQ(hexedit::DeleteForward({"12", 5, 5}).text, "12");
  EXPECT_EQ(hexedit::DeleteBackward({"12", 0, 0}).text, "12");
  EXPECT_EQ(hexedit::DeleteBackward({"12", 2, 0}).text, "");
}

TEST(HexEditRulesTest, WellFormedTexts) {
  const std::pair<std::string_view, bool> cases[] = {
      {"", true},     {"0x", true},  {"0X", true},   {"0x1fA", true}, {"1f", true},
      {"0", true},    {"x5", false}, {"5x", false},  {"0x0x", false}, {"g", false},
      {"00x", false}, {" 1", false}, {"0xg", false}, {"x", false},    {"1x", false},
  };
  for (const auto& [text, ok] : cases) EXPECT_EQ(hexedit::IsWellFormed(text), ok) << text;
}

// Every text the filter lets the user build, from an empty field, by typing, Backspace, Delete,
// cut and both kinds of paste at every selection, is well formed, and so is its conversion.
TEST(HexEditRulesTest, FilteredEditingKeepsTheTextWellFormed) {
  constexpr size_t kMaxExpanded = 4;
  const char32_t typed[] = {U'0', U'1', U'a', U'F', U'x', U'X', U'g', kBs};
  const std::string_view pastes[] = {"0x1", "0X", "x1", "X", "f", "", "g", "1x", "0x", "0Xb"};

  std::set<std::string> seen{""};
  std::vector<std::string> todo{""};
  std::vector<std::string> broken;  // the first few ill-formed results, with how they came about
  auto reach = [&](const EditState& from, const std::string& text, std::string_view how) {
    if (!hexedit::IsWellFormed(text) && broken.size() < 5) {
      broken.push_back(Show(from) + " " + std::string(how) + " -> '" + text + "'");
    }
    if (text.size() <= kMaxExpanded && seen.insert(text).second) todo.push_back(text);
  };
  while (!todo.empty()) {
    const std::string t = todo.back();
    todo.pop_back();
    const std::string conv = hexedit::ConvertedText(t, hexedit::IsHexText(t));
    EXPECT_TRUE(hexedit::IsWellFormed(conv)) << t << " converts to " << conv;
    for (size_t s = 0; s <= t.size(); ++s) {
      for (size_t e = s; e <= t.size(); ++e) {
        const EditState st{t, s, e};
        for (char32_t ch : typed) reach(st, Type(st, ch).text, "typed");
        if (hexedit::FilterKeyDown(st, {Key::kDelete}, {}) == kPass) {
          reach(st, hexedit::DeleteForward(st).text, "Delete");
        }
        if (hexedit::FilterKeyDown(st, {Key::kX, true}, {}) == kPass) {
          reach(st, hexedit::ReplaceSelection(st, "").text, "Ctrl+X");
        }
        if (!hexedit::IsMenuEntryGreyed(hexedit::kIdClear, st, {})) {
          reach(st, hexedit::ReplaceSelection(st, "").text, "menu clear");
        }
        for (std::string_view p : pastes) {
          const ClipboardFacts clip = Clip(std::string(p));
          if (hexedit::FilterKeyDown(st, {Key::kV, true}, clip) == kPass) {
            reach(st, hexedit::ReplaceSelection(st, p).text, "Ctrl+V");
          }
          const MenuFacts facts{false, false, true, hexedit::IsClipboardPasteAllowed(st, clip)};
          if (!hexedit::IsMenuEntryGreyed(hexedit::kIdPaste, st, facts)) {
            reach(st, hexedit::ReplaceSelection(st, hexedit::NormalizedClipboardText(p)).text,
                  "menu paste");
          }
        }
      }
    }
  }
  for (const std::string& b : broken) ADD_FAILURE() << b;
  // The search did get where the interesting texts are.
  for (const char* t : {"0x", "0X", "0x1F", "0X1f", "01F", "1f", "0xB", "0Xb"}) {
    EXPECT_EQ(seen.count(t), 1u) << t;
  }
}

}  // namespace
