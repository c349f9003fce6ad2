#include "platform_common/UnicodeText.h"

#include <cstdint>

namespace platform {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

static_assert(sizeof(wchar_t) == 4, "wide text holds one code point per unit on this platform");

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
bool IsScalarValue(char32_t code) { return code <= 0x10FFFF && !IsHighSurrogate(code) && !IsLowSurrogate(code); }

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The next code point of wide text at `i`, advancing `i`; an invalid unit gives nothing.
std::optional<char32_t> NextWideCodePoint(std::wstring_view text, size_t& i) {
  const auto unit = static_cast<char32_t>(static_cast<uint32_t>(text[i++]));
  if (IsHighSurrogate(unit) && i < text.size()) {
    const auto next = static_cast<char32_t>(static_cast<uint32_t>(text[i]));
    if (IsLowSurrogate(next)) {
      ++i;
      return 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
    }
  }
  if (!IsScalarValue(unit)) return std::nullopt;
  return unit;
}

// The bytes a UTF-8 sequence may continue with, from its lead byte: the length, and the range of the second
// byte, which rules out overlong forms, encoded surrogates and code points beyond U+10FFFF.
struct SequenceShape {
  int length;
  uint8_t secondLow;
  uint8_t secondHigh;
};

SequenceShape ShapeOf(uint8_t lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
  if (lead == 0xE0) return {3, 0xA0, 0xBF};
  if (lead == 0xED) return {3, 0x80, 0x9F};
  if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
  if (lead == 0xF0) return {4, 0x90, 0xBF};
  if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
  if (lead == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};  // a continuation byte, C0, C1 or F5..FF: never a lead
}

// The next code point of UTF-8 at `i`, advancing `i`. An ill-formed sequence gives nothing and advances over
// its maximal well-formed prefix (at least one byte), so the byte that broke it starts the next sequence.
std::optional<char32_t> NextUtf8CodePoint(std::string_view text, size_t& i) {
  const auto lead = static_cast<uint8_t>(text[i++]);
  if (lead < 0x80) return lead;
  const SequenceShape shape = ShapeOf(lead);
  if (shape.length == 0) return std::nullopt;
  char32_t code = lead & (0x7F >> shape.length);
  for (int k = 1; k < shape.length; ++k) {
    if (i >= text.size()) return std::nullopt;
    const auto byte = static_cast<uint8_t>(text[i]);
    const uint8_t low = k == 1 ? shape.secondLow : 0x80;
    const uint8_t high = k == 1 ? shape.secondHigh : 0xBF;
    if (byte < low || byte > high) return std::nullopt;
    code = (code << 6) | (byte & 0x3F);
    ++i;
  }
  return code;
}

}  // namespace

std::string Utf8FromWide(std::wstring_view wide) {
  std::string utf8;
  utf8.reserve(wide.size());
  for (size_t i = 0; i < wide.size();) AppendUtf8(utf8, NextWideCodePoint(wide, i).value_or(kReplacementCharacter));
  return utf8;
}

std::wstring WideFromUtf8(std::string_view utf8) {
  std::wstring wide;
  wide.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    wide += static_cast<wchar_t>(NextUtf8CodePoint(utf8, i).value_or(kReplacementCharacter));
  }
  return wide;
}

std::optional<std::string> StrictUtf8FromWide(std::wstring_view wide) {
  std::string utf8;
  utf8.reserve(wide.size());
  for (size_t i = 0; i < wide.size();) {
    const std::optional<char32_t> code = NextWideCodePoint(wide, i);
    if (!code) return std::nullopt;
    AppendUtf8(utf8, *code);
  }
  return utf8;
}

std::optional<std::wstring> StrictWideFromUtf8(std::string_view utf8) {
  std::wstring wide;
  wide.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const std::optional<char32_t> code = NextUtf8CodePoint(utf8, i);
    if (!code) return std::nullopt;
    wide += static_cast<wchar_t>(*code);
  }
  return wide;
}

}  // namespace platform
