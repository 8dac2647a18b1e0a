#pragma once
// Dialog data exchange and validation. A failed check shows the framework's message, gives the
// failing control the focus and stops the exchange: every later call of the same exchange does
// nothing.

#include <cstdint>
#include <optional>
#include <string_view>

#include "ui/controls.h"

namespace ui {

class CDialog;

// The framework's texts.
inline constexpr std::string_view kParseUIntText = "Please enter a positive integer.";
inline constexpr std::string_view kParseIntText = "Please enter an integer.";
inline constexpr std::string_view kParseIntRangeText = "Please enter an integer between %1 and %2.";

class CDataExchange {
 public:
  CDataExchange(CDialog& dialog, bool saveAndValidate)
      : dialog_(dialog), m_bSaveAndValidate(saveAndValidate) {}

  CDialog& Dialog() const { return dialog_; }
  WindowPort* Port() const;
  bool Failed() const { return failed_; }

  // Remembers the control that the next check is about.
  void PrepareCtrl(int id);
  void PrepareEditCtrl(int id);
  // Gives the last prepared control the focus (selecting an edit's text) and stops the exchange.
  void Fail();

 private:
  CDialog& dialog_;
  int lastControl_ = 0;
  bool lastIsEdit_ = false;
  bool failed_ = false;

 public:
  const bool m_bSaveAndValidate;
};

void DDX_Control(CDataExchange& dx, int id, CWnd& control);
void DDX_Text(CDataExchange& dx, int id, std::uint32_t& value);
void DDX_Text(CDataExchange& dx, int id, std::int32_t& value);
void DDV_MinMaxUInt(CDataExchange& dx, std::uint32_t value, std::uint32_t minValue,
                    std::uint32_t maxValue);
void DDX_Check(CDataExchange& dx, int id, int& value);
// The index of the checked button of the radio group that starts at `id`, -1 when none is.
void DDX_Radio(CDataExchange& dx, int id, int& value);

// Our own number reading: blanks around the number are allowed; anything else after it, an empty
// field or a value beyond 32 bits fails.
std::optional<std::uint32_t> ParseUnsigned(std::string_view text);
std::optional<std::int32_t> ParseSigned(std::string_view text);

}  // namespace ui
