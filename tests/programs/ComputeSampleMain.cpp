#include "ComputeSample.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return RunSampleProgram<ComputeSample>(instance, L"Compute sample", "ComputeSample");
}
