// The serialized form of a root signature that D3D12SerializeRootSignature produces and CreateRootSignature
// reads: the layer's own versioned encoding of D3D12_ROOT_SIGNATURE_DESC.
#pragma once

#include <windows.h>

#include <d3d12.h>

#include <cstdint>
#include <string>
#include <vector>

namespace d3d12vk {

// The size limit of a root signature, in DWORDs; also the most root constants one can have.
constexpr uint32_t kMaxRootDwords = 64;

// A root signature description that owns its arrays.
struct RootSignatureDescription {
  struct Parameter {
    D3D12_ROOT_PARAMETER_TYPE type;
    D3D12_SHADER_VISIBILITY visibility;
    std::vector<D3D12_DESCRIPTOR_RANGE> ranges;  // descriptor tables
    UINT shaderRegister = 0;                     // root descriptors and constants
    UINT registerSpace = 0;
    UINT constantCount = 0;  // root constants
  };
  D3D12_ROOT_SIGNATURE_FLAGS flags = D3D12_ROOT_SIGNATURE_FLAG_NONE;
  std::vector<Parameter> parameters;
  std::vector<D3D12_STATIC_SAMPLER_DESC> staticSamplers;
};

// Checks a description the way Direct3D 12 does before serializing it; `error` explains a rejection.
bool ValidateRootSignature(const D3D12_ROOT_SIGNATURE_DESC& desc, std::string* error);

// Encodes a description that ValidateRootSignature accepted.
std::vector<uint8_t> EncodeRootSignature(const D3D12_ROOT_SIGNATURE_DESC& desc);

// Reads an encoding back; false with `error` set when the bytes are not one.
bool DecodeRootSignature(const void* data, size_t size, RootSignatureDescription* description, std::string* error);

}  // namespace d3d12vk
