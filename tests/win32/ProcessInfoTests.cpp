// The process's own path and command line, as programs read them to find their files and options.
#include <windows.h>

#include <shellapi.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;

namespace {

std::vector<std::wstring> Split(const wchar_t* line) {
  int count = -1;
  LPWSTR* arguments = CommandLineToArgvW(line, &count);
  std::vector<std::wstring> split;
  if (arguments == nullptr) return split;
  for (int i = 0; i < count; ++i) split.emplace_back(arguments[i]);
  EXPECT_EQ(arguments[count], nullptr);
  LocalFree(arguments);
  return split;
}

}  // namespace

TEST(CommandLine, SplitsByWindowsQuotingAndBackslashRules) {
  EXPECT_THAT(Split(LR"(prog "abc" d e)"), ElementsAre(L"prog", L"abc", L"d", L"e"));
  EXPECT_THAT(Split(LR"(prog a\\\b d"e f"g h)"), ElementsAre(L"prog", LR"(a\\\b)", L"de fg", L"h"));
  EXPECT_THAT(Split(LR"(prog a\\\"b c d)"), ElementsAre(L"prog", LR"(a\"b)", L"c", L"d"));
  EXPECT_THAT(Split(LR"(prog a\\\\"b c" d e)"), ElementsAre(L"prog", LR"(a\\b c)", L"d", L"e"));
  EXPECT_THAT(Split(LR"(prog a"b"" c d)"), ElementsAre(L"prog", LR"(ab" c d)"));
  // The program name ends at its closing quote; its backslashes are path separators.
  EXPECT_THAT(Split(LR"("C:\my tools\prog.exe" -w  800)"), ElementsAre(LR"(C:\my tools\prog.exe)", L"-w", L"800"));
  EXPECT_THAT(Split(L"prog \"\""), ElementsAre(L"prog", L""));
  EXPECT_THAT(Split(LR"("C:\unclosed name)"), ElementsAre(LR"(C:\unclosed name)"));

  int count = 0;
  EXPECT_EQ(CommandLineToArgvW(L"prog", nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  LPWSTR* own = CommandLineToArgvW(L"", &count);
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(count, 1) << "an empty line stands for the program itself";
  LocalFree(own);
}

TEST(CommandLine, TheProcessLineSplitsBackIntoItsArguments) {
  const std::vector<std::wstring> arguments = Split(GetCommandLineW());
  ASSERT_FALSE(arguments.empty());
  EXPECT_THAT(arguments[0], HasSubstr(L"win32_tests"));
  EXPECT_EQ(GetCommandLineW(), GetCommandLineW()) << "one line for the whole process";
}

TEST(ModuleFileName, IsTheExecutablesPathWithWindowsSeparators) {
  wchar_t path[4096];
  const DWORD length = GetModuleFileNameW(nullptr, path, 4096);
  ASSERT_GT(length, 0u);
  const std::wstring name(path, length);
  EXPECT_THAT(name, EndsWith(L"\\win32_tests"));
  EXPECT_EQ(name.find(L'/'), std::wstring::npos);
  EXPECT_EQ(GetModuleFileNameW(GetModuleHandleW(nullptr), path, 4096), length);

  // Too small a buffer: cut and terminated, the buffer's size returned, and the error says so.
  wchar_t small[5];
  EXPECT_EQ(GetModuleFileNameW(nullptr, small, 5), 5u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::wstring(small), name.substr(0, 4));
}
