// ID3D12ShaderReflection over the layer's byte code (SPIR-V): what D3DReflect hands out.
#pragma once

#include <d3dcompiler.h>

#include "ShaderReflectionSignatures.h"
#include "ShaderReflectionTypes.h"
#include "platform_common/ComObject.h"

#include <memory>
#include <string>
#include <vector>

namespace d3dcompiler {

struct BoundResource {
  std::string Name;
  D3D12_SHADER_INPUT_BIND_DESC Desc{};
};

class ShaderReflection final : public platform::ComObject<ID3D12ShaderReflection> {
 public:
  // False when `words` is no module this compiler made.
  bool Read(const std::vector<uint32_t>& words);

  HRESULT STDMETHODCALLTYPE GetDesc(D3D12_SHADER_DESC* desc) override;
  ID3D12ShaderReflectionConstantBuffer* STDMETHODCALLTYPE GetConstantBufferByIndex(UINT index) override;
  ID3D12ShaderReflectionConstantBuffer* STDMETHODCALLTYPE GetConstantBufferByName(LPCSTR name) override;
  HRESULT STDMETHODCALLTYPE GetResourceBindingDesc(UINT index, D3D12_SHADER_INPUT_BIND_DESC* desc) override;
  HRESULT STDMETHODCALLTYPE GetInputParameterDesc(UINT index, D3D12_SIGNATURE_PARAMETER_DESC* desc) override;
  HRESULT STDMETHODCALLTYPE GetOutputParameterDesc(UINT index, D3D12_SIGNATURE_PARAMETER_DESC* desc) override;
  HRESULT STDMETHODCALLTYPE GetPatchConstantParameterDesc(UINT index, D3D12_SIGNATURE_PARAMETER_DESC* desc) override;
  ID3D12ShaderReflectionVariable* STDMETHODCALLTYPE GetVariableByName(LPCSTR name) override;
  HRESULT STDMETHODCALLTYPE GetResourceBindingDescByName(LPCSTR name, D3D12_SHADER_INPUT_BIND_DESC* desc) override;
  UINT STDMETHODCALLTYPE GetMovInstructionCount() override { return 0; }
  UINT STDMETHODCALLTYPE GetMovcInstructionCount() override { return 0; }
  UINT STDMETHODCALLTYPE GetConversionInstructionCount() override { return 0; }
  UINT STDMETHODCALLTYPE GetBitwiseInstructionCount() override { return 0; }
  D3D_PRIMITIVE STDMETHODCALLTYPE GetGSInputPrimitive() override { return D3D_PRIMITIVE_UNDEFINED; }
  BOOL STDMETHODCALLTYPE IsSampleFrequencyShader() override { return FALSE; }
  UINT STDMETHODCALLTYPE GetNumInterfaceSlots() override { return 0; }
  HRESULT STDMETHODCALLTYPE GetMinFeatureLevel(D3D_FEATURE_LEVEL* level) override;
  UINT STDMETHODCALLTYPE GetThreadGroupSize(UINT* x, UINT* y, UINT* z) override;
  UINT64 STDMETHODCALLTYPE GetRequiresFlags() override { return 0; }

 private:
  ~ShaderReflection() override = default;

  void ReadResources(const SpirvEditor& module);

  D3D12_SHADER_DESC desc_{};
  UINT threadGroup_[3] = {0, 0, 0};
  std::vector<std::unique_ptr<ReflectedBuffer>> buffers_;
  std::vector<BoundResource> resources_;
  std::vector<SignatureParameter> inputs_;
  std::vector<SignatureParameter> outputs_;
};

}  // namespace d3dcompiler
