// Programs may read Direct3D's header, or WRL's, before <windows.h>: HWND must still be Windows' pointer
// type and not the DirectX-Headers stubs' integer, or the nullptr a program passes for "no window" would
// not compile. This file reads them in that order.
#include <d3d12.h>
#include <windows.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <type_traits>

static_assert(std::is_pointer_v<HWND>, "HWND is a pointer, as on Windows");

TEST(HeaderOrder, NoWindowIsANullHwndWhicheverHeaderCameFirst) {
  MSG message{};
  EXPECT_FALSE(IsWindow(nullptr));
  EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_USER + 7, WM_USER + 7, PM_REMOVE));
}
