// System message texts, the secure CRT conversion, COM activation, the performance counter and the process heap.

#include <gtest/gtest.h>

#include <win32_platform.h>
#include <win32_test.h>
#include <windows.h>

#include <heapapi.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

std::wstring SystemText(DWORD code) {
  wchar_t buffer[512];
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                      buffer, 512, nullptr);
  return std::wstring(buffer, length);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string field;
  long value = -1;
  while (status >> field) {
    if (field == "VmRSS:" && status >> value) break;
  }
  return value;
}

}  // namespace

TEST(ProcessHeap, CompactionGivesFreedPagesBackAndRefusesOtherHeapsAndFlags) {
  // 64 MiB in small blocks, freed but for the last, which keeps the heap's top where it is: only compaction
  // can give the pages below it back.
  std::vector<std::unique_ptr<char[]>> blocks(1 << 20);
  for (auto& block : blocks) {
    block.reset(new char[64]);
    block[0] = 1;
  }
  const long filled = ResidentKilobytes();
  for (size_t b = 0; b + 1 < blocks.size(); ++b) blocks[b].reset();
  ASSERT_NE(GetProcessHeap(), nullptr);
  EXPECT_EQ(GetProcessHeap(), GetProcessHeap());
  SetLastError(ERROR_INVALID_HANDLE);
  const SIZE_T free = HeapCompact(GetProcessHeap(), HEAP_NO_SERIALIZE);
  EXPECT_TRUE(free > 0 || GetLastError() == NO_ERROR);
  if (!kAddressSanitizer) {  // whose allocator holds freed blocks back
    EXPECT_LT(ResidentKilobytes(), filled - 32 * 1024);
  }

  EXPECT_EQ(HeapCompact(reinterpret_cast<HANDLE>(0x10), 0), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(HeapCompact(GetProcessHeap(), 0x4), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(SystemMessages, KnownCodesGiveTheWindowsTexts) {
  EXPECT_EQ(SystemText(S_OK), L"The operation completed successfully.\r\n");
  EXPECT_EQ(SystemText(E_FAIL), L"Unspecified error\r\n");
  EXPECT_EQ(SystemText(E_INVALIDARG), L"The parameter is incorrect.\r\n");
  EXPECT_EQ(SystemText(E_OUTOFMEMORY), L"Not enough memory resources are available to complete this operation.\r\n");
  EXPECT_EQ(SystemText(ERROR_FILE_NOT_FOUND), SystemText(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)));
  EXPECT_EQ(SystemText(REGDB_E_CLASSNOTREG), L"Class not registered\r\n");
  EXPECT_EQ(SystemText(WINCODEC_ERR_COMPONENTNOTFOUND), L"The component cannot be found.\r\n");
  for (HRESULT code : {E_NOTIMPL,
                       E_NOINTERFACE,
                       E_POINTER,
                       E_HANDLE,
                       E_ABORT,
                       E_ACCESSDENIED,
                       E_UNEXPECTED,
                       DXGI_ERROR_NOT_FOUND,
                       DXGI_ERROR_INVALID_CALL,
                       DXGI_ERROR_UNSUPPORTED,
                       DXGI_ERROR_DEVICE_REMOVED,
                       DXGI_ERROR_DEVICE_HUNG,
                       DXGI_ERROR_DEVICE_RESET,
                       DXGI_ERROR_MORE_DATA,
                       HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND),
                       WINCODEC_ERR_UNKNOWNIMAGEFORMAT,
                       WINCODEC_ERR_BADIMAGE,
                       WINCODEC_ERR_INSUFFICIENTBUFFER,
                       WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT,
                       WINCODEC_ERR_WRONGSTATE,
                       WINCODEC_ERR_NOTINITIALIZED,
                       WINCODEC_ERR_BADHEADER}) {
    const std::wstring text = SystemText(code);
    EXPECT_GT(text.size(), 2u) << std::hex << code;
    EXPECT_EQ(text.substr(text.size() - 2), L"\r\n") << std::hex << code;
  }
}

TEST(SystemMessages, UnknownCodesAndSmallBuffersFailLikeWindows) {
  wchar_t buffer[8];
  SetLastError(0);
  EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0x12345678, 0, buffer, 8, nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));

  EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0, 0, buffer, 8, nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  wchar_t* allocated = nullptr;
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, E_NOTIMPL,
                                      0, reinterpret_cast<LPWSTR>(&allocated), 0, nullptr);
  ASSERT_NE(allocated, nullptr);
  EXPECT_EQ(std::wstring(allocated, length), L"Not implemented\r\n");
  EXPECT_EQ(LocalFree(allocated), nullptr);
}

TEST(SecureCrt, ConvertsCountsAndTerminates) {
  wchar_t wide[8];
  size_t converted = 99;
  EXPECT_EQ(mbstowcs_s(&converted, wide, 8, "abc", 8), 0);
  EXPECT_STREQ(wide, L"abc");
  EXPECT_EQ(converted, 4u);

  EXPECT_EQ(mbstowcs_s(&converted, wide, 8, "abcdef", 2), 0);  // at most `count` characters
  EXPECT_STREQ(wide, L"ab");
  EXPECT_EQ(converted, 3u);

  EXPECT_EQ(mbstowcs_s(&converted, nullptr, 0, "abcdef", 2), 0);  // measuring ignores `count`
  EXPECT_EQ(converted, 7u);

  // The classic locale maps every byte to the character of the same code.
  const char high[] = {static_cast<char>(0xDA), 0};
  EXPECT_EQ(mbstowcs_s(&converted, wide, 2, high, _TRUNCATE), 0);
  EXPECT_EQ(wide[0], L'\u00DA');
  EXPECT_EQ(mbstowcs_s(&converted, wide, 2, "", _TRUNCATE), 0);
  EXPECT_EQ(converted, 1u);
  EXPECT_EQ(wide[0], L'\0');
}

TEST(SecureCrt, TruncatesOrRefusesWhatDoesNotFit) {
  wchar_t wide[2];
  size_t converted = 99;
  EXPECT_EQ(mbstowcs_s(&converted, wide, 2, "xy", _TRUNCATE), STRUNCATE);
  EXPECT_STREQ(wide, L"x");
  EXPECT_EQ(converted, 2u);

  EXPECT_EQ(mbstowcs_s(&converted, wide, 2, "xy", 2), ERANGE);
  EXPECT_EQ(wide[0], L'\0');
  EXPECT_EQ(converted, 0u);

  EXPECT_EQ(mbstowcs_s(&converted, wide, 2, nullptr, 1), EINVAL);
  EXPECT_EQ(wide[0], L'\0');
  EXPECT_EQ(mbstowcs_s(&converted, nullptr, 2, "x", 1), EINVAL);
  EXPECT_EQ(mbstowcs_s(&converted, wide, 0, "x", 1), EINVAL);
  EXPECT_EQ(errno, EINVAL);
}

namespace {

struct Thing : IUnknown {
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
};
Thing theThing;

constexpr CLSID kThingClass = {0x1f2e3d4c, 0x5b6a, 0x4789, {0x9a, 0xbc, 0xde, 0xf0, 0x12, 0x34, 0x56, 0x78}};
constexpr CLSID kUnknownClass = {0x0badc0de, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};

HRESULT CreateThing(REFIID riid, void** object) { return theThing.QueryInterface(riid, object); }

}  // namespace

TEST(ComActivation, CreatesRegisteredClassesOnceComIsInitialised) {
  win32_platform::RegisterComClass(kThingClass, CreateThing);
  // COM state is per thread: a thread of its own starts uninitialised.
  std::thread([] {
    void* object = &theThing;
    EXPECT_EQ(CoCreateInstance(kThingClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);

    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);

    EXPECT_EQ(CoCreateInstance(kThingClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), S_OK);
    EXPECT_EQ(object, &theThing);
    EXPECT_EQ(CoCreateInstance(kUnknownClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoCreateInstance(kThingClass, &theThing, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(CoCreateInstance(kThingClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr), E_POINTER);
    CoUninitialize();
    CoUninitialize();
  }).join();
}

TEST(PerformanceCounter, ManualClockMovesOnlyWhenTold) {
  LARGE_INTEGER frequency{};
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  EXPECT_EQ(frequency.QuadPart, 10'000'000);

  win32_test::UseManualClock(500);
  LARGE_INTEGER count{};
  QueryPerformanceCounter(&count);
  EXPECT_EQ(count.QuadPart, 500);
  win32_test::AdvanceClockTicks(frequency.QuadPart / 60);
  QueryPerformanceCounter(&count);
  EXPECT_EQ(count.QuadPart, 500 + 166'666);
  win32_test::SetClockTicks(-3);
  QueryPerformanceCounter(&count);
  EXPECT_EQ(count.QuadPart, -3);

  win32_test::UseRealClock();
  LARGE_INTEGER first{}, second{};
  QueryPerformanceCounter(&first);
  QueryPerformanceCounter(&second);
  EXPECT_GT(first.QuadPart, 0);
  EXPECT_GE(second.QuadPart, first.QuadPart);
}
