// File paths as UTF-8 text and back, whatever the locale. The standard library converts between narrow,
// wide and path through the C++ locale, which under the default "C" one cannot carry a single non-ASCII
// letter; these go through UTF-8 explicitly (char8_t paths, MultiByteToWideChar) instead.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

std::filesystem::path PathFromUtf8(std::string_view text);
std::string Utf8Of(const std::filesystem::path& path);

// For the wide-character APIs (WIC's file names, messages built from them).
std::wstring WideFromUtf8(std::string_view text);
std::wstring WideOf(const std::filesystem::path& path);
std::filesystem::path PathFromWide(std::wstring_view text);
