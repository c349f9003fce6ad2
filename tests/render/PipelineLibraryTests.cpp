// The pipeline library built from the real shader files, and what happens when one of them is broken.
#include "support/RendererFixture.h"

#include "content/InputLayouts.h"
#include "render/PipelineLibrary.h"
#include "render/ShaderCompileError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include <filesystem>
#include <string>

using testing::HasSubstr;
using testing::StartsWith;

namespace {

class PipelineLibraryTest : public RendererFixture {
 protected:
  PipelineLibraryTest() {
    library.FontInputElements.assign(FontInputLayout.begin(), FontInputLayout.end());
    library.ModelInputElements.assign(ModelInputLayout.begin(), ModelInputLayout.end());
  }

  // The message start-up would stop with, or "" when every shader compiled.
  std::string BuildShadersFailure() {
    try {
      library.BuildShaders();
    } catch (const ShaderCompileError& error) {
      return error.what();
    }
    return "";
  }

  PipelineLibrary library;
};

TEST_F(PipelineLibraryTest, BuildsEveryShaderRootSignatureAndPipelineStateByName) {
  ASSERT_NE(library.Device, nullptr);
  library.BuildShaders();
  library.BuildRootSignatures();
  library.BuildPipelineStates();

  for (const char* shader : {"FontVS", "FontPS", "SkinnedVS", "SkinnedPS", "ObjVS", "ObjPS"}) {
    ASSERT_NE(library.Shaders[shader], nullptr) << shader;
    EXPECT_GT(library.Shaders[shader]->GetBufferSize(), 0u) << shader;
  }
  // One file, one program: the object shader skins whether or not the macro is set, so "object" and
  // "skinned" draw the same picture.
  ID3DBlob* skinned = library.Shaders["SkinnedVS"];
  ID3DBlob* object = library.Shaders["ObjVS"];
  ASSERT_EQ(skinned->GetBufferSize(), object->GetBufferSize());
  EXPECT_EQ(std::memcmp(skinned->GetBufferPointer(), object->GetBufferPointer(), object->GetBufferSize()), 0);
  EXPECT_NE(library.GetRootSignature("font"), nullptr);
  EXPECT_NE(library.GetRootSignature("object"), nullptr);
  for (const char* state : {"default", "object", "skinned"}) {
    EXPECT_NE(library.GetPipelineState(state), nullptr) << state;
  }

  // A name never built is entered with null, and found as that null entry the next time.
  EXPECT_EQ(library.GetPipelineState("wireframe"), nullptr);
  EXPECT_EQ(library.PipelineStates.count("wireframe"), 1u);
  EXPECT_EQ(library.GetPipelineState("wireframe"), nullptr);
  EXPECT_EQ(library.GetRootSignature("shadow"), nullptr);
  EXPECT_EQ(library.RootSignatures.count("shadow"), 1u);
}

TEST_F(PipelineLibraryTest, ABrokenOrMissingShaderStopsWithTheCompilersFileAndLine) {
  folder->WriteFile("Shaders/objPS.hlsl",
                    "// a pixel shader with a typo\n"
                    "float4 main() : SV_TARGET\n"
                    "{ return float4(1.0f, 0.0f, 0.0f, 1.0f) }\n");
  const std::string typo = BuildShadersFailure();
  EXPECT_THAT(typo, StartsWith("Shaders/objPS.hlsl:3:"));
  EXPECT_THAT(typo, HasSubstr("error"));
  EXPECT_EQ(typo.find('\n'), std::string::npos);
  EXPECT_EQ(library.Shaders.count("SkinnedPS"), 0u);  // no pipeline can be built from it

  std::filesystem::remove("Shaders/FontVS.hlsl");
  EXPECT_THAT(BuildShadersFailure(), StartsWith("Shaders/FontVS.hlsl"));
}

}  // namespace
