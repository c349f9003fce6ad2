// The constant-buffer half of shader reflection: ID3D12ShaderReflectionType, ...Variable and
// ...ConstantBuffer, read from a compiled module's Uniform blocks with the offsets the packing rules gave
// them. These interfaces are not reference counted; the ID3D12ShaderReflection that hands them out owns them.
#pragma once

#include <d3dcompiler.h>

#include "SpirvEditor.h"

#include <memory>
#include <string>
#include <vector>

namespace d3dcompiler {

class ReflectedType final : public ID3D12ShaderReflectionType {
 public:
  // A type without a description (GetDesc fails), which D3D hands out for a bad index or name.
  ReflectedType() = default;
  ReflectedType(const SpirvEditor& module, uint32_t type, bool rowMajorInSpirv, UINT offset);

  HRESULT STDMETHODCALLTYPE GetDesc(D3D12_SHADER_TYPE_DESC* desc) override;
  ID3D12ShaderReflectionType* STDMETHODCALLTYPE GetMemberTypeByIndex(UINT index) override;
  ID3D12ShaderReflectionType* STDMETHODCALLTYPE GetMemberTypeByName(LPCSTR name) override;
  LPCSTR STDMETHODCALLTYPE GetMemberTypeName(UINT index) override;
  HRESULT STDMETHODCALLTYPE IsEqual(ID3D12ShaderReflectionType* type) override;
  ID3D12ShaderReflectionType* STDMETHODCALLTYPE GetSubType() override { return nullptr; }
  ID3D12ShaderReflectionType* STDMETHODCALLTYPE GetBaseClass() override { return nullptr; }
  UINT STDMETHODCALLTYPE GetNumInterfaces() override { return 0; }
  ID3D12ShaderReflectionType* STDMETHODCALLTYPE GetInterfaceByIndex(UINT) override { return nullptr; }
  HRESULT STDMETHODCALLTYPE IsOfType(ID3D12ShaderReflectionType* type) override { return IsEqual(type); }
  HRESULT STDMETHODCALLTYPE ImplementsInterface(ID3D12ShaderReflectionType*) override { return S_FALSE; }

 private:
  bool valid_ = false;
  D3D12_SHADER_TYPE_DESC desc_{};
  std::string name_;
  std::vector<std::string> memberNames_;
  std::vector<std::unique_ptr<ReflectedType>> members_;
};

class ReflectedBuffer;

class ReflectedVariable final : public ID3D12ShaderReflectionVariable {
 public:
  ReflectedVariable() = default;
  ReflectedVariable(const SpirvEditor& module, uint32_t block, uint32_t member, UINT offset, ReflectedBuffer* buffer);

  HRESULT STDMETHODCALLTYPE GetDesc(D3D12_SHADER_VARIABLE_DESC* desc) override;
  ID3D12ShaderReflectionType* STDMETHODCALLTYPE GetType() override { return type_.get(); }
  ID3D12ShaderReflectionConstantBuffer* STDMETHODCALLTYPE GetBuffer() override;
  UINT STDMETHODCALLTYPE GetInterfaceSlot(UINT) override { return ~0u; }

  const std::string& Name() const { return name_; }

 private:
  bool valid_ = false;
  std::string name_;
  D3D12_SHADER_VARIABLE_DESC desc_{};
  std::unique_ptr<ReflectedType> type_ = std::make_unique<ReflectedType>();
  ReflectedBuffer* buffer_ = nullptr;
};

class ReflectedBuffer final : public ID3D12ShaderReflectionConstantBuffer {
 public:
  ReflectedBuffer() = default;
  ReflectedBuffer(const SpirvEditor& module, uint32_t block, std::string name);

  HRESULT STDMETHODCALLTYPE GetDesc(D3D12_SHADER_BUFFER_DESC* desc) override;
  ID3D12ShaderReflectionVariable* STDMETHODCALLTYPE GetVariableByIndex(UINT index) override;
  ID3D12ShaderReflectionVariable* STDMETHODCALLTYPE GetVariableByName(LPCSTR name) override;

  const std::string& Name() const { return name_; }
  // The variable called `name`, or null.
  ReflectedVariable* Find(const char* name);

 private:
  bool valid_ = false;
  std::string name_;
  D3D12_SHADER_BUFFER_DESC desc_{};
  std::vector<std::unique_ptr<ReflectedVariable>> variables_;
};

// The object D3D hands out for a missing variable: GetDesc fails.
ReflectedVariable* InvalidVariable();
ReflectedBuffer* InvalidBuffer();

}  // namespace d3dcompiler
