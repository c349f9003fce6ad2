// The viewer's turntable: the camera circles a centre at a distance, turned about the world's up axis
// (yaw) and tilted towards it (pitch), never over a pole, so the model's up stays up on the screen.
#pragma once

#include "math/Vector.h"

struct Orbit {
  float3 Centre = {0.0f, 0.0f, 0.0f};
  float Distance = 1.0f;
  float Yaw = 0.0f;    // about +Y; 0 looks along +Z
  float Pitch = 0.0f;  // positive looks down from above
};

// The orbit whose eye is `eye` and whose centre is `centre` (a distance of 0 keeps a tiny one).
Orbit OrbitThrough(float3 eye, float3 centre);

// Where the orbit puts the camera; it looks at Centre.
float3 OrbitEye(const Orbit& orbit);

// Turns by the angles (radians); the pitch stops short of straight up and down.
void TurnOrbit(Orbit& orbit, float yaw, float pitch);

// Moves towards the centre for positive steps and away for negative ones, a tenth of the distance each.
void ZoomOrbit(Orbit& orbit, float steps);

// Slides the centre, and the camera with it, across the view: `right` and `up` are the camera's axes,
// and the amounts are fractions of the distance.
void PanOrbit(Orbit& orbit, float3 right, float3 up, float across, float upwards);
