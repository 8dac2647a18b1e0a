#pragma once
// CHexEdit: the edit for a PIC word address, in decimal or in "0x" hexadecimal. It filters keys
// and pastes so that the text stays a number, and offers a French context menu with a conversion
// between the two notations.

#include <cstdint>

#include "ui/controls.h"

namespace hexedit {

class CHexEdit : public ui::CEdit, public ui::ControlHook {
 public:
  CHexEdit() = default;
  ~CHexEdit() override = default;

  // Shows nValue as "0x%04x".
  void SetValue(int nValue);
  // The number the text holds, 0 when it holds none.
  std::uint32_t GetValue() const;
  bool IsHex() const { return m_bHex; }

  // The menu's commands, by id; false for ids that are not the menu's.
  bool OnCommand(unsigned id);
  // WM_HEXEDIT_CONVERT: decimal to hexadecimal and back.
  void OnConvert();
  // Runs on every text change.
  void OnTextUpdate();

  // ControlHook.
  ui::ControlHook* Hook() override { return this; }
  ui::KeyDecision PreTranslateKey(const ui::KeyMessage& message) override;
  void OnReflectedNotify(ui::Notification code) override;
  bool OnContextMenu(ui::Point screenPoint) override;
  bool AcceptInsertion(std::string_view text) override;
  bool AcceptRemoval(std::size_t start, std::size_t end) override;

 private:
  // Called with the clipboard open; closes it.
  void NormalizeClipboardText();

  bool m_bHex = false;
};

}  // namespace hexedit
