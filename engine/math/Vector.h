// Three- and four-component f32 vectors and the vector functions the camera and the animation share.
#pragma once

#include <cmath>
#include <limits>

struct float3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

// A working vector: directions carry w = 0, points w = 1.
struct float4 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float w = 0.0f;
};

inline float3 operator+(float3 a, float3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline float3 operator-(float3 a, float3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline float3 operator*(float s, float3 v) { return {s * v.x, s * v.y, s * v.z}; }

inline float Dot3(float3 a, float3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline float3 Cross(float3 a, float3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Unit vector in the direction of v. Two inputs have no direction: a vector whose squared length
// overflows to infinity gives all-NaN (so the overflow cannot pass unnoticed as a valid direction), and
// the zero vector stays zero rather than becoming NaN.
inline float3 Normalize3(float3 v) {
  const float squaredLength = Dot3(v, v);
  const float length = std::sqrt(squaredLength);
  if (squaredLength == std::numeric_limits<float>::infinity()) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    return {nan, nan, nan};
  }
  if (length == 0.0f) {
    return {};
  }
  return {v.x / length, v.y / length, v.z / length};
}

// The float4 forms work on x, y, z only and return a direction (w = 0).
inline float3 XYZ(float4 v) { return {v.x, v.y, v.z}; }
inline float4 Direction(float3 v) { return {v.x, v.y, v.z, 0.0f}; }

inline float Dot3(float4 a, float4 b) { return Dot3(XYZ(a), XYZ(b)); }
inline float4 Cross(float4 a, float4 b) { return Direction(Cross(XYZ(a), XYZ(b))); }
inline float4 Normalize3(float4 v) { return Direction(Normalize3(XYZ(v))); }
