// D3DCompile runs the front end in a helper process and keeps what it compiled on disk: sources that crash
// the front end fail the call and leave the program running, and a cached result is used only while the
// files it included are unchanged.
#include "CompileOutput.h"

#include <d3dcompiler.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace {

using ::testing::HasSubstr;

// The suite's compiled shaders go to a folder of its own rather than the user's cache; set before any compile.
const std::filesystem::path CacheFolder = [] {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("d3dcompiler-tests-cache-" + std::to_string(getuid()));
  setenv("D3DCOMPILER_CACHE", folder.c_str(), 1);
  return folder;
}();

Compiled CompileText(const std::string& source, const char* target, const char* name = "crash.hlsl") {
  ID3DBlob* code = nullptr;
  ID3DBlob* errors = nullptr;
  const HRESULT result = D3DCompile(source.data(), source.size(), name, nullptr, D3D_COMPILE_STANDARD_FILE_INCLUDE,
                                    "main", target, 0, 0, &code, &errors);
  return Collect(result, code, errors);
}

// Sources that once ended the process in the front end. Those the Windows compiler refuses must fail; the
// others may compile or fail, but each call returns, and the next compile works.
TEST(CompileIsolation, SourcesThatCrashTheFrontEndFailTheCallOnly) {
  const struct {
    const char* source;
    bool windowsRefuses;
  } cases[] = {
      {"[numthreads] float4 main() : SV_Target { return 1; }", true},
      {"float a = 1; int a = 2; float4 main() : SV_Target { return a; }", true},
      {"float4 main(float4 d : COLOR) : SV_Target { float4 q = mul((float1)d.x, (float4x4)0); return q; }", true},
      {"float4 main() : SV_Target { return GetRenderTargetSampleCount(); }", false},
      {"struct S { string s; }; float4 main(float4 p : SV_Position, S s = {\"x\"}) : SV_Target { return 1; }", true},
      {"float4 main(float4 p : SV_Position, string s = \"abc\") : SV_Target { return 1; }", true},
      {"float4 main(int i : I) : SV_Target { int j = i; switch (i) { case j: return 1; } return 0; }", true},
      {"float4 main() : SV_Target { return -2147483648 / -1 + (int)0x80000000 % -1; }", false},
  };
  for (const auto& shader : cases) {
    SCOPED_TRACE(shader.source);
    const Compiled compiled = CompileText(shader.source, "ps_5_0");
    if (FAILED(compiled.Result)) {
      EXPECT_TRUE(compiled.Words.empty());
      EXPECT_THAT(compiled.Errors, HasSubstr("crash.hlsl"));
    } else {
      EXPECT_FALSE(shader.windowsRefuses) << "compiled what the Windows compiler refuses";
      EXPECT_EQ(ValidationMessages(compiled.Words), "");
    }
    const Compiled next = CompileText("float4 main() : SV_Target { return 0.5; }", "ps_5_0", "next.hlsl");
    EXPECT_EQ(next.Result, S_OK) << next.Errors;
  }
  const Compiled crashed = CompileText(cases[2].source, "ps_5_0");
  EXPECT_EQ(crashed.Result, E_FAIL);
  EXPECT_THAT(crashed.Errors, HasSubstr("crash.hlsl: error: the HLSL compiler crashed on this source"));
}

std::set<std::filesystem::path> CacheEntries() {
  std::set<std::filesystem::path> entries;
  std::error_code missing;
  for (const auto& entry : std::filesystem::directory_iterator(CacheFolder, missing)) entries.insert(entry.path());
  return entries;
}

TEST(CompileIsolation, CachedCodeIsReusedUntilAnIncludedFileChanges) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("cache-test-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "part.hlsli") << "float Part() { return 1; }\n";
  // A source no earlier run has cached.
  const std::string nonce = std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  std::ofstream(folder / "user.hlsl") << "// " << nonce << "\n#include \"part.hlsli\"\n"
                                      << "float4 main() : SV_Target { return Part(); }\n";
  const std::wstring file = (folder / "user.hlsl").wstring();
  auto compile = [&file] {
    ID3DBlob* code = nullptr;
    ID3DBlob* errors = nullptr;
    const HRESULT result = D3DCompileFromFile(file.c_str(), nullptr, D3D_COMPILE_STANDARD_FILE_INCLUDE, "main",
                                              "ps_5_0", 0, 0, &code, &errors);
    return Collect(result, code, errors);
  };

  const std::set<std::filesystem::path> before = CacheEntries();
  const Compiled first = compile();
  ASSERT_EQ(first.Result, S_OK) << first.Errors;
  std::set<std::filesystem::path> added = CacheEntries();
  for (const auto& entry : before) added.erase(entry);
  ASSERT_EQ(added.size(), 1u) << "one new entry in " << CacheFolder;

  // The entry ends with the code; a marked last word shows where the second compile's code came from.
  constexpr uint32_t Marker = 0x5eed5eed;
  {
    std::fstream entry(*added.begin(), std::ios::binary | std::ios::in | std::ios::out);
    entry.seekp(-4, std::ios::end);
    entry.write(reinterpret_cast<const char*>(&Marker), 4);
  }
  const Compiled second = compile();
  ASSERT_EQ(second.Result, S_OK) << second.Errors;
  EXPECT_EQ(second.Words.back(), Marker) << "the second compile did not come from the cache";

  std::ofstream(folder / "part.hlsli") << "float Part() { return 2; }\n";
  const Compiled changed = compile();
  ASSERT_EQ(changed.Result, S_OK) << changed.Errors;
  EXPECT_NE(changed.Words.back(), Marker) << "a changed include must be compiled again";
  EXPECT_EQ(ValidationMessages(changed.Words), "");
  std::filesystem::remove_all(folder);
}

// The helper outlives the working folder it started in; relative names follow the program's.
TEST(CompileIsolation, RelativeNamesFollowTheProgramsWorkingFolder) {
  const std::filesystem::path root = std::filesystem::temp_directory_path() / ("folders-" + std::to_string(getpid()));
  for (const char* folder : {"good", "bad"}) {
    std::filesystem::create_directories(root / folder);
    std::ofstream(root / folder / "part.hlsli") << (folder == std::string("good") ? "float Part() { return 1; }\n"
                                                                                  : "float Part() { return oops; }\n");
  }
  const std::filesystem::path before = std::filesystem::current_path();
  const std::string source = "#include \"part.hlsli\"\nfloat4 main() : SV_Target { return Part(); }\n";
  std::filesystem::current_path(root / "good");
  EXPECT_EQ(CompileText(source, "ps_5_0", "shader.hlsl").Result, S_OK);
  std::filesystem::current_path(root / "bad");
  const Compiled bad = CompileText(source, "ps_5_0", "shader.hlsl");
  EXPECT_EQ(bad.Result, E_FAIL);
  EXPECT_THAT(bad.Errors, HasSubstr("part.hlsli:1: error"));
  std::filesystem::current_path(before);
  std::filesystem::remove_all(root);
}

}  // namespace
