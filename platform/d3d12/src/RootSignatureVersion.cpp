#include "RootSignatureVersion.h"

namespace d3d12vk {

RootSignatureAsVersion10::RootSignatureAsVersion10(const D3D12_ROOT_SIGNATURE_DESC1& desc)
    : ranges_(desc.pParameters != nullptr ? desc.NumParameters : 0) {
  // Null arrays stay null with their counts, for the validation of the 1.0 description to report.
  if (desc.pParameters != nullptr) {
    parameters_.reserve(desc.NumParameters);
    for (UINT i = 0; i < desc.NumParameters; ++i) parameters_.push_back(Convert(desc.pParameters[i], &ranges_[i]));
  }
  desc_.NumParameters = desc.NumParameters;
  desc_.pParameters = desc.pParameters != nullptr ? parameters_.data() : nullptr;
  desc_.NumStaticSamplers = desc.NumStaticSamplers;
  desc_.pStaticSamplers = desc.pStaticSamplers;
  desc_.Flags = desc.Flags;
}

D3D12_ROOT_PARAMETER RootSignatureAsVersion10::Convert(const D3D12_ROOT_PARAMETER1& parameter,
                                                       std::vector<D3D12_DESCRIPTOR_RANGE>* ranges) {
  D3D12_ROOT_PARAMETER converted{};
  converted.ParameterType = parameter.ParameterType;
  converted.ShaderVisibility = parameter.ShaderVisibility;
  switch (parameter.ParameterType) {
    case D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE: {
      const D3D12_ROOT_DESCRIPTOR_TABLE1& table = parameter.DescriptorTable;
      if (table.pDescriptorRanges != nullptr) {
        for (UINT i = 0; i < table.NumDescriptorRanges; ++i) {
          const D3D12_DESCRIPTOR_RANGE1& range = table.pDescriptorRanges[i];
          ranges->push_back({range.RangeType, range.NumDescriptors, range.BaseShaderRegister, range.RegisterSpace,
                             range.OffsetInDescriptorsFromTableStart});
        }
      }
      converted.DescriptorTable.NumDescriptorRanges = table.NumDescriptorRanges;
      converted.DescriptorTable.pDescriptorRanges = table.pDescriptorRanges != nullptr ? ranges->data() : nullptr;
      break;
    }
    case D3D12_ROOT_PARAMETER_TYPE_32BIT_CONSTANTS:
      converted.Constants = parameter.Constants;
      break;
    default:  // root CBV, SRV and UAV; unknown types are left for the validation to reject
      converted.Descriptor = {parameter.Descriptor.ShaderRegister, parameter.Descriptor.RegisterSpace};
      break;
  }
  return converted;
}

}  // namespace d3d12vk
