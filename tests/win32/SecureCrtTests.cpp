// The MSVC runtime's secure string functions: the copies and formats that fit, and the bounds violations
// that are reported, empty the destination and return the runtime's error instead of writing past it.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

// Runs `call`, expecting one stderr line naming `name`.
template <typename Call>
auto ReportsOnce(const char* name, Call call) {
  CaptureStderr();
  auto result = call();
  const std::string output = GetCapturedStderr();
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
  EXPECT_NE(output.find(name), std::string::npos) << output;
  return result;
}

TEST(SecureCrt, CopiesThatFitAndThatDoNot) {
  char narrow[6];
  EXPECT_EQ(strcpy_s(narrow, "hello"), 0);  // the array overload: exactly fits with the terminator
  EXPECT_STREQ(narrow, "hello");
  EXPECT_EQ(strcat_s(narrow, ""), 0);

  char guarded[8] = "xxxxxxx";
  EXPECT_EQ(ReportsOnce("strcpy_s", [&] { return strcpy_s(guarded, 4, "toolong"); }), ERANGE);
  EXPECT_EQ(guarded[0], '\0');
  EXPECT_EQ(std::memcmp(guarded + 4, "xxx", 3), 0);  // nothing past the size given
  EXPECT_EQ(ReportsOnce("strcpy_s", [&] { return strcpy_s(guarded, 8, nullptr); }), EINVAL);
  EXPECT_EQ(ReportsOnce("strcpy_s", [&] { return strcpy_s(nullptr, 8, "x"); }), EINVAL);
  EXPECT_EQ(errno, EINVAL);

  wchar_t wide[8];
  EXPECT_EQ(wcscpy_s(wide, L"abc"), 0);
  EXPECT_EQ(wcscat_s(wide, L"defg"), 0);
  EXPECT_STREQ(wide, L"abcdefg");
  EXPECT_EQ(ReportsOnce("wcscat_s", [&] { return wcscat_s(wide, L"h"); }), ERANGE);
  EXPECT_EQ(wide[0], L'\0');
  EXPECT_EQ(ReportsOnce("wcscpy_s", [&] { return wcscpy_s(wide, 0, L"h"); }), EINVAL);
}

TEST(SecureCrt, FormatsReturnTheLengthOrReportAnOverflow) {
  char text[32];
  EXPECT_EQ(sprintf_s(text, "%d-%s", 42, "ab"), 5);
  EXPECT_STREQ(text, "42-ab");
  EXPECT_EQ(sprintf_s(text, sizeof(text), "%.2f", 1.5), 4);

  // The MSVC dialect: long (so LONG and DWORD) is 32 bits, %I64d is 64, %S is the other width's string.
  const LONG negative = -7;
  const DWORD large = 4000000000u;
  const LONGLONG huge = -(1LL << 40);
  EXPECT_EQ(sprintf_s(text, "%ld %lu", negative, large), 13);
  EXPECT_STREQ(text, "-7 4000000000");
  EXPECT_EQ(sprintf_s(text, "%I64d|%S", huge, L"w"), 16);
  EXPECT_STREQ(text, "-1099511627776|w");

  char small[8] = "keep";
  EXPECT_EQ(ReportsOnce("sprintf_s", [&] { return sprintf_s(small, "%s", "12345678"); }), -1);
  EXPECT_EQ(small[0], '\0');
  EXPECT_EQ(errno, ERANGE);
  EXPECT_EQ(ReportsOnce("sprintf_s", [&] { return sprintf_s(nullptr, 4, "x"); }), -1);
  EXPECT_EQ(errno, EINVAL);

  wchar_t wide[32];
  // As in the MSVC runtime, %s in a wide format takes a wide string and %S a narrow one.
  EXPECT_EQ(swprintf_s(wide, L"%s|%S|%c|%ls|%d", L"wide", "narrow", L'c', L"l", 7), 17);
  EXPECT_STREQ(wide, L"wide|narrow|c|l|7");
  EXPECT_EQ(swprintf_s(wide, 32, L"%5.1f%% %ld %hs", 2.25, negative, "n"), 11);
  EXPECT_STREQ(wide, L"  2.2% -7 n");

  wchar_t tight[4] = L"abc";
  EXPECT_EQ(ReportsOnce("swprintf_s", [&] { return swprintf_s(tight, L"%d", 1234); }), -1);
  EXPECT_EQ(tight[0], L'\0');
  EXPECT_EQ(errno, ERANGE);
}

TEST(SecureCrt, CaseBlindComparisonsFoldLettersOnly) {
  EXPECT_EQ(_stricmp("Hello", "hELLO"), 0);
  EXPECT_LT(_stricmp("apple", "Banana"), 0);
  EXPECT_GT(_stricmp("b", "A"), 0);
  // Capitals fold to small letters, so '_' (between them in ASCII) sorts before 'a' and 'A' alike.
  EXPECT_LT(_stricmp("_", "A"), 0);
  EXPECT_LT(_stricmp("ab", "ABC"), 0);
  EXPECT_EQ(_strnicmp("ABCx", "abcy", 3), 0);

  EXPECT_EQ(_wcsnicmp(L"-WARP", L"-warp", 5), 0);
  EXPECT_EQ(_wcsnicmp(L"-warpdrive", L"-WARP", 5), 0);  // the samples' command-line check
  EXPECT_NE(_wcsnicmp(L"-war", L"-warp", 5), 0);
  EXPECT_EQ(_wcsnicmp(L"x", L"y", 0), 0);
  EXPECT_EQ(_wcsicmp(L"Direct3D", L"DIRECT3D"), 0);

  EXPECT_EQ(ReportsOnce("_stricmp", [] { return _stricmp(nullptr, "a"); }), _NLSCMPERROR);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(ReportsOnce("_wcsnicmp", [] { return _wcsnicmp(L"a", nullptr, 1); }), _NLSCMPERROR);
}

}  // namespace
