// ID3DBlob from D3DCreateBlob: the buffer, the reference count and the interfaces it answers to.
#include <d3dcompiler.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr GUID UnrelatedInterface = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

TEST(D3DCreateBlob, GivesAWritableZeroedBufferOfTheRequestedSize) {
  ID3DBlob* blob = nullptr;
  ASSERT_EQ(D3DCreateBlob(64, &blob), S_OK);
  ASSERT_NE(blob, nullptr);
  EXPECT_EQ(blob->GetBufferSize(), 64u);
  auto* bytes = static_cast<unsigned char*>(blob->GetBufferPointer());
  ASSERT_NE(bytes, nullptr);
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(bytes[i], 0) << "byte " << i;
  }
  std::memset(bytes, 0xAB, 64);
  EXPECT_EQ(blob->Release(), 0u);

  ASSERT_EQ(D3DCreateBlob(0, &blob), S_OK);
  EXPECT_EQ(blob->GetBufferSize(), 0u);
  EXPECT_NE(blob->GetBufferPointer(), nullptr) << "an empty blob still has a buffer pointer";
  blob->Release();
}

TEST(D3DCreateBlob, CountsReferencesAndAnswersItsInterfaces) {
  ID3DBlob* blob = nullptr;
  ASSERT_EQ(D3DCreateBlob(4, &blob), S_OK);
  EXPECT_EQ(blob->AddRef(), 2u);

  IUnknown* unknown = nullptr;
  ASSERT_EQ(blob->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(blob));
  ID3DBlob* again = nullptr;
  ASSERT_EQ(blob->QueryInterface(IID_ID3DBlob, reinterpret_cast<void**>(&again)), S_OK);
  EXPECT_EQ(again, blob);

  void* other = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(blob->QueryInterface(UnrelatedInterface, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(blob->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

  EXPECT_EQ(unknown->Release(), 3u);
  EXPECT_EQ(again->Release(), 2u);
  EXPECT_EQ(blob->Release(), 1u);
  EXPECT_EQ(blob->Release(), 0u);
}

TEST(D3DCreateBlob, RejectsANullOutPointerAndAnImpossibleSize) {
  EXPECT_EQ(D3DCreateBlob(16, nullptr), E_INVALIDARG);
  ID3DBlob* blob = reinterpret_cast<ID3DBlob*>(0x1);
  EXPECT_EQ(D3DCreateBlob(~SIZE_T{0}, &blob), E_OUTOFMEMORY);
  EXPECT_EQ(blob, nullptr);
}

}  // namespace
