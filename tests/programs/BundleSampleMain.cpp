#include "BundleSample.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return RunSampleProgram<BundleSample>(instance, L"Bundle sample", "BundleSample");
}
