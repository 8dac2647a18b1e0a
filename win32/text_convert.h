#pragma once
// Text crosses into the window API as UTF-16 and comes back as the UTF-8 the program uses.

#include <string>
#include <string_view>

namespace win32host {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
// The process's ANSI code page (CF_TEXT, the A functions) to UTF-8 and back. Characters the code
// page lacks become '?'.
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);

// Edit positions cross the window port as byte offsets into the UTF-8 text.
int Utf16ToUtf8Offset(std::wstring_view text, int units);
int Utf8ToUtf16Offset(std::wstring_view text, int bytes);

}  // namespace win32host
