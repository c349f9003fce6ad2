#include "core/ConsoleOutput.h"
#include "core/Log.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

TEST(LogResult, AppendsTheSystemTextWithoutItsLineBreak) {
  CaptureStdout();
  LogResult(L"x", 0);
  EXPECT_EQ(GetCapturedStdout(), "x result:The operation completed successfully.\n");
}

TEST(LogResult, FailureCodesGetTheirOwnText) {
  CaptureStdout();
  LogResult(L"test", static_cast<int32_t>(0x80004005));  // E_FAIL
  EXPECT_EQ(GetCapturedStdout(), "test result:Unspecified error\n");
}

TEST(LogResult, CodeWithoutSystemTextIsUnknownError) {
  CaptureStdout();
  LogResult(L"x", 0x12345678);
  EXPECT_EQ(GetCapturedStdout(), "x result:unknown error\n");
}

TEST(LogResult, MessageIsWrittenUnchangedAsUtf8) {
  CaptureStdout();
  LogResult(L"Gr\u00fc\u00dfe \u6f22", 0x12345678);
  EXPECT_EQ(GetCapturedStdout(),
            "Gr\xc3\xbc\xc3\x9f"
            "e \xe6\xbc\xa2 result:unknown error\n");
}

// Wide log lines and narrow slot-offset lines share stdout; neither kind may be lost and the order of
// writing must survive.
TEST(ConsoleOutput, WideAndNarrowLinesKeepTheirOrder) {
  CaptureStdout();
  LogResult(L"Initializing factory", 0);
  LogSlotOffset(256);
  LogResult(L"Resize Performed", 0);
  LogSlotOffset(0);
  EXPECT_EQ(GetCapturedStdout(),
            "Initializing factory result:The operation completed successfully.\n"
            "256\n"
            "Resize Performed result:The operation completed successfully.\n"
            "0\n");
}

TEST(ConsoleOutput, Utf8EncodingOfEveryRange) {
  EXPECT_EQ(ToUtf8(L"A\u00e9\u20ac"), "A\xc3\xa9\xe2\x82\xac");
  EXPECT_EQ(ToUtf8(std::wstring(1, static_cast<wchar_t>(0x1F600))), "\xf0\x9f\x98\x80");
  // A lone surrogate cannot be encoded; it becomes the replacement character.
  EXPECT_EQ(ToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xef\xbf\xbd");
}

}  // namespace
