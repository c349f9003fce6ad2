#include "core/ConsoleOutput.h"

#include <cstdint>
#include <iostream>
#include <type_traits>

namespace {

void AppendUtf8(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::string ToUtf8(std::wstring_view text) {
  constexpr char32_t Replacement = 0xFFFD;
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    // wchar_t is UTF-16 on Windows and UTF-32 here; surrogate pairs only occur in the former, and a lone
    // surrogate or an out-of-range value becomes the replacement character instead of invalid UTF-8.
    char32_t unit = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i]));
    if (IsHighSurrogate(unit) && i + 1 < text.size()) {
      const char32_t next = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i + 1]));
      if (IsLowSurrogate(next)) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
        ++i;
        continue;
      }
    }
    if (IsHighSurrogate(unit) || IsLowSurrogate(unit) || unit > 0x10FFFF) {
      unit = Replacement;
    }
    AppendUtf8(out, unit);
  }
  return out;
}

void WriteConsoleLine(std::string_view utf8Line) { std::cout << utf8Line << '\n' << std::flush; }

void WriteConsoleLine(std::wstring_view line) { WriteConsoleLine(std::string_view(ToUtf8(line))); }

void WriteErrorLine(std::string_view utf8Line) { std::cerr << utf8Line << '\n' << std::flush; }
