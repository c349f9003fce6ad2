// check_model: imports a model with the engine's flag word and reports what the engine will find in it:
// meshes, bones, the animation, bounding boxes, weights and indices, and whether the character stands up
// and faces the engine's camera. Exits with 1 when a requirement of the engine is not met.
//
//   check_model assets/char.fbx [--nodes]

#include "AnimationSampler.h"
#include "ModelImport.h"
#include "SkinnedModel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr unsigned kMaxBones = 96;
constexpr unsigned kMaxVerticesPerMesh = 65536;

struct Box {
  aiVector3D Min{std::numeric_limits<float>::max()};
  aiVector3D Max{-std::numeric_limits<float>::max()};

  void Add(const aiVector3D& p) {
    Min = aiVector3D(std::min(Min.x, p.x), std::min(Min.y, p.y), std::min(Min.z, p.z));
    Max = aiVector3D(std::max(Max.x, p.x), std::max(Max.y, p.y), std::max(Max.z, p.z));
  }
  void Print(const char* label) const {
    std::printf("%-34s x %7.3f .. %6.3f   y %7.3f .. %6.3f   z %7.3f .. %6.3f   (height %.3f)\n", label, Min.x, Max.x,
                Min.y, Max.y, Min.z, Max.z, Max.y - Min.y);
  }
};

class Verdict {
 public:
  void Require(bool ok, const std::string& what) {
    std::printf("  [%s] %s\n", ok ? " ok " : "FAIL", what.c_str());
    Failed |= !ok;
  }
  bool Failed = false;
};

std::string Format(const char* format, double a, double b = 0, double c = 0) {
  char text[256];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

void PrintNodes(const aiNode& node, int depth) {
  std::printf("  %*s%s%s\n", depth * 2, "", node.mName.C_Str(), node.mNumMeshes > 0 ? "  (meshes)" : "");
  for (unsigned c = 0; c < node.mNumChildren; ++c) {
    PrintNodes(*node.mChildren[c], depth + 1);
  }
}

void CollectNodeBox(const aiScene& scene, const aiNode& node, const aiMatrix4x4& parent, Box& box) {
  const aiMatrix4x4 global = parent * node.mTransformation;
  for (unsigned i = 0; i < node.mNumMeshes; ++i) {
    const aiMesh& mesh = *scene.mMeshes[node.mMeshes[i]];
    for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
      box.Add(global * mesh.mVertices[v]);
    }
  }
  for (unsigned c = 0; c < node.mNumChildren; ++c) {
    CollectNodeBox(scene, *node.mChildren[c], global, box);
  }
}

Box SkinnedBox(const SkinnedModel& model, const std::vector<aiMatrix4x4>& palette) {
  Box box;
  for (const ToolVertex& vertex : model.Vertices) {
    aiVector3D p;
    for (int slot = 0; slot < 4; ++slot) {
      if (vertex.BoneWeights[slot] != 0.0f) {
        p += vertex.BoneWeights[slot] * (palette[vertex.BoneIndices[slot]] * vertex.Position);
      }
    }
    box.Add(p);
  }
  return box;
}

void ReportMeshes(const aiScene& scene, Verdict& verdict) {
  std::printf("Meshes: %u\n", scene.mNumMeshes);
  unsigned triangles = 0;
  for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
    const aiMesh& mesh = *scene.mMeshes[m];
    std::printf("  %u '%s': %u vertices, %u triangles, %u bones, normals %s, uv0 %s, material %u\n", m,
                mesh.mName.C_Str(), mesh.mNumVertices, mesh.mNumFaces, mesh.mNumBones, mesh.HasNormals() ? "yes" : "no",
                mesh.HasTextureCoords(0) ? "yes" : "no", mesh.mMaterialIndex);
    triangles += mesh.mNumFaces;
    verdict.Require(mesh.mPrimitiveTypes == aiPrimitiveType_TRIANGLE, "triangles only");
    verdict.Require(mesh.mNumVertices <= kMaxVerticesPerMesh, "at most 65,536 vertices");
  }
  std::printf("  total %u triangles\n", triangles);
  verdict.Require(scene.mNumMeshes >= 2, "at least two meshes (submeshes and base vertices exercised)");
}

void ReportBones(const SkinnedModel& model, Verdict& verdict) {
  std::vector<std::string> names(model.OffsetMatrices.size());
  for (const auto& [name, index] : model.BoneIndexByName) {
    names[index] = name;
  }
  std::printf("Bones: %zu\n ", names.size());
  for (const std::string& name : names) {
    std::printf(" %s", name.c_str());
  }
  std::printf("\n");
  verdict.Require(names.size() <= kMaxBones, "at most 96 bones");
}

void ReportWeightsAndIndices(const SkinnedModel& model, Verdict& verdict) {
  if (model.Vertices.empty()) {
    verdict.Require(false, "the model has vertices");
    return;
  }
  float lowest = std::numeric_limits<float>::max(), highest = 0;
  unsigned offSum = 0, influenceHistogram[5] = {};
  for (const ToolVertex& vertex : model.Vertices) {
    float sum = 0;
    int used = 0;
    for (int slot = 0; slot < 4; ++slot) {
      sum += vertex.BoneWeights[slot];
      used += vertex.BoneWeights[slot] != 0.0f ? 1 : 0;
    }
    lowest = std::min(lowest, sum), highest = std::max(highest, sum);
    offSum += std::fabs(sum - 1.0f) > 0.01f ? 1 : 0;
    ++influenceHistogram[used];
  }
  std::printf("Weights: sum per vertex %.4f .. %.4f; vertices by influences 0:%u 1:%u 2:%u 3:%u 4:%u\n", lowest,
              highest, influenceHistogram[0], influenceHistogram[1], influenceHistogram[2], influenceHistogram[3],
              influenceHistogram[4]);
  verdict.Require(offSum == 0, Format("every vertex's weights sum to 1 within 0.01 (%g off)", offSum));
  verdict.Require(model.DroppedInfluences == 0, "no vertex has more than four influences");

  unsigned outside = 0;
  for (const ToolSubmesh& submesh : model.Submeshes) {
    for (unsigned i = 0; i < submesh.IndexCount; ++i) {
      outside += model.Indices[submesh.FirstIndex + i] >= submesh.VertexCount ? 1 : 0;
    }
  }
  verdict.Require(outside == 0, "every index inside its submesh");
  for (const std::string& problem : model.Problems) {
    verdict.Require(false, problem);
  }
}

// Largest rotation of a channel's node away from its pose at time 0, in degrees, over the loop.
double LargestTurn(const AnimationSampler& sampler, const std::string& node, const std::string& parent) {
  const auto start = sampler.GlobalTransforms(0.0);
  auto localRotation = [&](const std::map<std::string, aiMatrix4x4>& globals) {
    aiMatrix4x4 parentGlobal = parent.empty() ? aiMatrix4x4() : globals.at(parent);
    const aiMatrix4x4 local = parentGlobal.Inverse() * globals.at(node);
    aiVector3D s, p;
    aiQuaternion q;
    local.Decompose(s, q, p);
    return q;
  };
  const aiQuaternion q0 = localRotation(start);
  double largest = 0;
  for (int i = 1; i < 24; ++i) {
    const aiQuaternion q = localRotation(sampler.GlobalTransforms(sampler.DurationSeconds() * i / 24));
    const double dot = std::fabs(q0.w * q.w + q0.x * q.x + q0.y * q.y + q0.z * q.z);
    largest = std::max(largest, 2 * std::acos(std::min(1.0, dot)) * 180 / M_PI);
  }
  return largest;
}

const aiNode* ParentOf(const aiNode& root, const std::string& name) {
  const aiNode* node = root.FindNode(name.c_str());
  return node != nullptr ? node->mParent : nullptr;
}

void ReportAnimation(const aiScene& scene, const SkinnedModel& model, const AnimationSampler& sampler,
                     Verdict& verdict) {
  std::printf("Animations: %u\n", scene.mNumAnimations);
  verdict.Require(scene.mNumAnimations == 1, "exactly one animation");
  if (!sampler.HasAnimation()) {
    return;
  }
  const aiAnimation& animation = *scene.mAnimations[0];
  std::printf("  '%s': %u channels, duration %.3f ticks, %.3f ticks per second (file says %.3f), %.3f s\n",
              animation.mName.C_Str(), animation.mNumChannels, animation.mDuration, sampler.TicksPerSecond(),
              animation.mTicksPerSecond, sampler.DurationSeconds());
  verdict.Require(sampler.DurationSeconds() >= 1.0 && sampler.DurationSeconds() <= 3.0, "loop of 1 to 3 seconds");

  unsigned boneChannels = 0, moving = 0;
  std::string still;
  for (unsigned c = 0; c < animation.mNumChannels; ++c) {
    const aiNodeAnim& channel = *animation.mChannels[c];
    const std::string name = channel.mNodeName.C_Str();
    verdict.Require(channel.mNumPositionKeys > 0 && channel.mNumRotationKeys > 0 && channel.mNumScalingKeys > 0,
                    "channel '" + name + "' has keys of every kind");
    if (model.BoneIndexByName.count(name) == 0) {
      continue;
    }
    ++boneChannels;
    const aiNode* parent = ParentOf(*scene.mRootNode, name);
    const double turn = LargestTurn(sampler, name, parent != nullptr ? parent->mName.C_Str() : "");
    if (turn >= 5.0) {
      ++moving;
    } else {
      still += " " + name;
    }
  }
  std::printf("  bones turning 5 degrees or more during the loop: %u of %u animated bones; the others:%s\n", moving,
              boneChannels, still.c_str());
  verdict.Require(moving * 3 >= model.BoneIndexByName.size() * 2, "most bones move visibly");
}

aiVector3D Joint(const SkinnedModel& model, const std::map<std::string, aiMatrix4x4>& globals, const char* name) {
  const auto found = globals.find(name);
  return found == globals.end() ? aiVector3D(NAN) : JointPosition(model.InverseRootTransform, found->second);
}

void ReportPlacement(const aiScene& scene, const SkinnedModel& model, const AnimationSampler& sampler,
                     Verdict& verdict) {
  Box nodeBox;
  CollectNodeBox(scene, *scene.mRootNode, aiMatrix4x4(), nodeBox);
  nodeBox.Print("Bind pose (node transforms):");
  Box rawBox;  // what identity skin matrices show, before the first animation update
  for (const ToolVertex& vertex : model.Vertices) {
    rawBox.Add(vertex.Position);
  }
  rawBox.Print("Raw vertices (identity skin):");
  Box loop;
  for (int i = 0; i < 8; ++i) {
    const double seconds = sampler.DurationSeconds() * i / 8;
    const Box box = SkinnedBox(model, sampler.SkinMatrices(seconds));
    loop.Add(box.Min), loop.Add(box.Max);
    if (i == 0) {
      box.Print("Skinned at 0 s:");
    }
  }
  loop.Print("Skinned over the loop:");
  const float height = loop.Max.y - loop.Min.y;
  const float middle = (loop.Max.y + loop.Min.y) / 2;
  verdict.Require(height > 2.6f && height < 3.3f, Format("about 3 units tall (%.3f)", height));
  verdict.Require(std::fabs(middle) < 0.2f && std::fabs(loop.Max.x + loop.Min.x) < 0.4f,
                  Format("centred on the origin (middle at x %.3f, y %.3f)", (loop.Max.x + loop.Min.x) / 2, middle));

  const auto globals = sampler.GlobalTransforms(0.0);
  std::printf("Joints at 0 s:\n");
  for (const char* name : {"Hips", "Head", "LeftHand", "RightHand", "LeftFoot", "LeftToeBase"}) {
    const aiVector3D p = Joint(model, globals, name);
    std::printf("  %-12s (%6.3f, %6.3f, %6.3f)\n", name, p.x, p.y, p.z);
  }
  const aiVector3D head = Joint(model, globals, "Head"), hips = Joint(model, globals, "Hips");
  const aiVector3D leftHand = Joint(model, globals, "LeftHand"), rightHand = Joint(model, globals, "RightHand");
  const aiVector3D foot = Joint(model, globals, "LeftFoot"), toe = Joint(model, globals, "LeftToeBase");
  verdict.Require(head.y > hips.y + 0.5f, "upright: head well above hips (+Y up)");
  verdict.Require(leftHand.x > 0 && rightHand.x < 0, "left hand on +X, right on -X (seen from -Z: not mirrored)");
  verdict.Require(toe.z < foot.z, "toes point to -Z: the character faces the camera at (0, 0, -4)");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: check_model <model file> [--nodes]\n");
    return 2;
  }
  const ScenePtr scene = ImportLikeEngine(argv[1]);
  if (!scene) {
    return 1;
  }
  std::printf("%s imported with flags 0x%X:\n  %s\n", argv[1], EngineImportFlags,
              DescribeImportFlags(EngineImportFlags).c_str());
  if (argc > 2 && std::strcmp(argv[2], "--nodes") == 0) {
    std::printf("Nodes:\n");
    PrintNodes(*scene->mRootNode, 0);
  }
  Verdict verdict;
  const SkinnedModel model = FlattenScene(*scene);
  const AnimationSampler sampler(*scene, model);
  ReportMeshes(*scene, verdict);
  ReportBones(model, verdict);
  ReportWeightsAndIndices(model, verdict);
  ReportAnimation(*scene, model, sampler, verdict);
  ReportPlacement(*scene, model, sampler, verdict);
  std::printf("%s\n", verdict.Failed ? "FAILED" : "All checks passed.");
  return verdict.Failed ? 1 : 0;
}
