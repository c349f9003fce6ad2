// Sine and cosine of one angle together, by range reduction and two minimax polynomials in f32. Every
// rotation and projection matrix takes its sines and cosines from here, so all of them agree to the bit
// whichever part of the engine builds them.
#pragma once

#include <cmath>
#include <cstdint>

struct SineCosine {
  float Sine = 0.0f;
  float Cosine = 1.0f;
};

inline SineCosine SinCos(float angle) {
  // Nearest whole number of turns, rounded half away from zero through a 32-bit integer. Past the 32-bit
  // range every f32 is a whole number already and is kept as it is rather than overflowing the integer;
  // f32 angles that large carry no usable phase anyway.
  constexpr float Int32Limit = 2147483648.0f;
  float turns = angle * 0.15915494f;
  const float halfUp = angle >= 0.0f ? turns + 0.5f : turns - 0.5f;
  turns = std::fabs(halfUp) < Int32Limit ? static_cast<float>(static_cast<int32_t>(halfUp)) : halfUp;

  // y is now within [-pi, pi]; fold it into [-pi/2, pi/2], where the polynomials are accurate. Folding
  // across +-pi/2 keeps the sine and flips the sign of the cosine.
  float y = angle - 6.2831855f * turns;
  float cosineSign = 1.0f;
  if (y > 1.5707964f) {
    y = 3.1415927f - y;
    cosineSign = -1.0f;
  } else if (y < -1.5707964f) {
    y = -3.1415927f - y;
    cosineSign = -1.0f;
  }

  const float t = y * y;
  const float sine =
      y * (1.0f + t * (-0.16666667f +
                       t * (0.008333331f + t * (-0.00019840874f + t * (2.7525562e-6f + t * (-2.3889859e-8f))))));
  const float cosine =
      1.0f + t * (-0.5f + t * (0.041666638f + t * (-0.0013888378f + t * (2.4760495e-5f + t * (-2.6051615e-7f)))));
  return {sine, cosineSign * cosine};
}
