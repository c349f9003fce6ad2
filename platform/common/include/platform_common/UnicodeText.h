// Conversions between the platform's wide text and UTF-8.
//
// Wide text is what Windows programs pass as LPCWSTR. wchar_t holds 32 bits here, so a wide string normally
// has one unit per code point; a program that spells characters beyond U+FFFF as UTF-16 surrogate pairs
// (L"\xD83D\xDE00") is understood too: a high surrogate followed by a low one is one code point.
//
// Invalid input is treated as Windows' MultiByteToWideChar and WideCharToMultiByte treat it for CP_UTF8:
// - the lenient pair replaces each invalid piece with U+FFFD, as Windows does without MB_ERR_INVALID_CHARS
//   (WC_ERR_INVALID_CHARS): an unpaired surrogate or a unit beyond U+10FFFF in wide text, and in UTF-8
//   each maximal ill-formed subsequence (a stray continuation byte, an overlong form, an encoded surrogate,
//   a sequence cut short), so "\xE2\x82" at the end is one U+FFFD and "\xC0\x80" is two;
// - the strict pair refuses such input (std::nullopt), as Windows fails with those flags.
// NULs are characters like any other: they are converted, never taken for the end of the text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

std::string Utf8FromWide(std::wstring_view wide);
std::wstring WideFromUtf8(std::string_view utf8);

std::optional<std::string> StrictUtf8FromWide(std::wstring_view wide);
std::optional<std::wstring> StrictWideFromUtf8(std::string_view utf8);

}  // namespace platform
