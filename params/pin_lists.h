// The dialog's eight pin lists in m_nPinIndex order, for the handlers that walk them.
#pragma once

#include <array>

#include "app/chid_test_dlg.h"
#include "params/parameter_ids.h"

namespace params {

// Step lists of Motor1..4, then Dir lists of Motor1..4.
inline std::array<ui::CComboBox*, kPinListCount> PinLists(app::Chid_testDlg& d) {
  return {&d.m_comboStep1, &d.m_comboStep2, &d.m_comboStep3, &d.m_comboStep4,
          &d.m_comboDir1,  &d.m_comboDir2,  &d.m_comboDir3,  &d.m_comboDir4};
}

}  // namespace params
