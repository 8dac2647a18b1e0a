// Fuzz target: the Addr field (the real CHexEdit on the headless host) driven by a sequence of
// typed characters, editing keys, pastes from a fuzzed clipboard, drops, context-menu commands,
// selections and programmatic values.
//
// Checked after every step, besides the sanitizers: the text is an optional "0x" / "0X" prefix
// followed by hexadecimal digits only, GetValue reads it, and the conversion gives a well-formed
// text holding the same value.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "app/resource_ids.h"
#include "hexedit/hex_edit.h"
#include "hexedit/hex_edit_rules.h"
#include "kit/test_kit.h"
#include "ui/window_port.h"

namespace {

constexpr int kAddr = app::IDC_EDIT_ADDR;
constexpr int kInsert = 0x2D;

[[noreturn]] void Fail(const std::string& what, const std::string& text) {
  std::fprintf(stderr, "fuzz_hex_edit: %s: \"%s\"\n", what.c_str(), text.c_str());
  std::abort();
}

// Texts the rules treat specially, so that short inputs reach them.
const char* const kPieces[] = {"0", "x", "X", "0x", "0X", "1f", "FF", "a", "-", " ", "0x0x", "12"};

std::string Piece(FuzzedDataProvider& in) {
  if (in.ConsumeBool())
    return kPieces[in.ConsumeIntegralInRange<size_t>(0, std::size(kPieces) - 1)];
  return in.ConsumeRandomLengthString(24);
}

void CheckText(hexedit::CHexEdit& edit, headless::HeadlessWindow& w) {
  const std::string text = w.GetText(kAddr);
  if (!hexedit::IsWellFormed(text)) Fail("text is not a number", text);
  const bool hex = edit.IsHex();
  if (hex != hexedit::IsHexText(text)) Fail("notation flag does not follow the text", text);
  const uint32_t value = edit.GetValue();
  if (value != hexedit::ParseValue(text, hex)) Fail("GetValue differs from the rules", text);
  const std::string converted = hexedit::ConvertedText(text, hex);
  if (!hexedit::IsWellFormed(converted)) Fail("conversion is not a number", converted);
  if (hexedit::ParseValue(converted, hexedit::IsHexText(converted)) != value) {
    Fail("conversion changes the value", text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  TestKit kit;  // no board: the dialog opens without one
  auto& w = kit.Start();
  auto& edit = kit.Dialog().m_editAddr;
  kit.host.SetClipboard(std::nullopt);
  CheckText(edit, w);

  for (int steps = 0; steps < 64 && in.remaining_bytes() > 0; ++steps) {
    switch (in.ConsumeIntegralInRange(0, 15)) {
      case 0:
        w.Type(kAddr, std::string(1, static_cast<char>(in.ConsumeIntegral<uint8_t>())));
        break;
      case 1:
        w.Type(kAddr, Piece(in));
        break;
      case 2:
        w.Type(kAddr, "\b");
        break;
      case 3: {
        const char keys[] = {'X', 'V', 'C', 'Z'};
        w.KeyDown(kAddr, keys[in.ConsumeIntegralInRange(0, 3)], true);
        break;
      }
      case 4:
        w.KeyDown(kAddr, ui::VK_DELETE, in.ConsumeBool(), in.ConsumeBool());
        break;
      case 5:
        w.KeyDown(kAddr, kInsert, in.ConsumeBool(), in.ConsumeBool());
        break;
      case 6: {
        const int len = static_cast<int>(w.GetText(kAddr).size());
        const int s = in.ConsumeIntegralInRange(-2, len + 2);
        const int e = in.ConsumeIntegralInRange(-2, len + 2);
        w.SetSel(kAddr, s, e);
        break;
      }
      case 7:
        kit.host.SetClipboard(Piece(in));
        break;
      case 8:
        kit.host.SetClipboard(std::nullopt);
        break;
      case 9:
        kit.host.SetClipboardLocked(in.ConsumeBool());
        break;
      case 10: {
        const unsigned ids[] = {hexedit::kIdUndo,           hexedit::kIdCut,
                                hexedit::kIdCopy,           hexedit::kIdPaste,
                                hexedit::kIdClear,          hexedit::ID_HEXEDIT_SELECTALL,
                                hexedit::ID_HEXEDIT_CONVERT};
        kit.host.QueueMenuChoice(static_cast<int>(ids[in.ConsumeIntegralInRange(0, 6)]));
        edit.OnContextMenu({10, 10});
        break;
      }
      case 11: {
        const unsigned ids[] = {hexedit::kIdUndo,
                                hexedit::kIdCut,
                                hexedit::kIdCopy,
                                hexedit::kIdPaste,
                                hexedit::kIdClear,
                                hexedit::ID_HEXEDIT_SELECTALL,
                                hexedit::ID_HEXEDIT_CONVERT,
                                0u,
                                12345u};
        edit.OnCommand(ids[in.ConsumeIntegralInRange(0, 8)]);
        break;
      }
      case 12: {
        // A drop or a middle-click paste: the text lands on the selection if the field takes it.
        const std::string text = Piece(in);
        if (edit.AcceptInsertion(text)) w.ReplaceSel(kAddr, text);
        break;
      }
      case 13:
        edit.SetValue(in.ConsumeIntegral<int>());
        break;
      case 14:
        edit.OnConvert();
        break;
      default:
        w.KeyDown(kAddr, in.ConsumeIntegralInRange(0, 255), in.ConsumeBool(), in.ConsumeBool());
        break;
    }
    CheckText(edit, w);
  }
  return 0;
}
