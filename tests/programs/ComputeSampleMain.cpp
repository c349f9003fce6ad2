#include "ComputeSample.h"

#include <cstdio>
#include <exception>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  try {
    ComputeSample sample;
    return RunSample(sample, instance, L"Compute sample", FramesFromCommandLine());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "ComputeSample: %s\n", error.what());
    return 1;
  }
}
