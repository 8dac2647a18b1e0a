#pragma once
// What a control hook decides about a keyboard message before the control sees it. Its own header,
// so that pure input rules can give the decision without the rest of the window port.

namespace ui {

enum class KeyVerdict {
  Pass,     // the message goes on to the control unchanged
  Swallow,  // the message is dropped
  Replace,  // the character goes on, replaced by KeyDecision::replacement
};

struct KeyDecision {
  KeyVerdict verdict = KeyVerdict::Pass;
  char32_t replacement = 0;  // Replace: the character that goes on instead

  friend bool operator==(const KeyDecision&, const KeyDecision&) = default;
};

}  // namespace ui
