// A check shared by the interface-version suites: an object hands out every interface version it claims.
#pragma once

#include <windows.h>

#include <wrl/client.h>

#include <gtest/gtest.h>

#include <typeinfo>

// Asks `object` for each interface in `Ladder`, expecting S_OK for all and the same object behind each.
template <typename... Ladder>
void ExpectEveryVersion(IUnknown* object) {
  Microsoft::WRL::ComPtr<IUnknown> identity;
  ASSERT_EQ(object->QueryInterface(IID_PPV_ARGS(&identity)), S_OK);
  (
      [&] {
        Microsoft::WRL::ComPtr<Ladder> version;
        EXPECT_EQ(object->QueryInterface(IID_PPV_ARGS(&version)), S_OK) << typeid(Ladder).name();
        Microsoft::WRL::ComPtr<IUnknown> back;
        if (version) {
          EXPECT_EQ(version.As(&back), S_OK);
        }
        EXPECT_EQ(back.Get(), identity.Get()) << typeid(Ladder).name();
      }(),
      ...);
}
