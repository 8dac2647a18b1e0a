#pragma once
// Text on its way to a terminal. The board's version text, a batch's commands and file names
// come from outside; their control characters would be read by the terminal as commands of its
// own (an escape sequence recolours or clears it), so they are shown escaped instead.

#include <string>
#include <string_view>

namespace batch {

// `text` with every control character but the line feed and the tab written as "\xHH": the C0
// controls, DEL, and the C1 controls in their UTF-8 form (two escapes, one a byte).
std::string EscapeControls(std::string_view text);

}  // namespace batch
