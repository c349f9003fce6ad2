#include "viewer/ModelViewer.h"

#include "anim/Animation.h"
#include "anim/ModelBounds.h"
#include "content/AssimpConversions.h"
#include "content/LoadLeftovers.h"
#include "content/MaterialTextures.h"
#include "content/ModelLoader.h"
#include "content/ViewerImportSteps.h"
#include "core/ConsoleOutput.h"
#include "core/PathText.h"
#include "render/DescriptorHeaps.h"
#include "render/FrameRecorder.h"
#include "render/Renderer.h"
#include "viewer/ViewerCamera.h"

#include <windows.h>

#include <heapapi.h>

#include <assimp/anim.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iomanip>
#include <sstream>
#include <utility>

namespace {

constexpr float FieldOfViewY = 0.785f;

// Half a degree per pixel of drag: a drag across the window turns the model about once.
constexpr float RadiansPerPixel = 0.5f * 0.017453292f;

// Where the row-vector matrix takes the point.
float3 Placed(const float4x4& m, float3 p) {
  return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
          p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
          p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}

float DistanceSquared(float3 a, float3 b) {
  const float3 d = a - b;
  return d.x * d.x + d.y * d.y + d.z * d.z;
}

}  // namespace

ModelViewer::ModelViewer(std::string modelPath) : modelPath_(std::move(modelPath)) {}

void ModelViewer::LoadScene(Renderer& renderer) {
  renderer_ = &renderer;
  pipelines_.Build(*renderer.Pipelines, renderer.Device);

  ModelLoader loader;
  loader.NormaliseWeights = true;
  loader.ReadVertexColours = true;
  loader.UseMaterialTexCoordSets = true;
  loader.KeepVerticesOfMorphedModels = true;
  // The viewer's own import steps, and each copy of a possibly big model freed as soon as the next is made.
  loader.Import = ImportViewedScene;
  loader.FreeCopiesEarly = true;
  Model model = renderer.ImportModel(loader, modelPath_);
  ReleaseUploadBuffers(model);
  const aiScene& scene = *model.Scene;
  materials_ = ReadMaterialLooks(scene);
  morphs_.Prepare(model, std::move(loader.KeptVertices));
  morphs_.CreateBuffer(renderer.Device, model);
  morphs_.Update(PlayedAnimation(model), 0.0f);

  Mesh mesh;
  mesh.AttachModel(std::move(model));
  mesh.ConstantSlot = 0;
  // The loader places every mesh relative to the root node; the root's own transformation (an axis
  // conversion, the author's turn of the whole model) places the model in the world.
  mesh.World = Transpose(FromAssimp(scene.mRootNode->mTransformation));
  const uint32_t firstTexture = renderer.AddTextures(DecodeMaterialImages(scene, modelPath_));
  for (size_t k = 0; k < mesh.DrawItems.size(); ++k) {
    const uint32_t material = mesh.Geometry.Submeshes[k].Material;
    if (material < scene.mNumMaterials) {
      mesh.DrawItems[k].TextureDescriptor = firstTexture + material;
    }
  }
  renderer.Meshes.push_back(std::move(mesh));
  Model& placed = renderer.Meshes.back().Geometry;
  WriteConsoleLine(DescribeViewedModel(modelPath_, placed));
  ShowSummary(renderer);
  morphs_.WidenBounds(placed, PlayedAnimation(placed));
  bounds_ = PlacedBox(AnimatedBounds(placed), FromAssimp(scene.mRootNode->mTransformation));
  // The heap pages the import and the uploads freed go back to the system before the first frame.
  HeapCompact(GetProcessHeap(), 0);
}

void ModelViewer::SetupCamera(Renderer& renderer) {
  const float aspect = static_cast<float>(renderer.Width) / static_cast<float>(renderer.Height);
  const ViewerFraming framing = FrameBounds(bounds_, FieldOfViewY, aspect);
  // OnResize keeps the planes; W, A, S, D step by the model's size.
  renderer.NearPlane = framing.NearPlane;
  renderer.FarPlane = framing.FarPlane;
  renderer.MoveStepScale = framing.MoveStepScale;
  renderer.Camera.SetProjection(FieldOfViewY, aspect, framing.NearPlane, framing.FarPlane);
  renderer.Camera.AimAt(framing.Eye, framing.Target, {0.0f, 1.0f, 0.0f});
  renderer.Camera.RebuildView();
  renderer.CameraChanged = true;
  orbitCentre_ = framing.Target;
}

void ModelViewer::ApplyOrbit(Renderer& renderer, const Orbit& orbit) {
  orbitCentre_ = orbit.Centre;
  renderer.Camera.AimAt(OrbitEye(orbit), orbit.Centre, {0.0f, 1.0f, 0.0f});
  renderer.CameraChanged = true;
}

void ModelViewer::OnMouseDrag(Renderer& renderer, WPARAM buttons, float dx, float dy) {
  Orbit orbit = OrbitThrough(renderer.Camera.Position, orbitCentre_);
  if ((buttons & MK_LBUTTON) != 0) {
    TurnOrbit(orbit, dx * RadiansPerPixel, dy * RadiansPerPixel);
  } else if ((buttons & (MK_RBUTTON | MK_MBUTTON)) != 0) {
    // A pixel at the centre's depth is this fraction of the distance: the model follows the cursor.
    const float perPixel = 2.0f * std::tan(0.5f * FieldOfViewY) / static_cast<float>(std::max(renderer.Height, 1));
    PanOrbit(orbit, renderer.Camera.Right, renderer.Camera.Up, -dx * perPixel, dy * perPixel);
  } else {
    return;
  }
  ApplyOrbit(renderer, orbit);
}

void ModelViewer::StepAnimation(Renderer& renderer, int step) {
  if (renderer.Meshes.empty()) {
    return;
  }
  Model& model = renderer.Meshes.front().Geometry;
  const auto count = static_cast<int>(model.Scene->mNumAnimations);
  if (count < 2) {
    return;
  }
  const int index = ((static_cast<int>(model.AnimationIndex) + step) % count + count) % count;
  SelectAnimation(model, static_cast<uint32_t>(index));
  morphs_.SelectAnimation(model);
  clockSeconds_ = 0.0;
  WriteConsoleLine("Playing " + DescribeAnimation(model));
  ShowSummary(renderer);
}

void ModelViewer::ShowSummary(Renderer& renderer) {
  if (renderer.TextLabels.empty() || renderer.Meshes.empty()) {
    return;
  }
  // In the upper left corner, only as large as the text, so that it hides little of the model.
  TextLabel& label = renderer.TextLabels.front();
  label.FitsText = true;
  label.X = 0.0f;
  label.Y = 0.0f;
  label.SetText(WideFromUtf8(ModelSummary(modelPath_, renderer.Meshes.front())));
}

void ModelViewer::OnWheel(Renderer& renderer, float notches) {
  Orbit orbit = OrbitThrough(renderer.Camera.Position, orbitCentre_);
  ZoomOrbit(orbit, notches);
  ApplyOrbit(renderer, orbit);
}

bool ModelViewer::OnKey(Renderer& renderer, WPARAM virtualKey) {
  switch (virtualKey) {
    case 'R':
    case VK_HOME:
      SetupCamera(renderer);
      return true;
    case VK_SPACE:
      paused_ = !paused_;
      return true;
    case 'N':
    case 'P':
      StepAnimation(renderer, virtualKey == 'N' ? 1 : -1);
      return true;
    default:
      return false;
  }
}

void ModelViewer::Animate(Renderer& renderer, const FrameTimer& timer) {
  if (renderer.Meshes.empty()) {
    return;
  }
  const double frameSeconds = PreviousFrameSeconds(timer);
  if (!paused_) {
    clockSeconds_ += frameSeconds - lastFrameSeconds_;
  }
  lastFrameSeconds_ = frameSeconds;
  const FrameTimer clock = TimerAtPreviousFrame(clockSeconds_);
  Mesh& mesh = renderer.Meshes.front();
  UpdateAnimation(mesh.Geometry, clock, renderer.BonePalette);
  FollowAnimatedNodes(mesh);
  if (!morphs_.Empty()) {
    const aiAnimation* animation = PlayedAnimation(mesh.Geometry);
    morphs_.Update(animation, animation != nullptr ? AnimationTicks(*animation, PreviousFrameSeconds(clock)) : 0.0f);
  }
}

void ModelViewer::RecordMeshes(FrameRecorder& recorder) {
  const Renderer& renderer = *renderer_;
  ID3D12GraphicsCommandList* list = recorder.List();
  ID3D12DescriptorHeap* heaps[] = {renderer.Heaps->CbvSrvUavHeap, pipelines_.SamplerHeap};
  list->SetDescriptorHeaps(2, heaps);
  list->SetGraphicsRootSignature(pipelines_.RootSignature);
  list->SetGraphicsRootDescriptorTable(ViewerPassTable, recorder.Descriptor(recorder.Layout().PassIndex()));
  list->SetGraphicsRootDescriptorTable(ViewerBoneTable, recorder.Descriptor(recorder.Layout().BoneIndex()));
  list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  // Blended surfaces go last, over every opaque one, and without writing depth.
  for (const bool blended : {false, true}) {
    for (const Mesh& mesh : renderer.Meshes) {
      RecordItems(recorder, renderer, mesh, blended);
    }
  }
}

void ModelViewer::RecordItems(FrameRecorder& recorder, const Renderer& renderer, const Mesh& mesh, bool blended) {
  const Model& model = mesh.Geometry;
  if (model.VertexBuffer == nullptr || model.IndexBuffer == nullptr) {
    return;
  }
  const auto lookOf = [&](size_t k) {
    const uint32_t material = k < model.Submeshes.size() ? model.Submeshes[k].Material : 0;
    return material < materials_.size() ? materials_[material] : MaterialLook();
  };
  std::vector<size_t> items;
  for (size_t k = 0; k < mesh.DrawItems.size(); ++k) {
    if ((lookOf(k).Alpha == AlphaMode::Blend) == blended) {
      items.push_back(k);
    }
  }
  if (items.empty()) {
    return;
  }
  if (blended) {
    // Back to front by the distance of each item's centre from the eye.
    std::vector<float> distance(mesh.DrawItems.size(), 0.0f);
    for (const size_t k : items) {
      const BoundingBox& box = model.Submeshes[k].LocalBounds;
      const float3 centre = box.Empty() ? float3{0.0f, 0.0f, 0.0f} : 0.5f * (box.Min + box.Max);
      distance[k] =
          DistanceSquared(Placed(Multiply(mesh.DrawItems[k].Transform, mesh.World), centre), renderer.Camera.Position);
    }
    std::stable_sort(items.begin(), items.end(), [&](size_t a, size_t b) { return distance[a] > distance[b]; });
  }
  ID3D12GraphicsCommandList* list = recorder.List();
  const D3D12_VERTEX_BUFFER_VIEW vertices = {model.VertexBuffer->GetGPUVirtualAddress(), model.VertexBufferSize,
                                             model.VertexStride};
  const D3D12_INDEX_BUFFER_VIEW indices = {model.IndexBuffer->GetGPUVirtualAddress(), model.IndexBufferSize,
                                           model.IndexFormat};
  list->IASetVertexBuffers(0, 1, &vertices);
  list->IASetIndexBuffer(&indices);
  for (const size_t k : items) {
    const DrawItem& item = mesh.DrawItems[k];
    const MaterialLook look = lookOf(k);
    const MaterialConstants constants = ConstantsOf(look);
    const uint32_t slot = static_cast<uint32_t>(mesh.ConstantSlot) + static_cast<uint32_t>(k);
    list->SetPipelineState(pipelines_.For(look));
    list->SetGraphicsRootDescriptorTable(ViewerObjectTable, recorder.Descriptor(recorder.Layout().ObjectIndex(slot)));
    list->SetGraphicsRootDescriptorTable(ViewerTextureTable, recorder.Descriptor(item.TextureDescriptor));
    list->SetGraphicsRootDescriptorTable(ViewerSamplerTable, pipelines_.Sampler(look));
    list->SetGraphicsRoot32BitConstants(ViewerMaterialConstants, MaterialConstantCount, &constants, 0);
    list->DrawIndexedInstanced(item.IndexCount, 1, item.FirstIndex, item.BaseVertex, 0);
  }
}

std::string DescribeAnimation(const Model& model) {
  const aiAnimation* animation = PlayedAnimation(model);
  if (animation == nullptr) {
    return "no animation";
  }
  const double ticksPerSecond = animation->mTicksPerSecond != 0.0 ? animation->mTicksPerSecond : 25.0;
  std::ostringstream line;
  line << "animation \"" << animation->mName.C_Str() << "\" of " << std::fixed << std::setprecision(2)
       << animation->mDuration / ticksPerSecond << " s";
  if (model.Scene->mNumAnimations > 1) {
    line << " (" << model.AnimationIndex + 1 << " of " << model.Scene->mNumAnimations << ")";
  }
  return line.str();
}

std::string ModelSummary(const std::string& path, const Mesh& mesh) {
  uint64_t triangles = 0;
  for (const DrawItem& item : mesh.DrawItems) {
    triangles += item.IndexCount / 3;
  }
  std::ostringstream text;
  text << Utf8Of(PathFromUtf8(path).filename()) << "\r" << mesh.DrawItems.size()
       << (mesh.DrawItems.size() == 1 ? " draw item, " : " draw items, ") << triangles
       << (triangles == 1 ? " triangle, " : " triangles, ") << mesh.Geometry.BoneCount
       << (mesh.Geometry.BoneCount == 1 ? " bone" : " bones") << "\r" << DescribeAnimation(mesh.Geometry);
  return text.str();
}

std::string DescribeViewedModel(const std::string& path, const Model& model) {
  std::ostringstream line;
  line << "Viewing " << Utf8Of(PathFromUtf8(path).filename()) << ": " << model.Submeshes.size()
       << (model.Submeshes.size() == 1 ? " mesh, " : " meshes, ") << model.BoneCount
       << (model.BoneCount == 1 ? " bone, " : " bones, ");
  const aiScene& scene = *model.Scene;
  if (scene.mNumAnimations == 0 || scene.mAnimations == nullptr || scene.mAnimations[0] == nullptr) {
    line << "no animation";
    return line.str();
  }
  const aiAnimation& animation = *scene.mAnimations[0];
  const double ticksPerSecond = animation.mTicksPerSecond != 0.0 ? animation.mTicksPerSecond : 25.0;
  line << "animation \"" << animation.mName.C_Str() << "\" of " << std::fixed << std::setprecision(2)
       << animation.mDuration / ticksPerSecond << " s";
  if (scene.mNumAnimations > 1) {
    line << " (the first of " << scene.mNumAnimations << ")";
  }
  return line.str();
}
