#include "render/Camera.h"

#include <cmath>

void Camera::SetProjection(float fovY, float aspect, float nearPlane, float farPlane) {
  FieldOfViewY = fovY;
  AspectRatio = aspect;
  NearPlane = nearPlane;
  FarPlane = farPlane;
  const float halfHeightPerDistance = std::tan(0.5f * fovY);
  NearPlaneHeight = (nearPlane + nearPlane) * halfHeightPerDistance;
  FarPlaneHeight = (farPlane + farPlane) * halfHeightPerDistance;
  ProjMatrix = PerspectiveFov(fovY, aspect, nearPlane, farPlane);
}

void Camera::AimAt(float3 position, float3 target, float3 up) {
  Look = Normalize3(target - position);
  Right = Normalize3(Cross(up, Look));
  Up = Cross(Look, Right);
  Position = position;
  ViewStale = true;
}

void Camera::Pitch(float angle) {
  const float4x4 rotation = RotationAxis(Right, angle);
  Up = TransformNormal(Up, rotation);
  Look = TransformNormal(Look, rotation);
  ViewStale = true;
}

void Camera::TurnAboutWorldY(float angle) {
  const float4x4 rotation = RotationY(angle);
  Right = TransformNormal(Right, rotation);
  Up = TransformNormal(Up, rotation);
  Look = TransformNormal(Look, rotation);
  ViewStale = true;
}

void Camera::RebuildView() {
  if (!ViewStale) {
    return;
  }
  // Rounding lets the frame drift after many turns. Look keeps its direction; Up and Right are corrected
  // around it. Right = Up x Look is unit length already, as the cross product of two orthogonal unit
  // vectors.
  Look = Normalize3(Look);
  Up = Normalize3(Cross(Look, Right));
  Right = Cross(Up, Look);
  ViewMatrix = ViewFromFrame(Position, Right, Up, Look);
  ViewStale = false;
}
