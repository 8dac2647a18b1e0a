#pragma once
// The widgets of a dialog template: the window's flags and size, and one widget a control with
// the kind, styles, caption, entries and place the template gives it. Nothing here is wired to
// the dialog; the window connects the controls' signals to its messages.

#include <QWidget>
#include <string>
#include <vector>

#include "ui/resources.h"

namespace qthost {

// Properties every control carries: its template id, and its caption as last set, '&' included.
inline constexpr const char* kControlIdProperty = "zbkControlId";
inline constexpr const char* kCaptionProperty = "zbkCaption";

// The window flags of a template's window; `owned`: it belongs to another window.
Qt::WindowFlags WindowFlagsFor(const ui::DialogTemplate& tmpl, bool owned);

struct ControlEntry {
  const ui::ControlTemplate* tmpl;
  QWidget* widget;  // owned by the window as its Qt child
};

// Sizes `window` to the template, laid out in the window's font, and creates every control of the
// template as its child, in template order: radio buttons know their group, group boxes lie
// behind their neighbours, a label's mnemonic leads to the control after it.
std::vector<ControlEntry> BuildControls(QWidget& window, const ui::DialogTemplate& tmpl);

// Where a sorted list or combo puts `text` among its `count` entries: in the order of their bytes,
// after those equal to it.
template <class TextFn>
int SortedPosition(int count, TextFn&& textAt, const std::string& text) {
  int lo = 0, hi = count;
  while (lo < hi) {
    const int mid = (lo + hi) / 2;
    if (text < textAt(mid)) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

}  // namespace qthost
