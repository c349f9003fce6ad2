// Conversions between the engine's wide strings (32-bit wchar_t, one code point each) and the UTF-8 that
// SDL and the terminal use.
#pragma once

#include <string>
#include <string_view>

namespace win32 {

std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

}  // namespace win32
