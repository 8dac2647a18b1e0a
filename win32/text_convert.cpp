#include "win32/text_convert.h"

#include <algorithm>

#include "win32/win32_api.h"

namespace win32host {

namespace {

std::wstring ToWide(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  if (n > 0) {
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  }
  return out;
}

std::string FromWide(std::wstring_view text, UINT codePage) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(std::max(n, 0)), '\0');
  if (n > 0) {
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  }
  return out;
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
  return ToWide(utf8, CP_UTF8);
}
std::string Narrow(std::wstring_view utf16) {
  return FromWide(utf16, CP_UTF8);
}
std::string AnsiToUtf8(std::string_view ansi) {
  return Narrow(ToWide(ansi, CP_ACP));
}
std::string Utf8ToAnsi(std::string_view utf8) {
  return FromWide(Widen(utf8), CP_ACP);
}

int Utf16ToUtf8Offset(std::wstring_view text, int units) {
  units = std::clamp(units, 0, static_cast<int>(text.size()));
  return static_cast<int>(Narrow(text.substr(0, static_cast<std::size_t>(units))).size());
}

int Utf8ToUtf16Offset(std::wstring_view text, int bytes) {
  // The first position whose UTF-8 prefix reaches `bytes`: a byte inside a character lands at
  // the character's start.
  int units = 0;
  int covered = 0;
  while (units < static_cast<int>(text.size())) {
    const bool pair = IS_HIGH_SURROGATE(text[static_cast<std::size_t>(units)]) &&
                      units + 1 < static_cast<int>(text.size());
    const int step = pair ? 2 : 1;
    const int size = static_cast<int>(
        Narrow(text.substr(static_cast<std::size_t>(units), static_cast<std::size_t>(step)))
            .size());
    if (covered + size > bytes) break;
    covered += size;
    units += step;
  }
  return units;
}

}  // namespace win32host
