// What Windows programs take for granted from <windows.h>: min and max that coexist with the C++ standard
// headers included afterwards, LARGE_INTEGER's parts, the MSVC keywords, and the helper macros.

#include <gtest/gtest.h>

#include <Windows.h>  // the spelling many Windows programs use
#include <sal.h>      // before <windows.h>, as libraries such as DirectXMath include it
#include <wrl.h>
#include <wtypes.h>
#define _DEBUG  // the debug runtime's checks, as a Debug build of a Windows program has them
#include <crtdbg.h>

// Standard headers after <windows.h>: these are where min and max as macros would break.
#include <algorithm>
#include <limits>
#include <valarray>
#include <vector>

#include <cstdint>

namespace {

struct __declspec(align(32)) Aligned {
  float values[4];
};
__declspec(noinline) int NotInlined(int x) { return x + 1; }
_Ret_maybenull_ _Success_(return != 0) const int* FirstOf(_In_reads_(count) const int* values, _In_ size_t count) {
  return count > 0 ? values : nullptr;
}

TEST(WindowsHeaders, MinAndMaxMixTypesLikeTheMacrosAndLeaveTheStandardLibraryWorking) {
  const UINT width = 800;
  const int margin = -5;
  // The macro's usual arithmetic conversions: int and UINT compare as UINT.
  EXPECT_EQ(min(width, 1024u), 800u);
  EXPECT_EQ(max(3, 2.5f), 3.0f);
  static_assert(std::is_same_v<decltype(min(width, 1)), UINT>);
  static_assert(std::is_same_v<decltype(max(1, 2.0)), double>);
  EXPECT_EQ(max(margin, 0), 0);
  constexpr LONG clamped = min(max(-3L, 0L), 10L);
  static_assert(clamped == 0);

  // The standard library still reads its own names.
  EXPECT_EQ(std::numeric_limits<int>::max(), INT32_MAX);
  EXPECT_EQ((std::min)(4, 2), 2);
  EXPECT_EQ(std::max({1, 7, 3}), 7);
  std::vector<int> values = {3, 1, 2};
  EXPECT_EQ(*std::max_element(values.begin(), values.end()), 3);
  std::valarray<int> array = {5, 9, 4};
  EXPECT_EQ(array.max(), 9);
  EXPECT_EQ(array.min(), 4);
  {
    using namespace std;
    EXPECT_EQ(min(2, 8), 2);    // same types: std::min is chosen, no ambiguity
    EXPECT_EQ(max(2u, 8), 8u);  // mixed types: only the Windows one applies
  }
}

TEST(WindowsHeaders, LargeIntegerHasWindowsPartsInBothSpellings) {
  LARGE_INTEGER value = {};
  value.QuadPart = -2;
  EXPECT_EQ(value.LowPart, 0xFFFFFFFEu);
  EXPECT_EQ(value.HighPart, -1);  // signed, as on Windows
  EXPECT_EQ(value.u.LowPart, value.LowPart);
  value.HighPart = 1;
  value.LowPart = 0;
  EXPECT_EQ(value.QuadPart, 0x100000000LL);
  static_assert(sizeof(LARGE_INTEGER) == 8 && sizeof(ULARGE_INTEGER) == 8);
  ULARGE_INTEGER unsignedValue = {};
  unsignedValue.QuadPart = 0xFFFFFFFF00000001ULL;
  EXPECT_EQ(unsignedValue.HighPart, 0xFFFFFFFFu);
  // The layer's calls fill the same union the DXGI headers take.
  LARGE_INTEGER frequency = {};
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  EXPECT_GT(frequency.QuadPart, 0);
}

TEST(WindowsHeaders, MsvcKeywordsAndHelperMacrosWork) {
  static_assert(alignof(Aligned) == 32);
  EXPECT_EQ(NotInlined(1), 2);
  const int values[] = {4};
  EXPECT_EQ(FirstOf(values, 1), values);
  EXPECT_EQ(_uuidof(IUnknown), __uuidof(IUnknown));
  EXPECT_EQ(__uuidof(IUnknown), IID_IUnknown);
  static_assert(_WIN32_WINNT >= 0x0A00 && WINVER == _WIN32_WINNT);

  byte bytes[8];
  FillMemory(bytes, sizeof(bytes), 0xAB);
  ZeroMemory(bytes, 4);
  EXPECT_EQ(bytes[3], 0);
  EXPECT_EQ(bytes[4], 0xAB);
  byte copy[8] = {};
  CopyMemory(copy, bytes, sizeof(copy));
  EXPECT_EQ(copy[7], 0xAB);
  static_assert(sizeof(byte) == 1);

  struct Node {
    int value;
    LIST_ENTRY link;
  } node{7, {}};
  EXPECT_EQ(CONTAINING_RECORD(&node.link, Node, link), &node);
  EXPECT_EQ(FIELD_OFFSET(Node, link), static_cast<LONG>(offsetof(Node, link)));
  int table[5];
  static_assert(ARRAYSIZE(table) == 5 && _ARRAYSIZE(table) == 5);
  _ASSERTE(node.value == 7);
  EXPECT_DEATH(_ASSERTE(node.value == 8), "node.value == 8");
  EXPECT_DEATH(_ASSERT(false), "assertion failed");
}

TEST(WindowsHeaders, CreateWindowIsCreateWindowExWithNoExtendedStyle) {
  // An unregistered class fails the same way through either spelling.
  SetLastError(ERROR_SUCCESS);
  testing::internal::CaptureStderr();
  HWND window = CreateWindow(L"NoSuchClass", L"title", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                             nullptr, nullptr, GetModuleHandle(nullptr), nullptr);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(window, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
}

TEST(WindowsHeaders, WrlOwnsComObjectsAndHandles) {
  Microsoft::WRL::Wrappers::Event event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(event.IsValid());
  HANDLE raw = event.Get();
  {
    Microsoft::WRL::Wrappers::Event moved(std::move(event));
    EXPECT_FALSE(event.IsValid());
    EXPECT_EQ(moved.Get(), raw);
  }
  // The moved-to owner closed the handle when it went.
  testing::internal::CaptureStderr();
  EXPECT_FALSE(SetEvent(raw));
  testing::internal::GetCapturedStderr();

  Microsoft::WRL::Wrappers::FileHandle none;
  EXPECT_FALSE(none.IsValid());
  EXPECT_EQ(none.Get(), INVALID_HANDLE_VALUE);
  Microsoft::WRL::ComPtr<IUnknown> object;
  EXPECT_EQ(object.Get(), nullptr);
}

}  // namespace
