// preview_model: draws the imported, posed and skinned model from the engine's camera at the given
// animation times and writes the pictures side by side into one PNG, to look at before the engine can.
//
//   preview_model <model file> <texture.png | -> <out.png> [--side] <seconds> [<seconds> ...]
//
// --side looks from the character's left (+X) instead of from the engine's camera at (0, 0, -4).

#include "AnimationSampler.h"
#include "ModelImport.h"
#include "PngImage.h"
#include "PreviewRenderer.h"
#include "SkinnedModel.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr unsigned kWidth = 800;  // the engine's client area
constexpr unsigned kHeight = 600;

void Paste(const RgbaImage& frame, unsigned column, RgbaImage& sheet) {
  for (unsigned y = 0; y < frame.Height; ++y) {
    std::memcpy(sheet.At(column * frame.Width, y), frame.At(0, y), frame.Width * 4);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: preview_model <model file> <texture.png | -> <out.png> [--side] <seconds>...\n");
    return 2;
  }
  const std::string texturePath = argv[2], outPath = argv[3];
  int next = 4;
  const bool side = std::strcmp(argv[next], "--side") == 0;
  next += side ? 1 : 0;
  std::vector<double> times;
  for (; next < argc; ++next) {
    char* end = nullptr;
    times.push_back(std::strtod(argv[next], &end));
    if (end == argv[next] || *end != '\0') {
      std::fprintf(stderr, "preview_model: '%s' is not a time in seconds\n", argv[next]);
      return 2;
    }
  }
  if (times.empty()) {
    std::fprintf(stderr, "preview_model: give at least one time in seconds\n");
    return 2;
  }

  const ScenePtr scene = ImportLikeEngine(argv[1]);
  if (!scene) {
    return 1;
  }
  RgbaImage texture;
  const bool textured = texturePath != "-";
  if (textured && !ReadPng(texturePath, texture)) {
    return 1;
  }
  const SkinnedModel model = FlattenScene(*scene);
  const AnimationSampler sampler(*scene, model);
  const PreviewCamera camera = side ? SideCamera() : EngineCamera();

  RgbaImage sheet;
  sheet.Width = kWidth * static_cast<unsigned>(times.size());
  sheet.Height = kHeight;
  sheet.Pixels.resize(static_cast<std::size_t>(sheet.Width) * sheet.Height * 4);
  for (std::size_t i = 0; i < times.size(); ++i) {
    PreviewRenderer renderer(kWidth, kHeight);
    renderer.Clear(camera);
    renderer.DrawModel(model, sampler.SkinMatrices(times[i]), textured ? &texture : nullptr, camera);
    Paste(renderer.Image(), static_cast<unsigned>(i), sheet);
    std::printf("t = %.3f s: %u triangles face the camera, %u of them would be culled by their winding\n", times[i],
                renderer.Culling().FacingCamera, renderer.Culling().FacingButCulled);
  }
  if (!WritePng(outPath, sheet)) {
    return 1;
  }
  std::printf("wrote %s\n", outPath.c_str());
  return 0;
}
