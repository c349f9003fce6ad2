#include "RootSignatureEncoding.h"

#include <algorithm>
#include <cstring>

namespace d3d12vk {
namespace {

constexpr uint32_t kMagic = 0x4B565352;  // "RSVK"
constexpr uint32_t kVersion = 1;
// Direct3D 12's own limit: a root signature is at most 64 DWORDs, so parameters are few.
constexpr UINT kMaxParameters = kMaxRootDwords;
constexpr UINT kMaxStaticSamplers = 2032;

class Writer {
 public:
  void Word(uint32_t value) { Bytes(&value, sizeof(value)); }
  void Float(float value) { Bytes(&value, sizeof(value)); }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  void Bytes(const void* data, size_t size) {
    const auto* begin = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), begin, begin + size);
  }
  std::vector<uint8_t> bytes_;
};

class Reader {
 public:
  Reader(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  bool Word(uint32_t* value) { return Bytes(value, sizeof(*value)); }
  bool Float(float* value) { return Bytes(value, sizeof(*value)); }
  bool AtEnd() const { return offset_ == size_; }

 private:
  bool Bytes(void* out, size_t size) {
    if (size_ - offset_ < size) return false;
    std::memcpy(out, data_ + offset_, size);
    offset_ += size;
    return true;
  }
  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
};

char RegisterClass(D3D12_DESCRIPTOR_RANGE_TYPE type) {
  switch (type) {
    case D3D12_DESCRIPTOR_RANGE_TYPE_SRV:
      return 't';
    case D3D12_DESCRIPTOR_RANGE_TYPE_UAV:
      return 'u';
    case D3D12_DESCRIPTOR_RANGE_TYPE_CBV:
      return 'b';
    default:
      return 's';
  }
}

// One register interval a parameter or static sampler claims.
struct Claim {
  char registerClass;
  UINT space;
  UINT first;
  UINT64 last;
  D3D12_SHADER_VISIBILITY visibility;
};

bool VisibilitiesOverlap(D3D12_SHADER_VISIBILITY a, D3D12_SHADER_VISIBILITY b) {
  return a == D3D12_SHADER_VISIBILITY_ALL || b == D3D12_SHADER_VISIBILITY_ALL || a == b;
}

bool FindOverlap(const std::vector<Claim>& claims, std::string* error) {
  for (size_t i = 0; i < claims.size(); ++i) {
    for (size_t j = i + 1; j < claims.size(); ++j) {
      const Claim& a = claims[i];
      const Claim& b = claims[j];
      if (a.registerClass == b.registerClass && a.space == b.space && a.first <= b.last && b.first <= a.last &&
          VisibilitiesOverlap(a.visibility, b.visibility)) {
        *error = std::string("register ") + a.registerClass + std::to_string(std::max(a.first, b.first)) +
                 " of space " + std::to_string(a.space) + " is bound twice";
        return true;
      }
    }
  }
  return false;
}

bool ValidateTable(const D3D12_ROOT_DESCRIPTOR_TABLE& table, UINT index, D3D12_SHADER_VISIBILITY visibility,
                   std::vector<Claim>* claims, std::string* error) {
  const std::string where = "parameter " + std::to_string(index);
  if (table.NumDescriptorRanges == 0 || table.pDescriptorRanges == nullptr) {
    *error = where + " is a descriptor table without ranges";
    return false;
  }
  bool samplers = false, others = false;
  for (UINT r = 0; r < table.NumDescriptorRanges; ++r) {
    const D3D12_DESCRIPTOR_RANGE& range = table.pDescriptorRanges[r];
    if (range.RangeType > D3D12_DESCRIPTOR_RANGE_TYPE_SAMPLER) {
      *error = where + " has a range of unknown type " + std::to_string(range.RangeType);
      return false;
    }
    if (range.NumDescriptors == 0) {
      *error = where + " has a range of 0 descriptors";
      return false;
    }
    (range.RangeType == D3D12_DESCRIPTOR_RANGE_TYPE_SAMPLER ? samplers : others) = true;
    const UINT64 last = range.NumDescriptors == UINT(-1) ? UINT64(UINT(-1))
                                                         : UINT64(range.BaseShaderRegister) + range.NumDescriptors - 1;
    claims->push_back(
        {RegisterClass(range.RangeType), range.RegisterSpace, range.BaseShaderRegister, last, visibility});
  }
  if (samplers && others) {
    *error = where + " mixes sampler ranges with other ranges in one table";
    return false;
  }
  return true;
}

}  // namespace

bool ValidateRootSignature(const D3D12_ROOT_SIGNATURE_DESC& desc, std::string* error) {
  if (desc.NumParameters > kMaxParameters) {
    *error = "a root signature has at most " + std::to_string(kMaxParameters) + " parameters";
    return false;
  }
  if ((desc.NumParameters > 0 && desc.pParameters == nullptr) ||
      (desc.NumStaticSamplers > 0 && desc.pStaticSamplers == nullptr)) {
    *error = "a parameter or static sampler array is null";
    return false;
  }
  if (desc.NumStaticSamplers > kMaxStaticSamplers) {
    *error = "too many static samplers";
    return false;
  }
  std::vector<Claim> claims;
  UINT64 cost = 0;  // in DWORDs: a table takes 1, a root descriptor 2, root constants one each
  for (UINT i = 0; i < desc.NumParameters; ++i) {
    const D3D12_ROOT_PARAMETER& parameter = desc.pParameters[i];
    cost += parameter.ParameterType == D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE  ? 1
            : parameter.ParameterType == D3D12_ROOT_PARAMETER_TYPE_32BIT_CONSTANTS ? parameter.Constants.Num32BitValues
                                                                                   : 2;
    if (parameter.ShaderVisibility > D3D12_SHADER_VISIBILITY_MESH) {
      *error = "parameter " + std::to_string(i) + " has unknown shader visibility";
      return false;
    }
    switch (parameter.ParameterType) {
      case D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE:
        if (!ValidateTable(parameter.DescriptorTable, i, parameter.ShaderVisibility, &claims, error)) return false;
        break;
      case D3D12_ROOT_PARAMETER_TYPE_32BIT_CONSTANTS:
        claims.push_back({'b', parameter.Constants.RegisterSpace, parameter.Constants.ShaderRegister,
                          parameter.Constants.ShaderRegister, parameter.ShaderVisibility});
        break;
      case D3D12_ROOT_PARAMETER_TYPE_CBV:
      case D3D12_ROOT_PARAMETER_TYPE_SRV:
      case D3D12_ROOT_PARAMETER_TYPE_UAV: {
        const char registerClass = parameter.ParameterType == D3D12_ROOT_PARAMETER_TYPE_CBV   ? 'b'
                                   : parameter.ParameterType == D3D12_ROOT_PARAMETER_TYPE_SRV ? 't'
                                                                                              : 'u';
        claims.push_back({registerClass, parameter.Descriptor.RegisterSpace, parameter.Descriptor.ShaderRegister,
                          parameter.Descriptor.ShaderRegister, parameter.ShaderVisibility});
        break;
      }
      default:
        *error = "parameter " + std::to_string(i) + " has unknown type " + std::to_string(parameter.ParameterType);
        return false;
    }
  }
  if (cost > kMaxRootDwords) {
    *error = "the parameters take " + std::to_string(cost) + " DWORDs; a root signature holds at most " +
             std::to_string(kMaxRootDwords);
    return false;
  }
  for (UINT i = 0; i < desc.NumStaticSamplers; ++i) {
    const D3D12_STATIC_SAMPLER_DESC& sampler = desc.pStaticSamplers[i];
    claims.push_back(
        {'s', sampler.RegisterSpace, sampler.ShaderRegister, sampler.ShaderRegister, sampler.ShaderVisibility});
  }
  return !FindOverlap(claims, error);
}

std::vector<uint8_t> EncodeRootSignature(const D3D12_ROOT_SIGNATURE_DESC& desc) {
  Writer writer;
  writer.Word(kMagic);
  writer.Word(kVersion);
  writer.Word(desc.Flags);
  writer.Word(desc.NumParameters);
  writer.Word(desc.NumStaticSamplers);
  for (UINT i = 0; i < desc.NumParameters; ++i) {
    const D3D12_ROOT_PARAMETER& parameter = desc.pParameters[i];
    writer.Word(parameter.ParameterType);
    writer.Word(parameter.ShaderVisibility);
    switch (parameter.ParameterType) {
      case D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE:
        writer.Word(parameter.DescriptorTable.NumDescriptorRanges);
        for (UINT r = 0; r < parameter.DescriptorTable.NumDescriptorRanges; ++r) {
          const D3D12_DESCRIPTOR_RANGE& range = parameter.DescriptorTable.pDescriptorRanges[r];
          writer.Word(range.RangeType);
          writer.Word(range.NumDescriptors);
          writer.Word(range.BaseShaderRegister);
          writer.Word(range.RegisterSpace);
          writer.Word(range.OffsetInDescriptorsFromTableStart);
        }
        break;
      case D3D12_ROOT_PARAMETER_TYPE_32BIT_CONSTANTS:
        writer.Word(parameter.Constants.ShaderRegister);
        writer.Word(parameter.Constants.RegisterSpace);
        writer.Word(parameter.Constants.Num32BitValues);
        break;
      default:
        writer.Word(parameter.Descriptor.ShaderRegister);
        writer.Word(parameter.Descriptor.RegisterSpace);
        break;
    }
  }
  for (UINT i = 0; i < desc.NumStaticSamplers; ++i) {
    const D3D12_STATIC_SAMPLER_DESC& sampler = desc.pStaticSamplers[i];
    writer.Word(sampler.Filter);
    writer.Word(sampler.AddressU);
    writer.Word(sampler.AddressV);
    writer.Word(sampler.AddressW);
    writer.Float(sampler.MipLODBias);
    writer.Word(sampler.MaxAnisotropy);
    writer.Word(sampler.ComparisonFunc);
    writer.Word(sampler.BorderColor);
    writer.Float(sampler.MinLOD);
    writer.Float(sampler.MaxLOD);
    writer.Word(sampler.ShaderRegister);
    writer.Word(sampler.RegisterSpace);
    writer.Word(sampler.ShaderVisibility);
  }
  return writer.Take();
}

bool DecodeRootSignature(const void* data, size_t size, RootSignatureDescription* description, std::string* error) {
  Reader reader(data, size);
  uint32_t magic = 0, version = 0, flags = 0, parameterCount = 0, samplerCount = 0;
  if (!reader.Word(&magic) || magic != kMagic || !reader.Word(&version)) {
    *error = "the bytes are not a root signature from D3D12SerializeRootSignature";
    return false;
  }
  if (version != kVersion) {
    *error = "root signature encoding version " + std::to_string(version) + " is not supported";
    return false;
  }
  if (!reader.Word(&flags) || !reader.Word(&parameterCount) || !reader.Word(&samplerCount) ||
      parameterCount > kMaxParameters || samplerCount > kMaxStaticSamplers) {
    *error = "the root signature header is damaged";
    return false;
  }
  *description = RootSignatureDescription{};
  description->flags = D3D12_ROOT_SIGNATURE_FLAGS(flags);
  bool intact = true;
  for (uint32_t i = 0; i < parameterCount && intact; ++i) {
    RootSignatureDescription::Parameter parameter{};
    uint32_t type = 0, visibility = 0;
    intact = reader.Word(&type) && reader.Word(&visibility);
    parameter.type = D3D12_ROOT_PARAMETER_TYPE(type);
    parameter.visibility = D3D12_SHADER_VISIBILITY(visibility);
    if (parameter.type == D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE) {
      uint32_t rangeCount = 0;
      intact = intact && reader.Word(&rangeCount) && rangeCount <= size / 20;
      for (uint32_t r = 0; r < rangeCount && intact; ++r) {
        D3D12_DESCRIPTOR_RANGE range{};
        uint32_t rangeType = 0;
        intact = reader.Word(&rangeType) && reader.Word(&range.NumDescriptors) &&
                 reader.Word(&range.BaseShaderRegister) && reader.Word(&range.RegisterSpace) &&
                 reader.Word(&range.OffsetInDescriptorsFromTableStart);
        range.RangeType = D3D12_DESCRIPTOR_RANGE_TYPE(rangeType);
        parameter.ranges.push_back(range);
      }
    } else if (parameter.type == D3D12_ROOT_PARAMETER_TYPE_32BIT_CONSTANTS) {
      intact = intact && reader.Word(&parameter.shaderRegister) && reader.Word(&parameter.registerSpace) &&
               reader.Word(&parameter.constantCount);
    } else {
      intact = intact && reader.Word(&parameter.shaderRegister) && reader.Word(&parameter.registerSpace);
    }
    description->parameters.push_back(std::move(parameter));
  }
  for (uint32_t i = 0; i < samplerCount && intact; ++i) {
    D3D12_STATIC_SAMPLER_DESC sampler{};
    uint32_t filter = 0, u = 0, v = 0, w = 0, comparison = 0, border = 0, visibility = 0;
    intact = reader.Word(&filter) && reader.Word(&u) && reader.Word(&v) && reader.Word(&w) &&
             reader.Float(&sampler.MipLODBias) && reader.Word(&sampler.MaxAnisotropy) && reader.Word(&comparison) &&
             reader.Word(&border) && reader.Float(&sampler.MinLOD) && reader.Float(&sampler.MaxLOD) &&
             reader.Word(&sampler.ShaderRegister) && reader.Word(&sampler.RegisterSpace) && reader.Word(&visibility);
    sampler.Filter = D3D12_FILTER(filter);
    sampler.AddressU = D3D12_TEXTURE_ADDRESS_MODE(u);
    sampler.AddressV = D3D12_TEXTURE_ADDRESS_MODE(v);
    sampler.AddressW = D3D12_TEXTURE_ADDRESS_MODE(w);
    sampler.ComparisonFunc = D3D12_COMPARISON_FUNC(comparison);
    sampler.BorderColor = D3D12_STATIC_BORDER_COLOR(border);
    sampler.ShaderVisibility = D3D12_SHADER_VISIBILITY(visibility);
    description->staticSamplers.push_back(sampler);
  }
  if (!intact || !reader.AtEnd()) {
    *error = "the root signature encoding is truncated or has trailing bytes";
    return false;
  }
  return true;
}

}  // namespace d3d12vk
