#include "PreviewRenderer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr float kFieldOfViewY = 0.785f;  // the engine's projection after the first resize
constexpr float kNearPlane = 1.0f;

float Dot(const aiVector3D& a, const aiVector3D& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

aiVector3D Transform(const aiMatrix4x4& m, const aiVector3D& v, float w) {
  return aiVector3D(m.a1 * v.x + m.a2 * v.y + m.a3 * v.z + m.a4 * w, m.b1 * v.x + m.b2 * v.y + m.b3 * v.z + m.b4 * w,
                    m.c1 * v.x + m.c2 * v.y + m.c3 * v.z + m.c4 * w);
}

// Blends the vertex's bone matrices by its weights, as the skinned vertex shader does.
void SkinVertex(const ToolVertex& vertex, const std::vector<aiMatrix4x4>& palette, aiVector3D& position,
                aiVector3D& normal) {
  position = aiVector3D();
  normal = aiVector3D();
  for (int slot = 0; slot < 4; ++slot) {
    const float weight = vertex.BoneWeights[slot];
    if (weight != 0.0f && vertex.BoneIndices[slot] < palette.size()) {
      position += weight * Transform(palette[vertex.BoneIndices[slot]], vertex.Position, 1.0f);
      normal += weight * Transform(palette[vertex.BoneIndices[slot]], vertex.Normal, 0.0f);
    }
  }
  normal.NormalizeSafe();
}

void SampleBilinear(const RgbaImage& texture, const aiVector2D& uv, float rgb[3]) {
  const float x = uv.x * texture.Width - 0.5f;
  const float y = uv.y * texture.Height - 0.5f;
  const float fx = std::floor(x), fy = std::floor(y);
  const float tx = x - fx, ty = y - fy;
  auto wrap = [](int v, unsigned size) { return static_cast<unsigned>(((v % int(size)) + int(size)) % int(size)); };
  const unsigned x0 = wrap(int(fx), texture.Width), x1 = wrap(int(fx) + 1, texture.Width);
  const unsigned y0 = wrap(int(fy), texture.Height), y1 = wrap(int(fy) + 1, texture.Height);
  for (int c = 0; c < 3; ++c) {
    const float top = texture.At(x0, y0)[c] * (1 - tx) + texture.At(x1, y0)[c] * tx;
    const float bottom = texture.At(x0, y1)[c] * (1 - tx) + texture.At(x1, y1)[c] * tx;
    rgb[c] = (top * (1 - ty) + bottom * ty) / 255.0f;
  }
}

}  // namespace

PreviewCamera EngineCamera() {
  return {aiVector3D(0, 0, -4), aiVector3D(1, 0, 0), aiVector3D(0, 1, 0), aiVector3D(0, 0, 1)};
}

PreviewCamera SideCamera() {
  // Left-handed frame: Right = Up x Look.
  return {aiVector3D(4, 0, 0), aiVector3D(0, 0, 1), aiVector3D(0, 1, 0), aiVector3D(-1, 0, 0)};
}

PreviewRenderer::PreviewRenderer(unsigned width, unsigned height) {
  Target.Width = width;
  Target.Height = height;
  Target.Pixels.assign(static_cast<std::size_t>(width) * height * 4, 255);
  Depth.assign(static_cast<std::size_t>(width) * height, std::numeric_limits<float>::infinity());
  FocalY = std::cos(kFieldOfViewY / 2) / std::sin(kFieldOfViewY / 2);
  FocalX = FocalY / (static_cast<float>(width) / static_cast<float>(height));
}

PreviewRenderer::ScreenVertex PreviewRenderer::Project(const aiVector3D& position, const PreviewCamera& camera) const {
  const aiVector3D d = position - camera.Position;
  const float vx = Dot(d, camera.Right), vy = Dot(d, camera.Up), vz = Dot(d, camera.Look);
  ScreenVertex out;
  out.ViewZ = vz;
  out.X = (vx * FocalX / vz + 1.0f) * 0.5f * Target.Width;
  out.Y = (1.0f - vy * FocalY / vz) * 0.5f * Target.Height;
  return out;
}

void PreviewRenderer::Clear(const PreviewCamera& camera) {
  for (unsigned y = 0; y < Target.Height; ++y) {
    for (unsigned x = 0; x < Target.Width; ++x) {
      std::uint8_t* p = Target.At(x, y);
      p[0] = 236, p[1] = 238, p[2] = 242, p[3] = 255;
    }
  }
  std::fill(Depth.begin(), Depth.end(), std::numeric_limits<float>::infinity());
  const std::uint8_t guide[3] = {200, 150, 150};
  const aiVector3D across = camera.Right * 3.0f;
  for (float y : {-1.5f, 0.0f, 1.5f}) {
    DrawLine(aiVector3D(0, y, 0) - across, aiVector3D(0, y, 0) + across, camera, guide);
  }
  DrawLine(aiVector3D(0, -2, 0), aiVector3D(0, 2, 0), camera, guide);
}

void PreviewRenderer::DrawLine(const aiVector3D& from, const aiVector3D& to, const PreviewCamera& camera,
                               const std::uint8_t* rgb) {
  const ScreenVertex a = Project(from, camera), b = Project(to, camera);
  const int steps = static_cast<int>(std::max(std::fabs(b.X - a.X), std::fabs(b.Y - a.Y))) + 1;
  for (int i = 0; i <= steps; ++i) {
    const float t = static_cast<float>(i) / steps;
    const float x = a.X + (b.X - a.X) * t, y = a.Y + (b.Y - a.Y) * t;
    if (x >= 0 && y >= 0 && x < Target.Width && y < Target.Height) {
      std::uint8_t* p = Target.At(unsigned(x), unsigned(y));
      p[0] = rgb[0], p[1] = rgb[1], p[2] = rgb[2];
    }
  }
}

void PreviewRenderer::DrawModel(const SkinnedModel& model, const std::vector<aiMatrix4x4>& palette,
                                const RgbaImage* texture, const PreviewCamera& camera) {
  std::vector<ScreenVertex> projected(model.Vertices.size());
  std::vector<aiVector3D> world(model.Vertices.size());
  for (std::size_t i = 0; i < model.Vertices.size(); ++i) {
    aiVector3D normal;
    SkinVertex(model.Vertices[i], palette, world[i], normal);
    projected[i] = Project(world[i], camera);
    projected[i].Normal = normal;
    projected[i].TexCoord = model.Vertices[i].TexCoord;
  }
  for (const ToolSubmesh& submesh : model.Submeshes) {
    for (unsigned i = 0; i < submesh.IndexCount; i += 3) {
      const std::uint32_t* local = &model.Indices[submesh.FirstIndex + i];
      const unsigned ia = submesh.BaseVertex + local[0], ib = submesh.BaseVertex + local[1],
                     ic = submesh.BaseVertex + local[2];
      const ScreenVertex &a = projected[ia], &b = projected[ib], &c = projected[ic];
      if (a.ViewZ < kNearPlane || b.ViewZ < kNearPlane || c.ViewZ < kNearPlane) {
        continue;
      }
      // Which way the surface faces, by its normals, against what its winding says.
      const aiVector3D normalSum = a.Normal + b.Normal + c.Normal;
      const bool facing = Dot(normalSum, camera.Position - world[ia]) > 0;
      const float area = (b.X - a.X) * (c.Y - a.Y) - (c.X - a.X) * (b.Y - a.Y);
      const bool clockwise = area > 0;  // on screen, y down: the engine's front faces
      if (facing) {
        ++Stats.FacingCamera;
        Stats.FacingButCulled += clockwise ? 0 : 1;
      }
      if (clockwise) {
        DrawTriangle(a, b, c, texture);
      }
    }
  }
}

void PreviewRenderer::DrawTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                                   const RgbaImage* texture) {
  const float area = (b.X - a.X) * (c.Y - a.Y) - (c.X - a.X) * (b.Y - a.Y);
  const int minX = std::max(0, int(std::floor(std::min({a.X, b.X, c.X}))));
  const int maxX = std::min(int(Target.Width) - 1, int(std::ceil(std::max({a.X, b.X, c.X}))));
  const int minY = std::max(0, int(std::floor(std::min({a.Y, b.Y, c.Y}))));
  const int maxY = std::min(int(Target.Height) - 1, int(std::ceil(std::max({a.Y, b.Y, c.Y}))));
  for (int y = minY; y <= maxY; ++y) {
    for (int x = minX; x <= maxX; ++x) {
      const float px = x + 0.5f, py = y + 0.5f;
      const float wa = ((b.X - px) * (c.Y - py) - (c.X - px) * (b.Y - py)) / area;
      const float wb = ((c.X - px) * (a.Y - py) - (a.X - px) * (c.Y - py)) / area;
      const float wc = 1.0f - wa - wb;
      if (wa < 0 || wb < 0 || wc < 0) {
        continue;
      }
      // Perspective-correct weights: interpolate in 1/z.
      const float ia = wa / a.ViewZ, ib = wb / b.ViewZ, ic = wc / c.ViewZ;
      const float inverseZ = ia + ib + ic;
      const float z = 1.0f / inverseZ;
      float& depth = Depth[static_cast<std::size_t>(y) * Target.Width + x];
      if (z >= depth) {
        continue;
      }
      depth = z;
      const aiVector3D normal = (ia * a.Normal + ib * b.Normal + ic * c.Normal) * z;
      const aiVector2D uv = (ia * a.TexCoord + ib * b.TexCoord + ic * c.TexCoord) * z;
      ShadePixel(unsigned(x), unsigned(y), normal, uv, texture);
    }
  }
}

void PreviewRenderer::ShadePixel(unsigned x, unsigned y, const aiVector3D& normal, const aiVector2D& uv,
                                 const RgbaImage* texture) {
  // A light from above, left and in front of the character (towards -Z, where the camera is).
  static const aiVector3D kTowardsLight = aiVector3D(-0.4f, 0.6f, -0.7f).Normalize();
  aiVector3D n = normal;
  n.NormalizeSafe();
  const float light = 0.35f + 0.65f * std::max(0.0f, Dot(n, kTowardsLight));
  float rgb[3] = {0.8f, 0.8f, 0.8f};
  if (texture != nullptr) {
    SampleBilinear(*texture, uv, rgb);
  }
  std::uint8_t* p = Target.At(x, y);
  for (int c = 0; c < 3; ++c) {
    p[c] = static_cast<std::uint8_t>(std::clamp(rgb[c] * light, 0.0f, 1.0f) * 255.0f + 0.5f);
  }
}
