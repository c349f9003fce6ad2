#include "BundleSample.h"

#include <cstdio>
#include <exception>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  try {
    BundleSample sample;
    return RunSample(sample, instance, L"Bundle sample", FramesFromCommandLine());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "BundleSample: %s\n", error.what());
    return 1;
  }
}
