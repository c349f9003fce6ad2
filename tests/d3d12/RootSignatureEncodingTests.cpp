// The serialized root signature: what D3D12SerializeRootSignature accepts and what CreateRootSignature reads.
#include <windows.h>

#include "RootSignatureEncoding.h"

#include <d3dx12.h>
#include <gtest/gtest.h>

namespace d3d12vk {
namespace {

// The engine's "object" root signature: four one-range tables and the shared static sampler.
struct ObjectRootSignature {
  CD3DX12_DESCRIPTOR_RANGE ranges[4] = {{D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 1, 0},
                                        {D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 1, 1},
                                        {D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 1, 0},
                                        {D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 1, 2}};
  CD3DX12_ROOT_PARAMETER parameters[4];
  CD3DX12_STATIC_SAMPLER_DESC sampler{0, D3D12_FILTER_MIN_MAG_LINEAR_MIP_POINT};
  D3D12_ROOT_SIGNATURE_DESC desc{};

  ObjectRootSignature() {
    for (int i = 0; i < 4; ++i) parameters[i].InitAsDescriptorTable(1, &ranges[i]);
    desc = {4, parameters, 1, &sampler, D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT};
  }
};

TEST(RootSignatureEncoding, RoundTripsTheEngineLayout) {
  ObjectRootSignature object;
  std::string error;
  ASSERT_TRUE(ValidateRootSignature(object.desc, &error)) << error;
  const std::vector<uint8_t> bytes = EncodeRootSignature(object.desc);
  RootSignatureDescription decoded;
  ASSERT_TRUE(DecodeRootSignature(bytes.data(), bytes.size(), &decoded, &error)) << error;

  EXPECT_EQ(decoded.flags, D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT);
  ASSERT_EQ(decoded.parameters.size(), 4u);
  EXPECT_EQ(decoded.parameters[2].ranges.at(0).RangeType, D3D12_DESCRIPTOR_RANGE_TYPE_SRV);
  EXPECT_EQ(decoded.parameters[3].ranges.at(0).BaseShaderRegister, 2u);
  EXPECT_EQ(decoded.parameters[3].ranges.at(0).OffsetInDescriptorsFromTableStart, D3D12_DESCRIPTOR_RANGE_OFFSET_APPEND);
  ASSERT_EQ(decoded.staticSamplers.size(), 1u);
  EXPECT_EQ(decoded.staticSamplers[0].Filter, D3D12_FILTER_MIN_MAG_LINEAR_MIP_POINT);
  EXPECT_EQ(decoded.staticSamplers[0].MaxLOD, D3D12_FLOAT32_MAX);
}

TEST(RootSignatureEncoding, RejectsWhatDirect3DRejects) {
  std::string error;
  const CD3DX12_DESCRIPTOR_RANGE mixed[] = {{D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 1, 0},
                                            {D3D12_DESCRIPTOR_RANGE_TYPE_SAMPLER, 1, 0}};
  CD3DX12_ROOT_PARAMETER table;
  table.InitAsDescriptorTable(2, mixed);
  EXPECT_FALSE(ValidateRootSignature({1, &table, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE}, &error));
  EXPECT_NE(error.find("mixes sampler ranges"), std::string::npos);

  const CD3DX12_DESCRIPTOR_RANGE twoToFour(D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 3, 2);
  CD3DX12_ROOT_PARAMETER overlapping[2];
  overlapping[0].InitAsDescriptorTable(1, &twoToFour);
  overlapping[1].InitAsShaderResourceView(4);
  EXPECT_FALSE(ValidateRootSignature({2, overlapping, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE}, &error));
  EXPECT_NE(error.find("register t4"), std::string::npos);

  // The same register for different shader stages is fine.
  overlapping[0].ShaderVisibility = D3D12_SHADER_VISIBILITY_VERTEX;
  overlapping[1].ShaderVisibility = D3D12_SHADER_VISIBILITY_PIXEL;
  EXPECT_TRUE(ValidateRootSignature({2, overlapping, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE}, &error));

  EXPECT_FALSE(ValidateRootSignature({1, nullptr, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE}, &error));
}

TEST(RootSignatureEncoding, DecodingRefusesForeignOrDamagedBytes) {
  ObjectRootSignature object;
  std::vector<uint8_t> bytes = EncodeRootSignature(object.desc);
  RootSignatureDescription decoded;
  std::string error;
  EXPECT_FALSE(DecodeRootSignature(bytes.data(), bytes.size() - 1, &decoded, &error));
  bytes.push_back(0);
  EXPECT_FALSE(DecodeRootSignature(bytes.data(), bytes.size(), &decoded, &error));
  const uint8_t dxbc[] = {'D', 'X', 'B', 'C', 0, 0, 0, 0};
  EXPECT_FALSE(DecodeRootSignature(dxbc, sizeof(dxbc), &decoded, &error));
  EXPECT_NE(error.find("not a root signature"), std::string::npos);
}

}  // namespace
}  // namespace d3d12vk
