// MultiByteToWideChar and WideCharToMultiByte: Windows' size negotiation and argument checks around the
// platform's UTF-8 conversion.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

TEST(StringApi, AsksForTheSizeThenConvertsWithOrWithoutTheTerminator) {
  const char* text = "h\xE2\x82\xAC";  // h€
  ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0), 3);
  wchar_t wide[3] = {L'x', L'x', L'x'};
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 3), 3);
  EXPECT_EQ(std::wstring(wide, 3), std::wstring(L"h\u20AC\0", 3));
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, 1, wide, 3), 1);

  const wchar_t* pair = L"\xD83D\xDE00";  // one code point spelled as UTF-16
  ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, pair, 2, nullptr, 0, nullptr, nullptr), 4);
  char utf8[5] = {};
  ASSERT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, pair, -1, utf8, 5, nullptr, nullptr), 5);
  EXPECT_STREQ(utf8, "\xF0\x9F\x98\x80");

  CaptureStderr();
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, pair, -1, utf8, 4, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  const std::string output = GetCapturedStderr();
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
}

TEST(StringApi, InvalidTextIsReplacedUnlessTheCallerAsksForFailure) {
  wchar_t wide[4] = {};
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xC0\x80", 3, wide, 4), 3);
  EXPECT_EQ(std::wstring(wide, 3), L"a\uFFFD\uFFFD");
  char utf8[8] = {};
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"\xDC00", 1, utf8, 8, nullptr, nullptr), 3);
  EXPECT_EQ(std::string(utf8, 3), "\xEF\xBF\xBD");

  // Refusing is what the caller asked for, not misuse: no line.
  CaptureStderr();
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xE2\x82", 3, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, L"\xD800", -1, utf8, 8, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  EXPECT_EQ(GetCapturedStderr(), "");
}

TEST(StringApi, BadArgumentsFailWithWindowsCodesAndOneLineEach) {
  wchar_t wide[4];
  char utf8[4];
  char shared[8] = "abc";
  BOOL usedDefault = FALSE;
  struct Case {
    const char* what;
    std::function<int()> call;
    DWORD error;
  };
  const Case cases[] = {
      {"code page 1252", [&] { return MultiByteToWideChar(1252, 0, "a", 1, wide, 4); }, ERROR_INVALID_PARAMETER},
      {"flags UTF-8 refuses", [&] { return MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, wide, 4); },
       ERROR_INVALID_FLAGS},
      {"empty input", [&] { return MultiByteToWideChar(CP_UTF8, 0, "a", 0, wide, 4); }, ERROR_INVALID_PARAMETER},
      {"null input", [&] { return WideCharToMultiByte(CP_UTF8, 0, nullptr, -1, utf8, 4, nullptr, nullptr); },
       ERROR_INVALID_PARAMETER},
      {"negative output size", [&] { return MultiByteToWideChar(CP_UTF8, 0, "a", 1, wide, -1); },
       ERROR_INVALID_PARAMETER},
      {"null output with a size", [&] { return MultiByteToWideChar(CP_UTF8, 0, "a", 1, nullptr, 4); },
       ERROR_INVALID_PARAMETER},
      {"same buffer", [&] { return MultiByteToWideChar(CP_UTF8, 0, shared, 1, reinterpret_cast<wchar_t*>(shared), 2); },
       ERROR_INVALID_PARAMETER},
      {"default character", [&] { return WideCharToMultiByte(CP_UTF8, 0, L"a", 1, utf8, 4, nullptr, &usedDefault); },
       ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    CaptureStderr();
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(c.call(), 0) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
    const std::string output = GetCapturedStderr();
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << c.what << ": " << output;
  }
}

}  // namespace
