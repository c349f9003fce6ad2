// Reads the includes of every engine source and checks them against the layering: a folder may include
// itself and the folders below it, never one above it, no engine file names a platform header by path
// or a library the platform layer is built on, and only core/Direct3D12.h includes the Direct3D, DXGI and
// shader-compiler headers (the mingw-w64 build needs them in its order, with its identifiers).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Split(const std::string& list) {
  std::vector<std::string> items;
  std::stringstream stream(list);
  for (std::string item; std::getline(stream, item, ',');) items.push_back(item);
  return items;
}

// "<file>: includes <header>" for every include that breaks the rule, in a stable order.
std::vector<std::string> LayeringViolations(const fs::path& root, const std::vector<std::string>& layers) {
  static const std::regex include(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])");
  static const std::vector<std::string> platformOnly = {"platform/", "SDL", "vulkan/", "shaderc/", "png.h"};
  static const std::vector<std::string> direct3D = {"d3d12",     "d3dx12",   "dxgi",    "d3dcompiler",
                                                    "d3dcommon", "directx/", "dxguids/"};
  const auto startsWithAny = [](const std::string& header, const std::vector<std::string>& prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&](const std::string& prefix) { return header.rfind(prefix, 0) == 0; });
  };
  std::vector<std::string> violations;
  for (size_t rank = 0; rank < layers.size(); ++rank) {
    const fs::path folder = root / layers[rank];
    if (!fs::is_directory(folder)) continue;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
      const std::string extension = entry.path().extension().string();
      if (extension != ".h" && extension != ".cpp") continue;
      std::ifstream file(entry.path());
      const std::string name = fs::relative(entry.path(), root).generic_string();
      for (std::string line; std::getline(file, line);) {
        std::smatch match;
        if (!std::regex_search(line, match, include)) continue;
        const std::string header = match[1];
        const auto above = std::find_if(layers.begin() + rank + 1, layers.end(),
                                        [&](const std::string& layer) { return header.rfind(layer + "/", 0) == 0; });
        const bool platform = startsWithAny(header, platformOnly);
        const bool direct3DBypassed = name != "core/Direct3D12.h" && startsWithAny(header, direct3D);
        if (above != layers.end() || platform || direct3DBypassed) violations.push_back(name + ": includes " + header);
      }
    }
  }
  std::sort(violations.begin(), violations.end());
  return violations;
}

void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

TEST(Layering, NoEngineFolderIncludesOneAboveItOrThePlatformsInsides) {
  const std::vector<std::string> violations = LayeringViolations(ENGINE_SOURCE_DIR, Split(ENGINE_LAYERS));
  std::string list;
  for (const std::string& violation : violations) list += "\n  " + violation;
  EXPECT_TRUE(violations.empty()) << "includes against the layering:" << list;
}

TEST(Layering, EveryEngineFolderHasItsPlaceInTheLayering) {
  const std::vector<std::string> layers = Split(ENGINE_LAYERS);
  const std::vector<std::string> notEngine = {"assets", "Shaders"};
  for (const fs::directory_entry& entry : fs::directory_iterator(ENGINE_SOURCE_DIR)) {
    const std::string folder = entry.path().filename().string();
    if (!entry.is_directory() || folder.front() == '.' || folder.rfind("build", 0) == 0) continue;
    if (std::find(notEngine.begin(), notEngine.end(), folder) != notEngine.end()) continue;
    const bool hasSources =
        std::any_of(fs::recursive_directory_iterator(entry.path()), fs::recursive_directory_iterator(),
                    [](const fs::directory_entry& file) { return file.path().extension() == ".cpp"; });
    if (hasSources) {
      EXPECT_NE(std::find(layers.begin(), layers.end(), folder), layers.end())
          << folder << "/ holds engine sources but has no place in ENGINE_SUBSYSTEMS";
    }
  }
}

// The check itself, on a small tree: downward and sideways-below includes pass, upward ones, platform
// headers and Direct3D headers outside core/Direct3D12.h are reported with the file that has them.
TEST(Layering, TheCheckFindsUpwardPlatformAndDirect3DIncludes) {
  const fs::path root =
      fs::temp_directory_path() / ("layering_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::remove_all(root);
  WriteFile(root / "core/Log.h", "#include <string>\n");
  WriteFile(root / "core/Direct3D12.h", "#include <directx/d3d12.h>\n#include <dxguids/dxguids.h>\n");
  WriteFile(root / "render/Frame.cpp", "#include \"core/Direct3D12.h\"\n#include \"d3dx12.h\"\n#include <dxgi1_4.h>\n");
  WriteFile(root / "math/Vector.h", "#include \"core/Log.h\"\n");
  WriteFile(root / "render/Renderer.cpp", "#include \"math/Vector.h\"\n  #  include \"app/Run.h\"\n");
  WriteFile(root / "app/Run.cpp", "#include \"render/Renderer.h\"\n#include <SDL.h>\n");
  WriteFile(root / "math/Matrix.h",
            "// #include \"render/Renderer.h\" is only a comment\n#include \"math/Vector.h\"\n");
  const std::vector<std::string> violations = LayeringViolations(root, {"core", "math", "render", "app"});
  fs::remove_all(root);
  EXPECT_EQ(violations, (std::vector<std::string>{"app/Run.cpp: includes SDL.h", "render/Frame.cpp: includes d3dx12.h",
                                                  "render/Frame.cpp: includes dxgi1_4.h",
                                                  "render/Renderer.cpp: includes app/Run.h"}));
}

}  // namespace
