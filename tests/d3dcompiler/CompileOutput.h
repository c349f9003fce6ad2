// What a compile hands back, gathered for the tests: the result, the SPIR-V words and the error text, and the
// messages spirv-val has for the words. Both suites check blobs the same way, so they read them here.
#pragma once

#include <d3dcompiler.h>

#include <gtest/gtest.h>
#include <spirv-tools/libspirv.hpp>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct Compiled {
  HRESULT Result = E_FAIL;
  std::vector<uint32_t> Words;
  std::string Errors;
};

// Takes ownership of both blobs; the code must be whole words and the error text null-terminated, as
// D3DCompile hands them out.
inline Compiled Collect(HRESULT result, ID3DBlob* code, ID3DBlob* errors) {
  Compiled compiled{result, {}, {}};
  if (code != nullptr) {
    EXPECT_EQ(code->GetBufferSize() % 4, 0u);
    compiled.Words.resize(code->GetBufferSize() / 4);
    std::memcpy(compiled.Words.data(), code->GetBufferPointer(), code->GetBufferSize());
    code->Release();
  }
  if (errors != nullptr) {
    const char* text = static_cast<const char*>(errors->GetBufferPointer());
    EXPECT_EQ(text[errors->GetBufferSize() - 1], '\0') << "error text must be null-terminated";
    compiled.Errors = text;
    errors->Release();
  }
  return compiled;
}

// Everything the Vulkan 1.3 validator says about `words`, a line a message; empty when they validate. Constant
// buffers are packed by HLSL's rules, which the device reads with scalar block layout.
inline std::string ValidationMessages(const std::vector<uint32_t>& words) {
  spvtools::SpirvTools tools(SPV_ENV_VULKAN_1_3);
  std::string messages;
  tools.SetMessageConsumer([&](spv_message_level_t, const char*, const spv_position_t&, const char* message) {
    messages += std::string(message) + "\n";
  });
  spvtools::ValidatorOptions options;
  options.SetScalarBlockLayout(true);
  tools.Validate(words.data(), words.size(), options);
  return messages;
}
