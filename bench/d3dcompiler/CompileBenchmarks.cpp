// What one D3DCompile of the engine's shaders costs, compiled inside the program and in the compile helper
// process. Run as is, nothing is cached, so every call compiles; with D3DCOMPILER_CACHE=<folder> every call
// after the first is answered from the cache, which gives the cost of a hit. The first compile of a process
// (the front end's set-up, and the helper's start) shows in the engine's start-up (frame_bench).
#include <d3dcompiler.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

// Before the first compile, which fixes the cache folder for the process.
const bool CacheChosen = setenv("D3DCOMPILER_CACHE", "off", 0) == 0;

struct Shader {
  const char* File;
  const char* Target;
};
// The last one is hardly any work for the front end: what its two ways cost apart is the cost of the trip.
constexpr Shader Shaders[] = {{"objVS.hlsl", "vs_5_0"}, {"objPS.hlsl", "ps_5_0"}, {"one-line", "ps_5_0"}};

std::string Read(const char* file) {
  if (std::string(file) == "one-line") return "float4 main() : SV_Target { return 1; }";
  std::ifstream stream(std::string(ENGINE_SHADERS_DIR) + "/" + file, std::ios::binary);
  return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

// Arguments: the shader (0 vertex, 1 pixel, 2 one line), and 1 to compile in the helper or 0 inside the program.
void BM_Compile(benchmark::State& state) {
  const Shader& shader = Shaders[state.range(0)];
  const std::string source = Read(shader.File);
  setenv("D3DCOMPILER_ISOLATION", state.range(1) != 0 ? "1" : "0", 1);
  for (auto _ : state) {
    ID3DBlob* code = nullptr;
    const HRESULT result = D3DCompile(source.data(), source.size(), shader.File, nullptr, nullptr, "main",
                                      shader.Target, D3DCOMPILE_DEBUG, 0, &code, nullptr);
    if (FAILED(result)) {
      state.SkipWithError("the shader did not compile");
      break;
    }
    code->Release();
  }
  state.SetLabel(std::string(shader.File) + (state.range(1) != 0 ? ", in the helper" : ", in the program") +
                 (CacheChosen && std::string(std::getenv("D3DCOMPILER_CACHE")) == "off" ? "" : ", cached"));
}
BENCHMARK(BM_Compile)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMillisecond);

}  // namespace
