#include "ui/data_exchange.h"

#include <string>

#include "ui/dialog.h"

namespace ui {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Digits only, at most `limit`.
std::optional<std::uint64_t> ParseDigits(std::string_view s, std::uint64_t limit) {
  if (s.empty()) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<unsigned>(c - '0');
    if (v > limit) return std::nullopt;
  }
  return v;
}

std::string FillRange(std::uint32_t lo, std::uint32_t hi) {
  std::string text(kParseIntRangeText);
  auto replace = [&text](std::string_view key, const std::string& value) {
    auto pos = text.find(key);
    if (pos != std::string::npos) text.replace(pos, key.size(), value);
  };
  replace("%1", std::to_string(lo));
  replace("%2", std::to_string(hi));
  return text;
}

}  // namespace

std::optional<std::uint32_t> ParseUnsigned(std::string_view text) {
  auto v = ParseDigits(Trim(text), 0xFFFFFFFFull);
  if (!v) return std::nullopt;
  return static_cast<std::uint32_t>(*v);
}

std::optional<std::int32_t> ParseSigned(std::string_view text) {
  auto s = Trim(text);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  auto v = ParseDigits(s, negative ? 0x80000000ull : 0x7FFFFFFFull);
  if (!v) return std::nullopt;
  return negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(*v))
                  : static_cast<std::int32_t>(*v);
}

WindowPort* CDataExchange::Port() const {
  return dialog_.GetWindow();
}

void CDataExchange::PrepareCtrl(int id) {
  lastControl_ = id;
  lastIsEdit_ = false;
}

void CDataExchange::PrepareEditCtrl(int id) {
  lastControl_ = id;
  lastIsEdit_ = true;
}

void CDataExchange::Fail() {
  failed_ = true;
  if (auto* p = Port(); p && lastControl_ != 0) {
    p->SetFocus(lastControl_);
    if (lastIsEdit_) p->SetSel(lastControl_, 0, -1);
  }
}

void DDX_Control(CDataExchange& dx, int id, CWnd& control) {
  if (dx.Failed() || control.IsBound()) return;
  control.Bind(&dx.Dialog(), id);
  if (auto* hook = control.Hook(); hook && dx.Port()) dx.Port()->SubclassControl(id, hook);
}

void DDX_Text(CDataExchange& dx, int id, std::uint32_t& value) {
  if (dx.Failed() || !dx.Port()) return;
  dx.PrepareEditCtrl(id);
  if (dx.m_bSaveAndValidate) {
    auto v = ParseUnsigned(dx.Port()->GetText(id));
    if (!v) {
      AfxMessageBox(kParseUIntText, MB_OK | MB_ICONEXCLAMATION);
      dx.Fail();
      return;
    }
    value = *v;
  } else {
    dx.Port()->SetText(id, std::to_string(value));
  }
}

void DDX_Text(CDataExchange& dx, int id, std::int32_t& value) {
  if (dx.Failed() || !dx.Port()) return;
  dx.PrepareEditCtrl(id);
  if (dx.m_bSaveAndValidate) {
    auto v = ParseSigned(dx.Port()->GetText(id));
    if (!v) {
      AfxMessageBox(kParseIntText, MB_OK | MB_ICONEXCLAMATION);
      dx.Fail();
      return;
    }
    value = *v;
  } else {
    dx.Port()->SetText(id, std::to_string(value));
  }
}

void DDV_MinMaxUInt(CDataExchange& dx, std::uint32_t value, std::uint32_t minValue,
                    std::uint32_t maxValue) {
  if (dx.Failed() || !dx.m_bSaveAndValidate) return;
  if (value < minValue || value > maxValue) {
    AfxMessageBox(FillRange(minValue, maxValue), MB_OK | MB_ICONEXCLAMATION);
    dx.Fail();
  }
}

void DDX_Check(CDataExchange& dx, int id, int& value) {
  if (dx.Failed() || !dx.Port()) return;
  dx.PrepareCtrl(id);
  if (dx.m_bSaveAndValidate) {
    value = dx.Port()->GetCheck(id);
  } else {
    dx.Port()->SetCheck(id, value < 0 || value > 2 ? 0 : value);
  }
}

void DDX_Radio(CDataExchange& dx, int id, int& value) {
  if (dx.Failed() || !dx.Port()) return;
  dx.PrepareCtrl(id);
  const auto* tmpl = dx.Dialog().Template();
  if (!tmpl) return;
  auto group = RadioGroup(*tmpl, id);
  if (dx.m_bSaveAndValidate) value = -1;
  int index = 0;
  for (const auto& radio : group) {
    if (dx.m_bSaveAndValidate) {
      if (dx.Port()->GetCheck(radio.id) != 0) value = index;
    } else {
      dx.Port()->SetCheck(radio.id, index == value ? 1 : 0);
    }
    ++index;
  }
}

}  // namespace ui
